// Profiles that follow the game, against virtual devices with a game process started under the
// name of a rule: through the window's Games tab, and through tarnctl watch as a process, which
// gives the devices to the window while it is open.

#include "app/tarn_wheel_tool.h"
#include "games/gamespage.h"
#include "tests/support/files.h"
#include "tests/support/reports.h"
#include "tests/support/testtimings.h"
#include "tests/support/virtualbus.h"
#include "tests/support/windowlookup.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QStatusBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>

namespace {

int activeProfileOf(VirtualDevice& device) {
    return device.withModel<SettingsModel>([](SettingsModel& m) { return int(m.activeProfile); });
}

// A virtual wheel base and pedals, a rules file in a configuration folder of its own, and a game
// to start: a copy of sleep named after this test's process, so that another run of the test is
// another game, and longer than Linux keeps of a process's name, so that the real /proc is
// matched through the executable.
struct GameRig {
    VirtualBus bus;
    VirtualDevice& wheel = bus.addWheelBase();
    VirtualDevice& pedals = bus.addPedals();
    QTemporaryDir config, games;
    const QString rulesPath = config.path() + "/tarn-config/games.ini";
    const QString gamePath =
        games.path() +
        QStringLiteral("/tarn-racing-game%1").arg(QCoreApplication::applicationPid());

    // Writes the rule "Test Game" for the game, with `profiles` ("wheelbase = Rally\n..."), and
    // then `more`; the window and tarnctl started from now on read it.
    bool writeRules(const QString& profiles, const QString& more = {}) {
        qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
        return QDir().mkpath(config.path() + "/tarn-config") &&
               QFile::copy("/bin/sleep", gamePath) &&
               writeFile(rulesPath, QStringLiteral("[Test Game]\nmatch = %1\n%2%3")
                                        .arg(QFileInfo(gamePath).fileName(), profiles, more)
                                        .toUtf8());
    }
};

QString labelText(const TARN_wheel_tool& window, const char* name) {
    return windowWidget<QLabel>(window, name)->text();
}

} // namespace

class TestGameSwitching : public QObject {
    Q_OBJECT

private slots:
    void theGamesTabSwitchesTheDevices() {
        GameRig rig;
        QVERIFY(rig.writeRules("wheelbase = Rally\npedals = Soft brake\n",
                               "[Broken]\nwheelbase = Road\n"));
        auto owned = std::make_unique<TARN_wheel_tool>(nullptr, fastTimings());
        TARN_wheel_tool& window = *owned;
        auto* page = window.findChild<GamesPage*>();
        QVERIFY(page);
        page->gameWatch().setIntervalMs(100);
        QTRY_VERIFY_WITH_TIMEOUT(showsWheelBase(window, rig.wheel), 10000);
        auto* table = windowWidget<QTableView>(window, "tableView_GameRules");
        QCOMPARE(table->model()->rowCount(), 1);
        QCOMPARE(table->model()->index(0, 2).data().toString(), QString("Rally"));
        QVERIFY(labelText(window, "label_GameRulesFile").contains("games.ini, line 5:"));
        QVERIFY(window.statusBar()->currentMessage().startsWith("games.ini, line 5:"));

        // The game starts: the wheel base's page shows Rally, the pedals are loaded and switched.
        QProcess game;
        game.start(rig.gamePath, {"60"});
        QTRY_COMPARE_WITH_TIMEOUT(activeProfileOf(rig.pedals), 2, 10000);
        QTRY_COMPARE_WITH_TIMEOUT(activeProfileOf(rig.wheel), 2, 10000);
        auto* profiles = windowWidget<QComboBox>(window, "comboBox_ProfileName");
        QCOMPARE(profiles->currentText(), QString("Rally"));
        QCOMPARE(labelText(window, "label_RunningGame"), QString("Running: Test Game"));
        QCOMPARE(labelText(window, "label_GameSwitches"),
                 QString("TARN Torvane Pedals: \"Soft brake\" for Test Game\n"
                         "TARN Torvane Wheel Base: \"Rally\" for Test Game"));
        QVERIFY(window.statusBar()->currentMessage().contains("for Test Game"));

        // The user's pick holds, and is where the wheel base returns to. Switching off returns the
        // pedals at once; on again, both follow the game once more.
        profiles->setCurrentIndex(1);
        QMetaObject::invokeMethod(profiles, "activated", Q_ARG(int, 1));
        QTRY_COMPARE(activeProfileOf(rig.wheel), 1);
        auto* switching = windowWidget<QCheckBox>(window, "checkBox_GameSwitching");
        switching->setChecked(false);
        QTRY_COMPARE(activeProfileOf(rig.pedals), 0);
        QCOMPARE(activeProfileOf(rig.wheel), 1);
        switching->setChecked(true);
        QTRY_COMPARE(activeProfileOf(rig.pedals), 2);
        QTRY_COMPARE(activeProfileOf(rig.wheel), 2);

        // The game ends: the pedals go back to their own profile, the wheel base to the user's
        // pick.
        game.kill();
        game.waitForFinished();
        QTRY_COMPARE_WITH_TIMEOUT(activeProfileOf(rig.pedals), 0, 10000);
        QTRY_COMPARE(activeProfileOf(rig.wheel), 1);
        QCOMPARE(profiles->currentText(), QString("Drift"));
        QCOMPARE(labelText(window, "label_RunningGame"), QString("No game is running"));

        // A rule added in the tab is written with the malformed section kept; removed, it goes.
        windowWidget<QLineEdit>(window, "lineEdit_GameName")->setText("Other Game");
        windowWidget<QLineEdit>(window, "lineEdit_GameProcess")->setText("other.exe");
        windowWidget<QPushButton>(window, "pushButton_AddGameRule")->click();
        QVERIFY(readFile(rig.rulesPath).contains("[Other Game]\nmatch = other.exe\n"));
        QVERIFY(readFile(rig.rulesPath).contains("[Broken]\nwheelbase = Road\n"));
        table->setCurrentIndex(table->model()->index(1, 0));
        windowWidget<QPushButton>(window, "pushButton_RemoveGameRule")->click();
        QVERIFY(!readFile(rig.rulesPath).contains("Other Game"));

        // Closed during a game, the window gives each device its profile back before it goes.
        game.start(rig.gamePath, {"60"});
        QTRY_COMPARE_WITH_TIMEOUT(activeProfileOf(rig.wheel), 2, 10000);
        QTRY_COMPARE_WITH_TIMEOUT(activeProfileOf(rig.pedals), 2, 10000);
        window.close();
        owned.reset();
        QTRY_COMPARE(activeProfileOf(rig.wheel), 1);
        QTRY_COMPARE(activeProfileOf(rig.pedals), 0);
        game.kill();
        game.waitForFinished();
    }

    void tarnctlWatchSwitchesAndGivesWayToTheWindow() {
        GameRig rig;
        QVERIFY(rig.writeRules("wheelbase = Rally\npedals = Missing\n"));
        QProcess watch;
        watch.start(qEnvironmentVariable("TARN_CTL_BINARY"), {"watch"});
        QByteArray out, err;
        const auto said = [&](const char* text) {
            out += watch.readAllStandardOutput();
            err += watch.readAllStandardError();
            return out.contains(text) || err.contains(text);
        };
        QTRY_VERIFY_WITH_TIMEOUT(said("1 game rule from"), 10000);
        QProcess game;
        game.start(rig.gamePath, {"60"});
        QTRY_COMPARE_WITH_TIMEOUT(activeProfileOf(rig.wheel), 2, 15000);
        const auto starts = withCommand(rig.wheel.receivedReports(), 12);
        QCOMPARE(int(starts.at(0).data[59]), 2); // one live update, the active index at 59
        QTRY_VERIFY(said("TARN Torvane Pedals has no profile \"Missing\" for Test Game"));
        QVERIFY(withCommand(rig.pedals.receivedReports(), 12).empty());
        game.kill();
        game.waitForFinished();
        QTRY_COMPARE_WITH_TIMEOUT(activeProfileOf(rig.wheel), 0, 15000);

        // Opened during a game, the window takes the devices over: watch gives the wheel base its
        // own profile back first, so that the window's return after the game goes there too.
        game.start(rig.gamePath, {"60"});
        QTRY_COMPARE_WITH_TIMEOUT(activeProfileOf(rig.wheel), 2, 15000);
        auto window = std::make_unique<TARN_wheel_tool>(nullptr, fastTimings());
        QTRY_VERIFY_WITH_TIMEOUT(showsWheelBase(*window, rig.wheel), 10000);
        QVERIFY(said("tarn-config is open"));
        QTRY_COMPARE_WITH_TIMEOUT(activeProfileOf(rig.wheel), 2, 15000);
        game.kill();
        game.waitForFinished();
        QTRY_COMPARE_WITH_TIMEOUT(activeProfileOf(rig.wheel), 0, 15000);

        // Closed, the window gives the devices back to watch.
        window.reset();
        game.start(rig.gamePath, {"60"});
        QTRY_VERIFY_WITH_TIMEOUT(said("tarn-config has closed"), 10000);
        QTRY_COMPARE_WITH_TIMEOUT(activeProfileOf(rig.wheel), 2, 15000);

        // Stopped while the game runs, it gives the device its own profile back.
        watch.terminate();
        QVERIFY(watch.waitForFinished(20000));
        QCOMPARE(watch.exitCode(), 0);
        QCOMPARE(activeProfileOf(rig.wheel), 0);
        game.kill();
        game.waitForFinished();
    }
};

QTEST_MAIN(TestGameSwitching)
#include "tst_gameswitching.moc"
