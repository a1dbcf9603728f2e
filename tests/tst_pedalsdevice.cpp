// The pedals' own exchanges on virtual pedals: a load refused before the calibration is read,
// the calibration start with its longer resend, the calibration save, and the live update sent
// one debounce after the first edit of a burst.

#include "pedals/usbdevicetarnpedals.h"
#include "tests/support/directdevice.h"
#include "tests/support/reports.h"
#include "tests/support/virtualbus.h"
#include "tests/support/waiting.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QtTest>

#include <chrono>
#include <cstring>
#include <thread>

namespace {
constexpr int kTimeoutMs = 10000;
// Qt's coarse timers may fire up to 5% early.
constexpr qint64 kEarlyMs = 50;
} // namespace

class TestPedalsDevice : public QObject {
    Q_OBJECT

private slots:
    // Older firmware, or a list longer than the pedals' 40 profiles: the load ends at its first
    // answer.
    void refusedLoadReadsNoCalibration() {
        for (const auto& [version, count] : {std::pair{3, 3}, {4, 41}}) {
            VirtualBus bus;
            VirtualDevice& virtualPedals = bus.addPedals();
            virtualPedals.withModel<PedalsModel>(
                [version = version, count = count](PedalsModel& model) {
                    model.protocolVersion = uint8_t(version);
                    model.setProfileCount(size_t(count));
                });
            DirectDevice<UsbDeviceTarnPedals> pedals(virtualPedals);
            QSignalSpy failed(pedals.get(), &UsbDeviceTarnPedals::onSettingsLoadFailed);
            pedals->loadSettings();
            QVERIFY(failed.wait(kTimeoutMs));
            QVERIFY(waitUntilQuiet(virtualPedals, kFastQuietMs));
            QCOMPARE(commandsOf(virtualPedals.receivedReports()), std::vector<int>({3}));
        }
    }

    // While the pedals have not acknowledged the calibration start it is resent every second;
    // after the acknowledgement a lost answer is resent at the usual interval again.
    void calibrationStartIsResentEverySecond() {
        VirtualBus bus;
        VirtualDevice& virtualPedals = bus.addPedals();
        DirectDevice<UsbDeviceTarnPedals> pedals(virtualPedals);
        QSignalSpy started(pedals.get(), &UsbDeviceTarnPedals::onCalibrationStarted);
        virtualPedals.scriptAnswers(kCmdStartCalibration, {{AnswerFate::Lost, 0}});
        pedals->startCalibration();
        QVERIFY(started.wait(kTimeoutMs));
        std::vector<ReceivedReport> starts =
            withCommand(virtualPedals.receivedReports(), kCmdStartCalibration);
        QCOMPARE(starts.size(), size_t(2));
        const uint64_t resentAfterMs = (starts[1].timeMicros - starts[0].timeMicros) / 1000;
        // Well past the usual resend (150 ms here); the virtual pedals may log the first request
        // late on a loaded machine.
        QVERIFY2(resentAfterMs > 600, qPrintable(QString::number(resentAfterMs)));

        virtualPedals.clearReceivedReports();
        virtualPedals.scriptAnswers(kCmdLoadCalibration, {{AnswerFate::Lost, 0}});
        QElapsedTimer clock;
        clock.start();
        pedals->loadCalibration();
        QVERIFY(waitForWrites(virtualPedals, 2));
        QVERIFY(clock.elapsed() < UsbDeviceTarnPedals::kCalibrationStartRetryMs);
        QCOMPARE(started.count(), 1);
    }

    // The wizard's record is the calibration from the moment it is sent, acknowledged or not.
    void saveCalibrationSendsTheWizardsRecord() {
        VirtualBus bus;
        VirtualDevice& virtualPedals = bus.addPedals();
        DirectDevice<UsbDeviceTarnPedals> pedals(virtualPedals);
        virtualPedals.scriptAnswers(kCmdSaveCalibration, {{AnswerFate::Lost, 0}});
        const TarnUsbPedalsCalibrationV2 record{1, 2, 3, 4, 5, 6, 2, 0xFF, 1};
        pedals->calibrationWizard.record = record;
        pedals->saveCalibration();
        QVERIFY(waitForWrites(virtualPedals, 1));
        const std::vector<uint8_t> sent = virtualPedals.receivedReports()[0].data;
        QCOMPARE(int(sent[1]), int(kCmdSaveCalibration));
        QCOMPARE(std::memcmp(sent.data() + 3, &record, sizeof record), 0);
        QCOMPARE(std::memcmp(&pedals->calibration, &record, sizeof record), 0);
        QSignalSpy saved(pedals.get(), &UsbDeviceTarnPedals::onCalibrationSave);
        QVERIFY(saved.wait(kTimeoutMs));
    }

    // A burst of edits goes out once, one debounce after its first edit: later edits do not
    // push the update back, and travel with it. Nothing goes out while live updates are off.
    void burstIsSentAfterItsFirstEdit() {
        VirtualBus bus;
        VirtualDevice& virtualPedals = bus.addPedals();
        DirectDevice<UsbDeviceTarnPedals> pedals(virtualPedals);
        pedals->applyTimings(UsbTimings());
        QSignalSpy loaded(pedals.get(), &UsbDeviceTarnPedals::onSettingsLoaded);
        pedals->loadSettings();
        QVERIFY(loaded.wait(kTimeoutMs));
        QVERIFY(waitUntilQuiet(virtualPedals, kFastQuietMs));
        virtualPedals.clearReceivedReports();

        pedals->updateSettings();
        QCOMPARE(virtualPedals.receivedReports().size(), size_t(0));
        pedals->liveUpdatesEnabled = true;
        const qint64 firstEditMs = QDateTime::currentMSecsSinceEpoch();
        pedals->updateSettings();
        // Time passes without the event loop, so the update cannot go out meanwhile.
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        pedals->activeProfile().brakeCurve[2] = 33;
        pedals->updateSettings();
        // A restart would leave about 250 ms; the coarse timer may round its deadline by 5%.
        QVERIFY(pedals->updateTimer.remainingTime() <= 250 - 150 + 25);
        QVERIFY(waitForWrites(virtualPedals, 5));
        QVERIFY(waitUntilQuiet(virtualPedals, kFastQuietMs));
        const std::vector<ReceivedReport> sent = virtualPedals.receivedReports();
        QVERIFY(qint64(sent[0].timeMicros / 1000) - firstEditMs >= 250 - kEarlyMs);
        QCOMPARE(commandsOf(sent), std::vector<int>({12, 13, 13, 13, 12}));
        QCOMPARE(int(sent[1].data[3 + 35 + 2]), 33);
    }
};

QTEST_GUILESS_MAIN(TestPedalsDevice)
#include "tst_pedalsdevice.moc"
