#pragma once
// Waiting in tests on things the event loop must keep running for (the device classes' timers
// and report delivery run on the test's thread).

#include "sim/devicehost.h"

#include <cstddef>
#include <functional>

// Spins the event loop until the virtual device has received `count` reports from the tool
// (since its last clear); false after the time-out.
bool waitForWrites(const DeviceHost& device, size_t count, int timeoutMs = 5000);
// Spins the event loop for `ms` and tells whether the device received more than `count`
// reports meanwhile: for checking that nothing is sent.
bool receivesMoreThan(const DeviceHost& device, size_t count, int ms);
// Spins the event loop until the tool has written nothing to the device for `quietMs` (a
// report still on its way when this is called counts as written); false when writes still go
// on after `timeoutMs`.
bool waitUntilQuiet(const DeviceHost& device, int quietMs, int timeoutMs = 10000);
// Spins the event loop until `count` has not changed for `quietMs`; false when it still changes
// after `timeoutMs`.
bool waitUntilSteady(const std::function<size_t()>& count, int quietMs, int timeoutMs = 10000);
