#pragma once
// The intervals the tests run the manager and the devices with: scans, resends and live updates
// come quickly, so that no test waits a second for the first scan or 600 ms for a lost answer.
// The real intervals are checked once each, where they live (tst_usbmanager's scan tick,
// tst_devicerequests' resend, tst_wheelbasepage's debounce).
//
// The resend interval stays far above the time a virtual device takes to answer: an answer is
// read at the reader thread's next pass, at most one scan interval away, and a loaded machine
// under the sanitizers adds tens of milliseconds more. A resend that raced the answer would add
// a request to the exchanges the tests compare.

#include "usb/usbtimings.h"

constexpr UsbTimings fastTimings() {
    UsbTimings timings;
    timings.rescanIntervalMs = 30;
    timings.retryIntervalMs = 150;
    timings.updateDebounceMs = 40;
    return timings;
}

// How long a test watches a device to see that nothing more is sent: two resend intervals.
constexpr int kFastQuietMs = 2 * fastTimings().retryIntervalMs;
