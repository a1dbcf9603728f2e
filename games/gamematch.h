#pragma once
// Which rules' games a process is. A rule's `match` is compared, ignoring case, with every name
// the process goes by: its own name, the file names of its executable and of its first argument,
// and the file name of each argument ending in ".exe". Games run through Wine or Proton show
// their .exe among the arguments, as a Windows path ("Z:\games\ACC\AC2.exe") or a Unix one. Linux
// cuts a process's own name to 15 bytes; a longer name is found through the executable or the
// first argument, never by its first 15 bytes alone.

#include "games/processlist.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <vector>

// The names a rule's match may equal, case-folded, each once.
QStringList processMatchNames(const ProcessInfo& process);

class GameMatcher {
public:
    explicit GameMatcher(const QStringList& matches = {});

    // The indexes into `matches` that a process going by `names` (processMatchNames) matches.
    std::vector<int> gamesOf(const QStringList& names) const;

private:
    // Each case-folded match to the indexes of the rules that give it, so that a process's
    // names are looked up and not compared with every rule.
    QHash<QString, std::vector<int>> rulesByMatch;
};
