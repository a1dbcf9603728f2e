#pragma once
// Running the event loop in the benchmarks while they wait for the window or a device.

#include <functional>

// Runs the event loop for `ms`, sleeping while there is nothing to do.
void spin(int ms);

// Runs the event loop until `condition` holds; false after `timeoutMs`.
bool spinUntil(const std::function<bool()>& condition, int timeoutMs);
