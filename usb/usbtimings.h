#pragma once
// How often the device manager scans the bus, how long a device waits for an answer before it
// resends a request, and how long a settings device lets edits settle before it sends them. The
// defaults are the ones the devices are built for; tests shorten them to run without waiting.

struct UsbTimings {
    int rescanIntervalMs = 1000;
    int retryIntervalMs = 600;
    int updateDebounceMs = 250;
};
