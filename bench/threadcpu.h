#pragma once
// The CPU time of this process's threads, as the benchmarks read it from /proc.

#include <cstdint>
#include <string>

// CPU time of one thread of this process, from the scheduler's own account.
int64_t threadCpuNanos(const std::string& tid);

// The device manager's reader thread, found by the name Qt gives it (its class name, cut to 15
// characters); empty when it does not run.
std::string readerThreadId();
