#include "games/gamewatch.h"

#include <utility>

GameWatch::GameWatch(std::unique_ptr<ProcessList> processList, QObject* parent)
    : QObject(parent)
    , processes(std::move(processList))
    , watcher(*processes) {
    qRegisterMetaType<GameRule>();
    timer.setInterval(kDefaultIntervalMs);
    connect(&timer, &QTimer::timeout, this, &GameWatch::poll);
}

void GameWatch::setRules(const QList<GameRule>& rules) {
    gameRules = rules;
    QStringList matches;
    for (const GameRule& rule : rules)
        matches << rule.match;
    matcher = GameMatcher(matches);
    gameProcesses.clear();
    processCounts.fill(0, gameRules.size());
    for (const auto& process : processNames)
        addProcess(process.first, process.second);
    settle();
}

void GameWatch::start() {
    if (timer.isActive())
        return;
    timer.start();
    poll();
}

void GameWatch::stop() {
    timer.stop();
    watcher.clear();
    processNames.clear();
    gameProcesses.clear();
    processCounts.fill(0, gameRules.size());
    running.clear();
}

void GameWatch::poll() {
    ProcessChanges changes = watcher.poll();
    for (const ProcessInfo& process : changes.started)
        takeProcess(process);
    for (const ProcessInfo& process : changes.changed) {
        removeProcess(process.pid);
        takeProcess(process);
    }
    for (const int64_t pid : changes.ended)
        removeProcess(pid);
    settle();
}

void GameWatch::takeProcess(const ProcessInfo& process) {
    const QStringList names = processMatchNames(process);
    processNames.emplace(process.pid, names);
    addProcess(process.pid, names);
}

void GameWatch::removeProcess(int64_t pid) {
    processNames.erase(pid);
    const auto game = gameProcesses.find(pid);
    if (game == gameProcesses.end())
        return;
    for (const int rule : game->second)
        --processCounts[rule];
    gameProcesses.erase(game);
}

void GameWatch::addProcess(int64_t pid, const QStringList& names) {
    std::vector<int> games = matcher.gamesOf(names);
    if (games.empty())
        return;
    for (const int rule : games)
        ++processCounts[rule];
    gameProcesses[pid] = std::move(games);
}

void GameWatch::settle() {
    QList<GameRule> ended;
    for (const GameRule& game : std::as_const(running)) {
        const int rule = gameRules.indexOf(game);
        if (rule < 0 || processCounts[rule] == 0)
            ended.append(game);
    }
    QList<GameRule> started;
    for (int rule = 0; rule < gameRules.size(); ++rule) {
        if (processCounts[rule] > 0 && !running.contains(gameRules[rule]))
            started.append(gameRules[rule]);
    }
    for (const GameRule& game : std::as_const(ended))
        running.removeOne(game);
    running += started;
    for (const GameRule& game : std::as_const(ended))
        emit gameEnded(game);
    for (const GameRule& game : std::as_const(started))
        emit gameStarted(game);
}
