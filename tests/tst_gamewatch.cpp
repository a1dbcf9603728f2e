// Which games run: a process's names against a rule's match, the process watcher over a folder
// laid out like /proc, and the watch's signals. tst_gameswitching watches the real /proc.

#include "games/gamematch.h"
#include "games/gamewatch.h"
#include "games/processlist_linux.h"
#include "games/processwatcher.h"
#include "tests/support/files.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {

// A folder laid out like /proc: a folder per process with its comm, exe link and cmdline.
class FakeProc {
public:
    std::string root() const { return folder.path().toStdString(); }

    void add(int pid, const QString& comm, const QString& exe = {}, const QStringList& args = {}) {
        QDir().mkpath(path(pid));
        QVERIFY(writeFile(path(pid) + "/comm", comm.toUtf8() + '\n'));
        QVERIFY(writeFile(path(pid) + "/cmdline",
                          args.isEmpty() ? QByteArray() : args.join('\0').toUtf8() + '\0'));
        if (!exe.isEmpty())
            QVERIFY(QFile::link(exe, path(pid) + "/exe"));
    }
    void remove(int pid) { QDir(path(pid)).removeRecursively(); }
    QString path(int pid) const { return folder.filePath(QString::number(pid)); }

private:
    QTemporaryDir folder;
};

QStringList describe(const std::vector<ProcessInfo>& processes) {
    QStringList lines;
    for (const ProcessInfo& process : processes) {
        QStringList args;
        for (const std::string& arg : process.commandLine)
            args << QString::fromStdString(arg);
        lines << QString("%1 %2 %3 [%4]")
                     .arg(process.pid)
                     .arg(QString::fromStdString(process.name),
                          QString::fromStdString(process.executable), args.join('|'));
    }
    lines.sort();
    return lines;
}

QStringList games(const QSignalSpy& spy) {
    QStringList names;
    for (const QList<QVariant>& signal : spy)
        names << signal.at(0).value<GameRule>().name;
    return names;
}

} // namespace

class TestGameWatch : public QObject {
    Q_OBJECT

private slots:
    void matching_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("executable");
        QTest::addColumn<QStringList>("commandLine");
        QTest::addColumn<QString>("match");
        QTest::addColumn<bool>("matches");
        const QString cut = "averyverylongra";
        QTest::newRow("own name, any case") << "acc"
                                            << "" << QStringList() << "ACC" << true;
        QTest::newRow("long name through the executable")
            << cut << "/opt/x/averyverylongracer" << QStringList() << "averyverylongracer" << true;
        QTest::newRow("long name through the first argument")
            << cut << "" << QStringList{"./averyverylongracer", "-x"} << "averyverylongracer"
            << true;
        QTest::newRow("the cut name alone")
            << cut << "" << QStringList() << "averyverylongracer" << false;
        QTest::newRow("Wine: a Windows path")
            << "AC2-Win64-Shipp"
            << "/usr/bin/wine64-preloader"
            << QStringList{"/usr/bin/wine64-preloader", R"(Z:\games\ACC\AC2-Win64-Shipping.exe)"}
            << "ac2-win64-shipping.exe" << true;
        QTest::newRow("Proton: a Unix path")
            << "python3"
            << "/usr/bin/python3.11"
            << QStringList{"python3", "/home/u/.steam/Proton 8.0/proton", "waitforexitandrun",
                           "/home/u/.steam/common/ACC/AC2-Win64-Shipping.EXE"}
            << "AC2-Win64-Shipping.exe" << true;
        QTest::newRow("an argument that is no .exe")
            << "python3"
            << "/usr/bin/python3.11" << QStringList{"python3", "racer.py"} << "racer.py" << false;
        QTest::newRow("the executable's folder")
            << "racer"
            << "/opt/acc/racer" << QStringList() << "acc" << false;
        QTest::newRow("a longer name")
            << "sleep"
            << "/usr/bin/sleep" << QStringList{"sleep", "60"} << "sleeper" << false;
    }

    void matching() {
        QFETCH(QString, name);
        QFETCH(QString, executable);
        QFETCH(QStringList, commandLine);
        QFETCH(QString, match);
        QFETCH(bool, matches);
        ProcessInfo process{1, name.toStdString(), executable.toStdString(), {}};
        for (const QString& arg : commandLine)
            process.commandLine.push_back(arg.toStdString());
        QCOMPARE(GameMatcher({"other.exe", match}).gamesOf(processMatchNames(process)),
                 matches ? std::vector<int>{1} : std::vector<int>{});
    }

    // Started processes are read at the look that finds them and once more at the next, which
    // tells the ones that have exec'd since; one whose files are gone mid-read is left out until
    // it can be read, and one that ends unread is never reported.
    void processWatcher() {
        FakeProc proc;
        proc.add(1, "init", "/sbin/init", {"/sbin/init", "splash"});
        proc.add(2, "kthreadd");
        QDir().mkpath(QString::fromStdString(proc.root()) + "/self");
        ProcFsProcessList list(proc.root());
        ProcessWatcher watcher(list);
        ProcessChanges changes = watcher.poll();
        QCOMPARE(describe(changes.started),
                 QStringList({"1 init /sbin/init [/sbin/init|splash]", "2 kthreadd  []"}));
        QVERIFY(changes.ended.empty());

        proc.add(300, "wine", "/usr/bin/wine64-preloader", {"wine", "Z:\\a b\\game.exe"});
        proc.add(301, "going");
        QFile::remove(proc.path(301) + "/cmdline");
        proc.add(302, "gone");
        QFile::remove(proc.path(302) + "/comm");
        proc.remove(1);
        changes = watcher.poll();
        QCOMPARE(describe(changes.started),
                 QStringList{"300 wine /usr/bin/wine64-preloader [wine|Z:\\a b\\game.exe]"});
        QCOMPARE(changes.ended, std::vector<int64_t>{1});

        QFile(proc.path(301) + "/cmdline").open(QIODevice::WriteOnly);
        proc.remove(302);
        proc.add(300, "game.exe", {}, {"Z:\\a b\\game.exe"});
        changes = watcher.poll();
        QCOMPARE(describe(changes.started), QStringList{"301 going  []"});
        QVERIFY(changes.ended.empty());
        QCOMPARE(describe(changes.changed),
                 QStringList{"300 game.exe /usr/bin/wine64-preloader [Z:\\a b\\game.exe]"});

        proc.add(301, "racer");
        QCOMPARE(describe(watcher.poll().changed), QStringList{"301 racer  []"});
        proc.add(300, "other");
        QVERIFY(watcher.poll().changed.empty());
    }

    // A game starts with its first process, or with a launcher's process that execs it, and ends
    // with its last; a rule that goes or changes ends its running game at once, and a new rule's
    // running game starts at once.
    void gameWatch() {
        FakeProc proc;
        proc.add(10, "acc.exe");
        GameWatch watch(std::make_unique<ProcFsProcessList>(proc.root()));
        QCOMPARE(watch.intervalMs(), 2000);
        watch.setIntervalMs(10);
        const GameRule acc{"ACC", "acc.exe", {{"wheelbase", "GT3"}}};
        watch.setRules({acc, {"Rally", "rally.exe", {}}});
        QSignalSpy started(&watch, &GameWatch::gameStarted);
        QSignalSpy ended(&watch, &GameWatch::gameEnded);
        watch.start();
        QCOMPARE(games(started), QStringList{"ACC"});

        proc.add(11, "acc.exe");
        proc.add(20, "steam");
        watch.poll();
        proc.add(20, "rally.exe");
        QVERIFY(started.wait());
        proc.remove(10);
        proc.remove(20);
        QVERIFY(ended.wait());
        proc.remove(11);
        QVERIFY(ended.wait());
        QCOMPARE(games(started), QStringList({"ACC", "Rally"}));
        QCOMPARE(games(ended), QStringList({"Rally", "ACC"}));

        proc.add(30, "rally.exe");
        proc.add(31, "acc.exe");
        QTRY_COMPARE(watch.runningGames().size(), 2);
        started.clear();
        ended.clear();
        watch.setRules({acc});
        const GameRule dirt{"Dirt", "RALLY.EXE", {}};
        watch.setRules({acc, dirt});
        GameRule changed = acc;
        changed.profiles["pedals"] = "Hard";
        watch.setRules({changed, dirt});
        QCOMPARE(games(ended), QStringList({"Rally", "ACC"}));
        QCOMPARE(games(started), QStringList({"Dirt", "ACC"}));
        QCOMPARE(watch.runningGames(), QList<GameRule>({dirt, changed}));
        QCOMPARE(ended.last().at(0).value<GameRule>(), acc);
    }
};

QTEST_GUILESS_MAIN(TestGameWatch)
#include "tst_gamewatch.moc"
