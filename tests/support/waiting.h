#pragma once
// Waiting in tests on things the event loop must keep running for (the device classes' timers
// and report delivery run on the test's thread).

#include "sim/devicehost.h"

#include <cstddef>

// Spins the event loop until the virtual device has received `count` reports from the tool
// (since its last clear); false after the time-out.
bool waitForWrites(const DeviceHost& device, size_t count, int timeoutMs = 5000);
// Spins the event loop for `ms` and tells whether the device received more than `count`
// reports meanwhile: for checking that nothing is sent.
bool receivesMoreThan(const DeviceHost& device, size_t count, int ms);
