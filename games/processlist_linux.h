#pragma once
// The processes as Linux's /proc shows them: one folder named by its pid for each process.

#include "games/processlist.h"

#include <string>
#include <utility>

class ProcFsProcessList final : public ProcessList {
public:
    // `root` is where the proc file system is mounted; the tests give it a folder laid out alike.
    explicit ProcFsProcessList(std::string root = "/proc")
        : root(std::move(root)) {}

    std::vector<int64_t> pids() override;
    // The process's "comm", the target of its "exe" link and its "cmdline". A missing "comm" or
    // "cmdline" means that the process has ended; an unreadable "exe" link is only not told.
    bool read(int64_t pid, ProcessInfo& info) override;
    // The "comm" and the "exe" link, without the longer "cmdline".
    bool readName(int64_t pid, ProcessInfo& info) override;

private:
    std::string root;
};
