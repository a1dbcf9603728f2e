// The request discipline every device class shares: an awaited request is resent every retry
// interval until its own answer arrives, and an unawaited write that fails is resent until it
// is written. Then the load flow it drives, through the
// wheel base against the virtual wheel base: the firmware check, and lists of every size.
// Only resendsEveryRetryInterval runs with the real 600 ms; the others resend at the tests' fast
// interval and check what is resent, not when.

#include "tests/support/directdevice.h"
#include "tests/support/fakehiddevice.h"
#include "tests/support/reports.h"
#include "tests/support/testtimings.h"
#include "tests/support/virtualbus.h"
#include "tests/support/waiting.h"
#include "wheelbase/usbdevicetarnwheelbase.h"

#include <QSignalSpy>
#include <QTest>

#include <chrono>

namespace {

// A single-shot QTimer may fire a little early (coarse timers up to 5 %), and a loaded machine
// may deliver it late.
constexpr int kEarliestRetryMs = 560;
constexpr int kLatestRetryMs = 1100;

int millisecondsBetween(std::chrono::steady_clock::time_point from,
                        std::chrono::steady_clock::time_point to) {
    return int(std::chrono::duration_cast<std::chrono::milliseconds>(to - from).count());
}

void verifyRetryIntervals(const std::vector<FakeHidDevice::Write>& writes) {
    for (size_t i = 1; i < writes.size(); ++i) {
        int interval = millisecondsBetween(writes[i - 1].time, writes[i].time);
        QVERIFY2(interval >= kEarliestRetryMs && interval <= kLatestRetryMs,
                 qPrintable(QStringLiteral("retry %1 after %2 ms").arg(i).arg(interval)));
    }
}

struct FakeWheelBase {
    explicit FakeWheelBase(const UsbTimings& timings = fastTimings()) {
        device.applyTimings(timings);
    }

    std::shared_ptr<FakeHidDevice::Log> log = std::make_shared<FakeHidDevice::Log>();
    UsbDeviceTarnWheelBase device{QStringLiteral("fake"), std::make_unique<FakeHidDevice>(log)};

    size_t writes() const { return log->writes.size(); }
    bool waitForWrites(size_t count, int timeoutMs = 5000) {
        return QTest::qWaitFor([&] { return log->writes.size() >= count; }, timeoutMs);
    }
    // Whether another write follows within `ms`.
    bool writesAgainWithin(int ms) {
        size_t now = log->writes.size();
        return QTest::qWaitFor([&] { return log->writes.size() > now; }, ms);
    }
    void deliver(std::vector<uint8_t> bytes) {
        TarnUsbReport report{};
        std::copy(bytes.begin(), bytes.end(), report.data);
        device.handleReport(&report, 0);
    }
};

// A virtual wheel base without unasked telemetry (the tests count what it sends) and the
// wheel-base class opened on it.
struct VirtualWheelBase {
    VirtualBus bus;
    VirtualDevice& device = bus.addWheelBase();
    DirectDevice<UsbDeviceTarnWheelBase> wheel{quietly(device)};
    QSignalSpy loaded{wheel.get(), &UsbDeviceTarnWheelBase::onSettingsLoaded};
    QSignalSpy failed{wheel.get(), &UsbDeviceTarnWheelBase::onSettingsLoadFailed};

    static VirtualDevice& quietly(VirtualDevice& device) {
        device.withModel<WheelBaseModel>([](WheelBaseModel& m) { m.telemetryEvery = 0; });
        return device;
    }
    template <class F> void script(F f) { device.withModel<WheelBaseModel>(f); }
    // The load has ended when no further request follows within a retry interval.
    bool settled() { return waitUntilQuiet(device, kFastQuietMs); }
};

} // namespace

Q_DECLARE_METATYPE(std::vector<uint8_t>)
Q_DECLARE_METATYPE(std::vector<int>)

class TestRetry : public QObject {
    Q_OBJECT

private slots:
    void resendsEveryRetryInterval() {
        FakeWheelBase wheel{UsbTimings()};
        wheel.device.loadSettings();
        QVERIFY(wheel.waitForWrites(3));
        verifyRetryIntervals(wheel.log->writes);
    }

    // Only the answer of the request outstanding ends its resending: reports the device sends
    // on its own, answers of other commands and reports of other ids do not.
    void resendsTheRequestUntilItsAnswer() {
        FakeWheelBase wheel;
        wheel.device.loadSettings();
        QVERIFY(wheel.waitForWrites(2));
        std::vector<uint8_t> unknownId = joystickReport();
        unknownId[0] = 0x02;
        for (const std::vector<uint8_t>& other :
             {joystickReport(), responseReport(kCmdTelemetry, 7),
              responseReport(kCmdLoadCalibration, 7), unknownId})
            wheel.deliver(other);
        QVERIFY(wheel.waitForWrites(4));
        for (const FakeHidDevice::Write& write : wheel.log->writes)
            QCOMPARE(write.data, wheel.log->writes[0].data);

        std::vector<uint8_t> answer = responseReport(kCmdLoadSettings, 7); // no profiles
        wheel.deliver(answer); // the load's end marker follows at once, unawaited
        QVERIFY(!wheel.writesAgainWithin(kFastQuietMs));
    }

    void failedUnawaitedWriteIsResentUntilWritten() {
        FakeWheelBase wheel;
        wheel.log->writesToFail = 1;
        wheel.device.resetToFactoryDefaults(); // written without awaiting an answer
        QVERIFY(wheel.waitForWrites(2));
        QVERIFY(wheel.log->writes[0].failed);
        QVERIFY(!wheel.log->writes[1].failed);
        QCOMPARE(wheel.log->writes[1].data, wheel.log->writes[0].data);
        // Nothing answers a reset: once written, it is not sent again.
        QVERIFY(!wheel.writesAgainWithin(kFastQuietMs));
    }

    void successfulUnawaitedWriteIsNotResent() {
        FakeWheelBase wheel;
        wheel.device.resetToFactoryDefaults();
        wheel.device.sendTestForceCommand(0.25f);
        QCOMPARE(wheel.writes(), size_t(2));
        QVERIFY(!wheel.writesAgainWithin(kFastQuietMs));
    }

    void retryResendsTheLatestOfTwoRequests() {
        FakeWheelBase wheel;
        wheel.device.loadSettings();
        wheel.device.profileCount = 1;
        wheel.device.saveSettings();
        QVERIFY(wheel.waitForWrites(4));
        QCOMPARE(wheel.log->writes[0].data[1], uint8_t(kCmdLoadSettings));
        QCOMPARE(wheel.log->writes[1].data[1], uint8_t(kCmdSaveSettings));
        // One timer for both: only the second request is resent.
        QCOMPARE(wheel.log->writes[2].data, wheel.log->writes[1].data);
        QCOMPARE(wheel.log->writes[3].data, wheel.log->writes[1].data);
    }

    // On the bus, with live reports streaming all the while: a lost answer costs one retry.
    void lostAnswerIsRecoveredByTheRetry() {
        VirtualBus bus;
        VirtualDevice& virtualWheel = bus.addWheelBase();
        virtualWheel.withModel<WheelBaseModel>([](WheelBaseModel& m) { m.telemetryEvery = 0; });
        virtualWheel.holdBackAnswers(1);
        DirectDevice<UsbDeviceTarnWheelBase> wheel(virtualWheel);
        QVERIFY(wheel.isOpen());
        int joystickUpdates = 0;
        QObject::connect(wheel.get(), &UsbDeviceTarnWheelBase::onJoystickUpdate,
                         [&] { ++joystickUpdates; });
        QSignalSpy loaded(wheel.get(), &UsbDeviceTarnWheelBase::onSettingsLoaded);

        wheel->loadSettings();
        QVERIFY(loaded.wait(5000));
        QVERIFY(joystickUpdates > 0);
        // The load's end marker is written just before the signal; let it arrive.
        QCOMPARE(virtualWheel.waitForReceived(6, 5000), size_t(6));
        std::vector<ReceivedReport> writes = virtualWheel.receivedReports();
        QCOMPARE(commandsOf(writes), (std::vector<int>{3, 3, 5, 5, 5, 3}));
        QCOMPARE(writes[1].data, writes[0].data);
    }

    void loadRefusesOtherProtocolVersions_data() {
        QTest::addColumn<int>("version");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("infoCleared");
        const QString older = "Device has an older firmware. Please update the firmware.";
        const QString newer = "Device had a newer firmware. Please update this config tool.";
        QTest::newRow("6") << 6 << older << false;
        QTest::newRow("8") << 8 << newer << false;
        QTest::newRow("1: no device info yet") << 1 << older << true;
    }

    void loadRefusesOtherProtocolVersions() {
        QFETCH(int, version);
        QFETCH(QString, message);
        QFETCH(bool, infoCleared);
        VirtualWheelBase virtualWheel;
        virtualWheel.script([&](WheelBaseModel& m) { m.protocolVersion = uint8_t(version); });
        virtualWheel.wheel->loadSettings();
        QVERIFY(virtualWheel.failed.wait(5000));
        QCOMPARE(virtualWheel.failed[0][1].toString(), message);
        QVERIFY(virtualWheel.settled());
        QCOMPARE(commandsOf(virtualWheel.device.receivedReports()), std::vector<int>{3});
        QVERIFY(virtualWheel.loaded.isEmpty());
        QCOMPARE(virtualWheel.wheel->hardwareMajor(), infoCleared ? 0 : 4);
        QCOMPARE(int(virtualWheel.wheel->profileCount), infoCleared ? 0 : 3);
    }

    void loadWalksListsOfEverySize_data() {
        QTest::addColumn<int>("count");
        QTest::addColumn<std::vector<int>>("commands");
        QTest::newRow("one profile") << 1 << std::vector<int>{3, 5, 3};
        QTest::newRow("no profile: ends at once") << 0 << std::vector<int>{3, 3};
        QTest::newRow("three") << 3 << std::vector<int>{3, 5, 5, 5, 3};
        QTest::newRow("a full table") << 100 << [] {
            std::vector<int> walk{3};
            walk.insert(walk.end(), 100, 5);
            walk.push_back(3);
            return walk;
        }();
    }

    void loadWalksListsOfEverySize() {
        QFETCH(int, count);
        QFETCH(std::vector<int>, commands);
        VirtualWheelBase virtualWheel;
        virtualWheel.script([&](WheelBaseModel& m) { m.setProfileCount(size_t(count)); });
        virtualWheel.wheel->loadSettings();
        QVERIFY(virtualWheel.loaded.wait(5000));
        QVERIFY(virtualWheel.settled());
        QCOMPARE(virtualWheel.loaded.count(), 1);
        std::vector<ReceivedReport> writes = virtualWheel.device.receivedReports();
        QCOMPARE(commandsOf(writes), commands);
        for (size_t i = 1; i + 1 < writes.size(); ++i)
            QCOMPARE(int(writes[i].data[3]), int(i - 1)); // records read in order
        QCOMPARE(writes.back().data[58], uint8_t(0xFF));
        QCOMPARE(int(virtualWheel.wheel->profileCount), count);
    }

    void loadRefusesMoreProfilesThanTheTableHolds() {
        VirtualWheelBase virtualWheel;
        virtualWheel.script([](WheelBaseModel& m) { m.setProfileCount(101); });
        virtualWheel.wheel->loadSettings();
        QVERIFY(virtualWheel.failed.wait(5000));
        QVERIFY(virtualWheel.settled());
        QCOMPARE(commandsOf(virtualWheel.device.receivedReports()), std::vector<int>{3});
        QVERIFY(virtualWheel.loaded.isEmpty());
    }

    void recordAnswersOutsideTheTableAreIgnored() {
        VirtualWheelBase virtualWheel;
        virtualWheel.wheel->loadSettings();
        QVERIFY(virtualWheel.loaded.wait(5000));
        QVERIFY(virtualWheel.settled());
        UsbDeviceTarnWheelBase& wheel = *virtualWheel.wheel.get();
        const QByteArray before(reinterpret_cast<const char*>(&wheel.profiles),
                                sizeof wheel.profiles);
        const size_t writes = virtualWheel.device.receivedReports().size();

        for (uint8_t index : {uint8_t(100), uint8_t(127), uint8_t(0x80), uint8_t(0xFF)}) {
            std::vector<uint8_t> stray = responseReport(kCmdReadProfile, 7);
            stray[3] = index;
            std::fill(stray.begin() + 4, stray.end(), uint8_t(0x5A));
            virtualWheel.device.injectReport(stray);
        }
        // Reports arrive in order: once this one is through, so are the stray ones.
        int telemetry = 0;
        QObject::connect(&wheel, &UsbDeviceTarnWheelBase::onDebugOutput, [&] { ++telemetry; });
        virtualWheel.device.injectReport(responseReport(kCmdTelemetry, 7));
        QTRY_COMPARE_WITH_TIMEOUT(telemetry, 1, 5000);

        QCOMPARE(QByteArray(reinterpret_cast<const char*>(&wheel.profiles), sizeof wheel.profiles),
                 before);
        QCOMPARE(wheel.profileCount, uint8_t(3));
        QCOMPARE(virtualWheel.loaded.count(), 1);
        QCOMPARE(virtualWheel.device.receivedReports().size(), writes);
    }
};

QTEST_GUILESS_MAIN(TestRetry)
#include "tst_retry.moc"
