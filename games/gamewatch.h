#pragma once
// Tells which of the rules' games run: polls the processes on a timer and signals when a game's
// first process appears and when its last one ends.

#include "games/gamematch.h"
#include "games/gamerules.h"
#include "games/processlist.h"
#include "games/processwatcher.h"

#include <QList>
#include <QObject>
#include <QStringList>
#include <QTimer>
#include <QVector>

#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

class GameWatch : public QObject {
    Q_OBJECT

public:
    static constexpr int kDefaultIntervalMs = 2000;

    explicit GameWatch(std::unique_ptr<ProcessList> processes, QObject* parent = nullptr);

    void setIntervalMs(int ms) { timer.setInterval(ms); }
    int intervalMs() const { return timer.interval(); }

    // The games to watch for. A rule is a game's as long as it stays equal: a running game whose
    // rule is gone or changed ends at once, and a new or changed rule's running game starts, in
    // that order.
    void setRules(const QList<GameRule>& rules);

    // Polls at once and then every interval; games already running start at that first poll.
    void start();
    // Stops polling and forgets the running games and processes, without a signal.
    void stop();

    // The rules of the games running, in the order they started.
    const QList<GameRule>& runningGames() const { return running; }

public slots:
    // One look at the processes; the timer calls it.
    void poll();

signals:
    void gameStarted(const GameRule& rule);
    void gameEnded(const GameRule& rule);

private:
    // Matches `pid`, going by `names`, against the rules and counts it for each game it is.
    void addProcess(int64_t pid, const QStringList& names);
    // Keeps a started process's names and counts it for its games.
    void takeProcess(const ProcessInfo& process);
    // Forgets `pid` and uncounts it from its games.
    void removeProcess(int64_t pid);
    // Signals the games that ended and those that started since the counts last changed.
    void settle();

    std::unique_ptr<ProcessList> processes;
    ProcessWatcher watcher;
    QTimer timer;
    QList<GameRule> gameRules;
    GameMatcher matcher;
    // The names of every process seen running, to match them against new rules.
    std::unordered_map<int64_t, QStringList> processNames;
    // The rules (indexes into gameRules) each game process is matched by.
    std::unordered_map<int64_t, std::vector<int>> gameProcesses;
    // How many processes of each rule's game run.
    QVector<int> processCounts;
    QList<GameRule> running;
};
