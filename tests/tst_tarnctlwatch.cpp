// tarnctl watch run as a process against virtual devices, with a game started under the name of
// a rule: the devices switch and come back, a profile a device lacks is reported, and the window
// takes the devices over while it is open.

#include "app/tarn_wheel_tool.h"
#include "tests/support/reports.h"
#include "tests/support/testtimings.h"
#include "tests/support/virtualbus.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

int activeProfileOf(VirtualDevice& device) {
    return device.withModel<SettingsModel>([](SettingsModel& m) { return int(m.activeProfile); });
}

} // namespace

class TestTarnCtlWatch : public QObject {
    Q_OBJECT

private slots:
    void switchesWhileAGameRunsAndGivesWayToTheWindow();
};

void TestTarnCtlWatch::switchesWhileAGameRunsAndGivesWayToTheWindow() {
    VirtualBus bus;
    VirtualDevice& wheel = bus.addWheelBase();
    VirtualDevice& pedals = bus.addPedals();
    QTemporaryDir config, games;
    QVERIFY(QDir().mkpath(config.path() + "/tarn-config"));
    QFile rules(config.path() + "/tarn-config/games.ini");
    QVERIFY(rules.open(QIODevice::WriteOnly));
    rules.write("[Test Game]\nmatch = TarnWatchGame\nwheelbase = Rally\npedals = Missing\n");
    rules.close();
    const QString gamePath = games.path() + "/tarnwatchgame";
    QVERIFY(QFile::copy("/bin/sleep", gamePath));

    QProcess watch;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("XDG_CONFIG_HOME", config.path());
    watch.setProcessEnvironment(environment);
    watch.start(qEnvironmentVariable("TARN_CTL_BINARY"), {"watch"});
    QByteArray out, err;
    const auto said = [&](const char* text) {
        out += watch.readAllStandardOutput();
        err += watch.readAllStandardError();
        return out.contains(text) || err.contains(text);
    };
    QTRY_VERIFY_WITH_TIMEOUT(said("1 game rule from"), 10000);
    QProcess game;
    game.start(gamePath, {"60"});
    QTRY_COMPARE_WITH_TIMEOUT(activeProfileOf(wheel), 2, 15000);
    const auto starts = withCommand(wheel.receivedReports(), 12);
    QCOMPARE(int(starts.at(0).data[59]), 2); // one live update, the active index at 59
    QTRY_VERIFY(said("TARN Torvane Pedals has no profile \"Missing\" for Test Game"));
    QVERIFY(withCommand(pedals.receivedReports(), 12).empty());
    game.kill();
    game.waitForFinished();
    QTRY_COMPARE_WITH_TIMEOUT(activeProfileOf(wheel), 0, 15000);

    // The window takes the devices over while it is open; closed, it gives them back.
    auto window = std::make_unique<TARN_wheel_tool>(nullptr, fastTimings());
    QTRY_VERIFY_WITH_TIMEOUT(window->selectedDevice() != nullptr, 10000);
    QVERIFY(said("tarn-config is open"));
    window.reset();
    game.start(gamePath, {"60"});
    QTRY_VERIFY_WITH_TIMEOUT(said("tarn-config has closed"), 10000);
    QTRY_COMPARE_WITH_TIMEOUT(activeProfileOf(wheel), 2, 15000);

    // Stopped while the game runs, it gives the device its own profile back.
    watch.terminate();
    QVERIFY(watch.waitForFinished(20000));
    QCOMPARE(watch.exitCode(), 0);
    QCOMPARE(activeProfileOf(wheel), 0);
    game.kill();
    game.waitForFinished();
}

QTEST_MAIN(TestTarnCtlWatch)
#include "tst_tarnctlwatch.moc"
