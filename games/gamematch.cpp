#include "games/gamematch.h"

#include <algorithm>

namespace {

// The last part of a Unix or Windows path.
QString fileName(const std::string& path) {
    const QString text = QString::fromStdString(path);
    return text.mid(qMax(text.lastIndexOf('/'), text.lastIndexOf('\\')) + 1);
}

void addName(QStringList& names, const QString& name) {
    const QString folded = name.toCaseFolded();
    if (!folded.isEmpty() && !names.contains(folded))
        names << folded;
}

} // namespace

QStringList processMatchNames(const ProcessInfo& process) {
    QStringList names;
    addName(names, QString::fromStdString(process.name));
    addName(names, fileName(process.executable));
    for (size_t i = 0; i < process.commandLine.size(); ++i) {
        const QString name = fileName(process.commandLine[i]);
        if (i == 0 || name.endsWith(QLatin1String(".exe"), Qt::CaseInsensitive))
            addName(names, name);
    }
    return names;
}

GameMatcher::GameMatcher(const QStringList& matches) {
    for (int rule = 0; rule < matches.size(); ++rule)
        rulesByMatch[matches[rule].toCaseFolded()].push_back(rule);
}

std::vector<int> GameMatcher::gamesOf(const QStringList& names) const {
    std::vector<int> games;
    for (const QString& name : names) {
        const auto rules = rulesByMatch.constFind(name);
        if (rules != rulesByMatch.constEnd())
            games.insert(games.end(), rules->begin(), rules->end());
    }
    std::sort(games.begin(), games.end());
    return games;
}
