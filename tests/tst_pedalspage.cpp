// The pedals page through the window against virtual pedals: the loaded profile, the edits, live
// view and log it wires, the calibration wizard walked with the pedals on other inputs, and the
// pedals' own exchanges (a refused load, the slow calibration-start resend, the burst debounce).

#include "pedals/pedalslogrows.h"
#include "pedals/pedalspage.h"
#include "tests/support/devicepagerig.h"
#include "tests/support/dialogscript.h"

#include <QDateTime>
#include <QDoubleSpinBox>
#include <QProgressBar>
#include <QSlider>
#include <QtTest>

namespace {

// Qt's coarse timers may fire up to 5% early.
constexpr qint64 kEarlyMs = 50;
using Pedal = PedalsModel::Pedal;

// The pedals are the third page of the settings stack.
struct Rig : PageRig<PedalsModel, UsbDeviceTarnPedals, 2> {
    using PageRig::PageRig;

    // Holds `pedal` pressed or released, waits until the wizard holds the reading it gives and
    // clicks Next.
    bool step(Pedal pedal, bool pressed) {
        const uint32_t raw = model([&](PedalsModel& m) {
            m.press(pedal, pressed ? 65535 : 0);
            const size_t input = size_t(m.wiring[size_t(pedal)]);
            return pressed ? m.pressedRaw[input] : m.restRaw[input];
        });
        const PedalsPage* page = window->findChild<PedalsPage*>();
        const bool held =
            QTest::qWaitFor([&] { return page->pedalsCalibrationValue == raw; }, kPageTimeoutMs);
        click("pedalsCalibrationNextStepButton");
        return held;
    }
};

std::vector<int> curveOf(const uint8_t (&curve)[6]) {
    return {curve, curve + 6};
}

} // namespace

class TestPedalsPage : public QObject {
    Q_OBJECT

private slots:
    // The load shows the active profile without writing it back: a curve point above 100 and a
    // force maximum below the box's 1.0 % are shown clamped and stay as they are in the record.
    // The bars, the Debug tab and a log show the live report. The edits then go out with one live
    // update.
    void showsEditsAndSendsTheActiveProfile() {
        WorkingDirectory working;
        Rig rig([](PedalsModel& model) {
            model.activeProfile = 1;
            model.profiles[1].brakeCurve[5] = 150;
            model.profiles[1].throttleMaxForceAdjustment = 0;
            std::memset(model.profiles[1].clutchCurve, 0, 6);
        });
        QVERIFY(rig.load());
        QCOMPARE(commandsOf(rig.device.receivedReports()), std::vector<int>({3, 10, 5, 5, 5, 3}));
        QCOMPARE(rig.shown("slider_brakeValue_3 slider_brake_5"), QString("38%|100"));
        auto* throttleMax = rig.widget<QDoubleSpinBox>("spinBox_throttleMaxForceAdjustment");
        QCOMPARE(throttleMax->value(), 1.0);
        emit throttleMax->editingFinished();
        QVERIFY(!receivesMoreThan(rig.device, rig.device.receivedReports().size(), kFastQuietMs));

        rig.click("pushButton_LoggingPedals");
        rig.inject(TarnUsbPedalsJoystickUpdate{
            1000, 32767, 65535, {4242, 8388608, 8388608 + 1073725, 8388608, 1, 0, 1}});
        QTRY_COMPARE(rig.text("labelTicksDebug"), QString("Ticks: 4242"));
        rig.click("pushButton_LoggingPedals");
        QCOMPARE(rig.shown("pedalThrottle labelBrakeValue labelClutchDebug labelYRawDebug "
                           "labelYConnected"),
                 QString("65535|50.0%|Clutch: 1000 (1.5%)|Y raw: 1073725 (50.0%)|"
                         "Y connected: False"));
        const QList<QByteArray> lines = working.lines("pedals-log-");
        QCOMPARE(lines.size(), 2);
        QCOMPARE(lines[0] + '\n', pedalsLogHeader());
        QVERIFY(lines[1].endsWith(",1000,32767,65535,8388608,9462333,8388608\r"));

        rig.widget<QSlider>("slider_brake_2")->setValue(50);
        QCOMPARE(rig.text("slider_brakeValue_2"), QString("38%"));
        rig.click("pushButton_clutchToDefault");
        QCOMPARE(rig.widget<QSlider>("slider_clutch_3")->value(), 60);
        auto* brakeMin = rig.widget<QDoubleSpinBox>("spinBox_brakeMinForceAdjustment");
        brakeMin->setValue(99.995);
        emit brakeMin->editingFinished();
        QCOMPARE(brakeMin->value(), 0.0);
        auto* brakeMax = rig.widget<QDoubleSpinBox>("spinBox_brakeMaxForceAdjustment");
        brakeMax->setValue(1.0);
        emit brakeMax->editingFinished();
        QVERIFY(rig.liveUpdateSent());
        const TarnUsbPedalsProfileV2 sent = rig.sentProfile(1);
        QCOMPARE(curveOf(sent.brakeCurve), std::vector<int>({0, 8, 38, 38, 64, 150}));
        QCOMPARE(curveOf(sent.clutchCurve), std::vector<int>({0, 20, 40, 60, 80, 100}));
        QCOMPARE(int(sent.throttleMaxForceAdjustment), 0);
        QCOMPARE(int(sent.brakeMinForceAdjustment), 0);
        QCOMPARE(int(sent.brakeMaxForceAdjustment), 655);
    }

    // A whole calibration with the throttle on X, the brake on Z and no clutch (Y has no
    // sensor): each pedal is found on its input, and command 11 stores their pressed and
    // released readings, the clutch on "none". On the way a release that did not move the pedal
    // and a press of a pedal already calibrated are refused with a box, and the step stays. A
    // second run is cancelled.
    void calibrationWalk() {
        Rig rig(
            [](PedalsModel& model) {
                model.wiring = {PedalsModel::kNotWired, 2, 0};
                model.sensorConnected = {true, false, true};
                model.release(PedalsModel::kClutch);
            },
            200);
        QVERIFY(rig.load());
        auto* start = rig.widget<QPushButton>("pedalsCalibrationButton");
        auto* next = rig.widget<QPushButton>("pedalsCalibrationNextStepButton");
        const PedalsCalibration& wizard = rig.selected()->calibrationWizard;
        rig.device.clearReceivedReports();
        rig.device.scriptAnswers(kCmdStartCalibration, {{AnswerFate::Lost, 0}});
        rig.device.scriptAnswers(kCmdSaveCalibration, {{AnswerFate::Lost, 0}});
        start->click();
        QVERIFY(!start->isEnabled());
        QCOMPARE(rig.text("pedalsCalibrationTipsLabel"), QString("Starting calibration process"));
        QTRY_VERIFY_WITH_TIMEOUT(next->isEnabled() && wizard.baselineX != 0, kPageTimeoutMs);
        QCOMPARE(start->text(), QString("Cancel calibration"));
        QVERIFY(rig.widget<QProgressBar>("pedalClutch")->isHidden());
        next->click();

        DialogScript dialogs;
        QVERIFY(rig.step(PedalsModel::kThrottle, true));
        dialogs.closeMessageBox();
        QVERIFY(rig.step(PedalsModel::kThrottle, true));
        QVERIFY(rig.step(PedalsModel::kThrottle, false));
        dialogs.closeMessageBox();
        QVERIFY(rig.step(PedalsModel::kThrottle, true));
        QCOMPARE(dialogs.shown.size(), 2);
        QCOMPARE(dialogs.shown[0].text,
                 QString("Min and Max values are the same. Have you pressed a pedal?"));
        QCOMPARE(dialogs.shown[1].title, QString("Wrong channel"));
        rig.model([](PedalsModel& model) { model.release(PedalsModel::kThrottle); });
        QVERIFY(rig.step(PedalsModel::kBrake, true));
        QVERIFY(rig.step(PedalsModel::kBrake, false));
        QCOMPARE(next->text(), QString("Save calibration"));
        QCOMPARE(rig.text("pedalsCalibrationTipsLabel"),
                 QString("Press save to store the new calibration settings."));
        rig.click("pedalsCalibrationPrevStepButton");
        QCOMPARE(next->text(), QString("Next step"));
        next->click();
        next->click();
        QCOMPARE(rig.text("pedalsCalibrationTipsLabel"), QString("Saving calibration."));
        // The record is the calibration from the moment it is sent, acknowledged or not.
        QCOMPARE(bytesOf(rig.selected()->calibration), bytesOf(wizard.record));
        QTRY_VERIFY_WITH_TIMEOUT(start->isEnabled(), kPageTimeoutMs);
        QVERIFY(waitUntilQuiet(rig.device, kFastQuietMs));
        const std::vector<ReceivedReport> sent = rig.device.receivedReports();
        QCOMPARE(commandsOf(sent), std::vector<int>({14, 14, 15, 11, 11, 15}));
        // Until the pedals acknowledge the start it is resent every second (well past the usual
        // resend, 150 ms here; the first request may be logged late on a loaded machine); the
        // lost save answer is resent at the usual interval again.
        QVERIFY2(sent[1].timeMicros - sent[0].timeMicros > 600000, "start resent too early");
        QVERIFY2((sent[4].timeMicros - sent[3].timeMicros) / 1000 <
                     UsbDeviceTarnPedals::kCalibrationStartRetryMs,
                 "save resent too late");
        QCOMPARE(start->text(), QString("Start calibration"));
        QVERIFY(!next->isEnabled() && !rig.widget<QProgressBar>("pedalClutch")->isHidden());
        // What the pedals stored: the unwired clutch keeps no readings of this run.
        const PedalsModel d;
        const TarnUsbPedalsCalibrationV2 expected{
            0, d.pressedRaw[2], d.pressedRaw[0], 0, d.restRaw[2], d.restRaw[0], 0xFF, 2, 0};
        const TarnUsbPedalsCalibrationV2 stored =
            rig.model([](const PedalsModel& model) { return model.calibration; });
        QCOMPARE(bytesOf(stored), bytesOf(expected));

        rig.device.clearReceivedReports();
        start->click();
        QTRY_VERIFY_WITH_TIMEOUT(next->isEnabled(), kPageTimeoutMs);
        start->click();
        QVERIFY(!wizard.running && !next->isEnabled());
        QCOMPARE(rig.text("pedalsCalibrationTipsLabel"), QString(" "));
        QVERIFY(waitUntilQuiet(rig.device, kFastQuietMs));
        QCOMPARE(commandsOf(rig.device.receivedReports()), std::vector<int>({14, 15}));
    }

    // Older firmware ends the load at its first answer, before the calibration is read.
    void refusedLoadReadsNoCalibration() {
        DialogScript dialogs;
        dialogs.closeMessageBox();
        Rig rig([](PedalsModel& model) { model.protocolVersion = 3; });
        QTRY_VERIFY_WITH_TIMEOUT(dialogs.done(), kPageTimeoutMs);
        QVERIFY(waitUntilQuiet(rig.device, kFastQuietMs));
        QCOMPARE(commandsOf(rig.device.receivedReports()), std::vector<int>({3}));
    }

    // With the real intervals a burst of edits goes out once, one debounce after its first
    // edit: later edits do not push the update back, and travel with it.
    void burstIsSentAfterItsFirstEdit() {
        Rig rig;
        QVERIFY(rig.load());
        UsbDeviceTarnPedals& pedals = *rig.selected();
        pedals.applyTimings(UsbTimings());
        rig.device.clearReceivedReports();
        const qint64 firstEditMs = QDateTime::currentMSecsSinceEpoch();
        pedals.updateSettings();
        QTRY_VERIFY(QDateTime::currentMSecsSinceEpoch() - firstEditMs >= 60);
        const qint64 gapMs = QDateTime::currentMSecsSinceEpoch() - firstEditMs;
        pedals.activeProfile().brakeCurve[2] = 33;
        pedals.updateSettings();
        // A restart would leave about 250 ms; the coarse timer may round its deadline by 5%.
        QVERIFY(pedals.updateTimer.remainingTime() <= 250 - gapMs + 13);
        QVERIFY(rig.liveUpdateSent());
        const std::vector<ReceivedReport> sent = rig.device.receivedReports();
        QVERIFY(qint64(sent[0].timeMicros / 1000) - firstEditMs >= 250 - kEarlyMs);
        QCOMPARE(commandsOf(sent), std::vector<int>({12, 13, 13, 13, 12}));
        QCOMPARE(int(rig.sentProfile(0).brakeCurve[2]), 33);
    }
};

QTEST_MAIN(TestPedalsPage)
#include "tst_pedalspage.moc"
