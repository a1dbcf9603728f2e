// The processes on Windows: a Toolhelp snapshot lists them with their executables' file names;
// the full path of each comes from the process itself where this user may query it. Windows
// does not hand out another process's command line through a public call, so it stays empty.
// Built on Windows only; CI compiles it against the Windows headers with a cross compiler
// (scripts/check-windows.sh).

#include "games/processlist.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <tlhelp32.h>

#include <cwchar>
#include <unordered_map>

namespace {

std::string utf8(const wchar_t* text, int length) {
    if (length == 0)
        return {};
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
    std::string converted(size_t(size > 0 ? size : 0), '\0');
    if (size > 0)
        WideCharToMultiByte(CP_UTF8, 0, text, length, &converted[0], size, nullptr, nullptr);
    return converted;
}

// The full path of the process's executable; empty when the process cannot be opened (a
// system process, another user's elevated one) or has ended.
std::string imagePath(DWORD pid) {
    const HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (!process)
        return {};
    wchar_t path[MAX_PATH * 4];
    DWORD size = DWORD(sizeof path / sizeof path[0]);
    const BOOL read = QueryFullProcessImageNameW(process, 0, path, &size);
    CloseHandle(process);
    return read ? utf8(path, int(size)) : std::string();
}

class ToolhelpProcessList final : public ProcessList {
public:
    // Takes a snapshot and keeps each process's executable name from it for read().
    std::vector<int64_t> pids() override {
        names.clear();
        std::vector<int64_t> pids;
        const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
        if (snapshot == INVALID_HANDLE_VALUE)
            return pids;
        PROCESSENTRY32W entry{};
        entry.dwSize = sizeof entry;
        for (BOOL more = Process32FirstW(snapshot, &entry); more;
             more = Process32NextW(snapshot, &entry)) {
            pids.push_back(int64_t(entry.th32ProcessID));
            names[int64_t(entry.th32ProcessID)] =
                utf8(entry.szExeFile, int(wcslen(entry.szExeFile)));
        }
        CloseHandle(snapshot);
        return pids;
    }

    // A process of the last snapshot; one that ended since keeps its name, without a path.
    bool read(int64_t pid, ProcessInfo& info) override {
        const auto name = names.find(pid);
        if (name == names.end())
            return false;
        info.pid = pid;
        info.name = name->second;
        info.executable = imagePath(DWORD(pid));
        info.commandLine.clear();
        return true;
    }

private:
    std::unordered_map<int64_t, std::string> names;
};

} // namespace

std::unique_ptr<ProcessList> systemProcessList() {
    return std::make_unique<ToolhelpProcessList>();
}
