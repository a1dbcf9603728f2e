#pragma once
// Which processes started and which ended between two looks at a process list. Only the
// processes it has not seen before are read, and each once more at the next look: one caught
// between fork and exec still bore its parent's names, and a launcher may exec the game in the
// process it started as. So a look at a quiet system lists the pids and reads nothing; the pids
// are compared as sorted lists, without a hash table to fill each time. A pid that ends and is
// taken by a new process between two looks is not noticed.

#include "games/processlist.h"

#include <cstdint>
#include <vector>

struct ProcessChanges { // each in ascending pid order
    std::vector<ProcessInfo> started;
    std::vector<int64_t> ended;
    // Processes started at the last look that bear other names now: they have exec'd.
    std::vector<ProcessInfo> changed;
};

class ProcessWatcher {
public:
    explicit ProcessWatcher(ProcessList& processes)
        : processes(processes) {}

    // The changes since the last poll; the first poll reports every process as started. A
    // process that ends while it is read is left out, as if it had ended before.
    ProcessChanges poll();
    // Forgets every process: the next poll reports them all as started again.
    void clear() {
        known.clear();
        lastStarted.clear();
    }

private:
    ProcessList& processes;
    std::vector<int64_t> known;           // ascending
    std::vector<ProcessInfo> lastStarted; // ascending
};
