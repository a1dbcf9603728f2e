#pragma once
// The processes running on this machine, as the games' watcher reads them. Qt-free, so that each
// platform's reader is plain system code.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct ProcessInfo {
    int64_t pid = 0;
    // The system's short name of the process. Linux cuts it to 15 bytes and gives a program run
    // through Wine its .exe name; Windows gives the executable's file name.
    std::string name;
    // The executable's full path; empty where the system does not tell it (another user's
    // process, a kernel thread).
    std::string executable;
    // Empty where the system does not tell it (a kernel thread; on Windows, always).
    std::vector<std::string> commandLine;
};

class ProcessList {
public:
    virtual ~ProcessList() = default;

    // The processes running now.
    virtual std::vector<int64_t> pids() = 0;
    // Reads `pid`'s info into `info`; false when the process has ended since it was listed.
    virtual bool read(int64_t pid, ProcessInfo& info) = 0;
    // Reads only `pid`'s name and executable, which tell an exec; false when it has ended. The
    // command line is left as it was.
    virtual bool readName(int64_t pid, ProcessInfo& info) { return read(pid, info); }
};

// The processes of the system the tool runs on.
std::unique_ptr<ProcessList> systemProcessList();
