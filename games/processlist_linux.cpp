#include "games/processlist_linux.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <unistd.h>

#include <cctype>
#include <cstdlib>

namespace {

// The whole file, false when it cannot be read. The kernel fills a read of a /proc file as far
// as the file goes, so a short read is its end: no second read to see that nothing follows.
bool readFile(const std::string& path, std::string& contents) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    contents.clear();
    char buffer[4096];
    ssize_t size;
    do {
        size = ::read(fd, buffer, sizeof buffer);
        if (size > 0)
            contents.append(buffer, size_t(size));
    } while (size == ssize_t(sizeof buffer));
    ::close(fd);
    return size >= 0;
}

bool isPid(const char* name) {
    if (!*name)
        return false;
    for (const char* c = name; *c; ++c) {
        if (!std::isdigit(static_cast<unsigned char>(*c)))
            return false;
    }
    return true;
}

// The arguments of a "cmdline" file: each one ends with a NUL.
std::vector<std::string> splitArguments(const std::string& cmdline) {
    std::vector<std::string> arguments;
    size_t start = 0;
    while (start < cmdline.size()) {
        size_t end = cmdline.find('\0', start);
        if (end == std::string::npos)
            end = cmdline.size();
        arguments.push_back(cmdline.substr(start, end - start));
        start = end + 1;
    }
    return arguments;
}

} // namespace

std::vector<int64_t> ProcFsProcessList::pids() {
    std::vector<int64_t> pids;
    DIR* folder = ::opendir(root.c_str());
    if (!folder)
        return pids;
    while (const dirent* entry = ::readdir(folder)) {
        if (isPid(entry->d_name))
            pids.push_back(std::strtoll(entry->d_name, nullptr, 10));
    }
    ::closedir(folder);
    return pids;
}

bool ProcFsProcessList::read(int64_t pid, ProcessInfo& info) {
    std::string cmdline;
    if (!readName(pid, info) || !readFile(root + '/' + std::to_string(pid) + "/cmdline", cmdline))
        return false;
    info.commandLine = splitArguments(cmdline);
    return true;
}

bool ProcFsProcessList::readName(int64_t pid, ProcessInfo& info) {
    const std::string folder = root + '/' + std::to_string(pid) + '/';
    std::string comm;
    if (!readFile(folder + "comm", comm))
        return false;
    if (!comm.empty() && comm.back() == '\n')
        comm.pop_back();
    char target[PATH_MAX];
    const ssize_t size = ::readlink((folder + "exe").c_str(), target, sizeof target);
    info.pid = pid;
    info.name = comm;
    info.executable = size > 0 && size < ssize_t(sizeof target) ? std::string(target, size_t(size))
                                                                : std::string();
    // A program whose file was replaced while it runs (a game updated meanwhile) still shows
    // its old path, marked.
    const std::string deleted = " (deleted)";
    if (info.executable.size() > deleted.size() &&
        info.executable.compare(info.executable.size() - deleted.size(), deleted.size(), deleted) ==
            0)
        info.executable.resize(info.executable.size() - deleted.size());
    return true;
}

std::unique_ptr<ProcessList> systemProcessList() {
    return std::make_unique<ProcFsProcessList>();
}
