#include "games/processwatcher.h"

#include <algorithm>
#include <iterator>
#include <utility>

ProcessChanges ProcessWatcher::poll() {
    ProcessChanges changes;
    std::vector<int64_t> listed = processes.pids();
    std::sort(listed.begin(), listed.end());
    std::set_difference(known.begin(), known.end(), listed.begin(), listed.end(),
                        std::back_inserter(changes.ended));
    std::vector<int64_t> fresh;
    std::set_difference(listed.begin(), listed.end(), known.begin(), known.end(),
                        std::back_inserter(fresh));
    // An exec changes the name or the executable; only then is the command line read again. One
    // that ended since is among the ended, or is read as gone.
    for (const ProcessInfo& before : lastStarted) {
        ProcessInfo now;
        if (std::binary_search(listed.begin(), listed.end(), before.pid) &&
            processes.readName(before.pid, now) &&
            (now.name != before.name || now.executable != before.executable) &&
            processes.read(before.pid, now))
            changes.changed.push_back(std::move(now));
    }
    std::vector<int64_t> unread;
    for (const int64_t pid : fresh) {
        ProcessInfo info;
        if (processes.read(pid, info))
            changes.started.push_back(std::move(info));
        else
            unread.push_back(pid);
    }
    known.clear();
    std::set_difference(listed.begin(), listed.end(), unread.begin(), unread.end(),
                        std::back_inserter(known));
    lastStarted = changes.started;
    return changes;
}
