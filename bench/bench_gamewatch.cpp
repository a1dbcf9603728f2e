// The games' watch on a busy machine: a folder laid out like /proc holds 1,000 processes, and
// between two polls 2 s apart 40 processes start and 40 end (20 a second each way). The program
// prints the watch's CPU time per poll on its own thread, per hour at the 2 s interval and as a
// share of one core, and then the same for this machine's own /proc.

#include "games/gamewatch.h"
#include "games/processlist_linux.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <deque>
#include <memory>

namespace {

constexpr int kProcesses = 1000;
constexpr int kChangesPerPoll = 40; // 20 a second at the 2 s interval
constexpr int kPolls = 300;
constexpr int kRules = 20;

// The scheduler's account of this thread, as bench/threadcpu.h reads it from schedstat, but
// through the clock: no file is opened inside the time measured.
int64_t threadCpuNanos() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return int64_t(now.tv_sec) * 1000000000 + now.tv_nsec;
}

void addProcess(const QDir& root, int pid) {
    const QString name = QStringLiteral("proc%1").arg(pid);
    const QString folder = root.filePath(QString::number(pid));
    root.mkdir(QString::number(pid));
    QFile comm(folder + "/comm");
    comm.open(QIODevice::WriteOnly);
    comm.write(name.toUtf8() + '\n');
    QFile cmdline(folder + "/cmdline");
    cmdline.open(QIODevice::WriteOnly);
    cmdline.write("/usr/lib/app/" + name.toUtf8() + QByteArray("\0--option\0value\0", 16));
    QFile::link("/usr/lib/app/" + name, folder + "/exe");
}

QList<GameRule> rules() {
    QList<GameRule> rules;
    for (int i = 0; i < kRules; ++i)
        rules.append({QStringLiteral("Game %1").arg(i), QStringLiteral("game%1.exe").arg(i), {}});
    return rules;
}

// The CPU time of one poll of `watch`, in nanoseconds.
int64_t timedPoll(GameWatch& watch) {
    const int64_t before = threadCpuNanos();
    watch.poll();
    return threadCpuNanos() - before;
}

void printSteady(const char* what, const std::vector<int64_t>& polls) {
    int64_t total = 0;
    for (const int64_t poll : polls)
        total += poll;
    const double mean = double(total) / double(polls.size());
    const double perHour = mean * (3600.0 * 1000 / GameWatch::kDefaultIntervalMs);
    std::printf("%s: %.1f us CPU per poll (mean of %zu, most %.1f us); %.1f ms per hour at %d ms, "
                "%.4f %% of a core\n",
                what, mean / 1000, polls.size(),
                double(*std::max_element(polls.begin(), polls.end())) / 1000, perHour / 1e6,
                GameWatch::kDefaultIntervalMs, 100 * mean / (GameWatch::kDefaultIntervalMs * 1e6));
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir folder;
    const QDir root(folder.path());
    std::deque<int> pids;
    for (int pid = 1; pid <= kProcesses; ++pid) {
        addProcess(root, pid);
        pids.push_back(pid);
    }

    GameWatch watch(std::make_unique<ProcFsProcessList>(folder.path().toStdString()));
    watch.setRules(rules());
    std::printf("fake /proc: %d processes, %d start and %d end between polls, %d rules\n",
                kProcesses, kChangesPerPoll, kChangesPerPoll, kRules);
    std::printf("first poll (every process read): %.2f ms CPU\n", timedPoll(watch) / 1e6);
    std::vector<int64_t> polls;
    for (int poll = 0; poll < kPolls; ++poll) {
        for (int i = 0; i < kChangesPerPoll; ++i) {
            QDir(root.filePath(QString::number(pids.front()))).removeRecursively();
            pids.pop_front();
            addProcess(root, pids.back() + 1);
            pids.push_back(pids.back() + 1);
        }
        polls.push_back(timedPoll(watch));
    }
    printSteady("busy fake /proc", polls);

    GameWatch system(std::make_unique<ProcFsProcessList>());
    system.setRules(rules());
    std::printf("this machine's /proc, %zu processes: first poll %.2f ms CPU\n",
                ProcFsProcessList().pids().size(), timedPoll(system) / 1e6);
    polls.clear();
    for (int poll = 0; poll < kPolls; ++poll)
        polls.push_back(timedPoll(system));
    printSteady("this machine's /proc, polled back to back", polls);
    return 0;
}
