// The request discipline every device class shares, through the wheel base: an awaited request
// is resent every retry interval until its own answer arrives, and an unawaited write that fails
// is resent until it is written. Only resendsEveryRetryInterval runs with the real 600 ms; the
// others resend at the tests' fast interval and check what is resent, not when.

#include "tests/support/fakehiddevice.h"
#include "tests/support/reports.h"
#include "tests/support/testtimings.h"
#include "wheelbase/usbdevicetarnwheelbase.h"

#include <QTest>

#include <chrono>

namespace {

struct FakeWheelBase {
    explicit FakeWheelBase(const UsbTimings& timings = fastTimings()) {
        device.applyTimings(timings);
    }

    std::shared_ptr<FakeHidDevice::Log> log = std::make_shared<FakeHidDevice::Log>();
    UsbDeviceTarnWheelBase device{QStringLiteral("fake"), std::make_unique<FakeHidDevice>(log)};
    const std::vector<FakeHidDevice::Write>& writes() const { return log->writes; }

    bool waitForWrites(size_t count) {
        return QTest::qWaitFor([&] { return log->writes.size() >= count; }, 5000);
    }
    // Whether another write follows within two resend intervals.
    bool writesAgain() {
        const size_t now = log->writes.size();
        return QTest::qWaitFor([&] { return log->writes.size() > now; }, kFastQuietMs);
    }
    void deliver(std::vector<uint8_t> bytes) {
        TarnUsbReport report{};
        std::copy(bytes.begin(), bytes.end(), report.data);
        device.handleReport(&report, 0);
    }
};

} // namespace

class TestRetry : public QObject {
    Q_OBJECT

private slots:
    // A single-shot QTimer may fire a little early (coarse timers up to 5 %), and a loaded
    // machine may deliver it late.
    void resendsEveryRetryInterval() {
        FakeWheelBase wheel{UsbTimings()};
        wheel.device.loadSettings();
        QVERIFY(wheel.waitForWrites(3));
        for (size_t i = 1; i < 3; ++i) {
            const auto gap = std::chrono::duration_cast<std::chrono::milliseconds>(
                                 wheel.writes()[i].time - wheel.writes()[i - 1].time)
                                 .count();
            QVERIFY2(gap >= 560 && gap <= 1100, qPrintable(QStringLiteral("%1 ms").arg(gap)));
        }
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
        for (const FakeHidDevice::Write& write : wheel.writes())
            QCOMPARE(write.data, wheel.writes()[0].data);

        wheel.deliver(responseReport(kCmdLoadSettings, 7)); // no profiles: the end marker follows
        QVERIFY(!wheel.writesAgain());
    }

    // Nothing answers a reset or a test command: a failed write is resent until it is written,
    // a written one is not sent again.
    void unawaitedWritesAreResentOnlyUntilWritten() {
        FakeWheelBase wheel;
        wheel.log->writesToFail = 1;
        wheel.device.resetToFactoryDefaults();
        QVERIFY(wheel.waitForWrites(2));
        QVERIFY(wheel.writes()[0].failed && !wheel.writes()[1].failed);
        QCOMPARE(wheel.writes()[1].data, wheel.writes()[0].data);
        wheel.device.sendTestForceCommand(0.25f);
        QCOMPARE(wheel.writes().size(), size_t(3));
        QVERIFY(!wheel.writesAgain());
    }

    // One timer for both: only the second request is resent.
    void retryResendsTheLatestOfTwoRequests() {
        FakeWheelBase wheel;
        wheel.device.loadSettings();
        wheel.device.profileCount = 1;
        wheel.device.saveSettings();
        QVERIFY(wheel.waitForWrites(4));
        QCOMPARE(wheel.writes()[0].data[1], uint8_t(kCmdLoadSettings));
        QCOMPARE(wheel.writes()[1].data[1], uint8_t(kCmdSaveSettings));
        QCOMPARE(wheel.writes()[2].data, wheel.writes()[1].data);
        QCOMPARE(wheel.writes()[3].data, wheel.writes()[1].data);
    }
};

QTEST_GUILESS_MAIN(TestRetry)
#include "tst_retry.moc"
