// The pedals page against virtual pedals: what it shows after a load, what its curve sliders,
// reset buttons and force boxes store and send, the live bars and telemetry, and the
// calibration wizard walked through with the pedals wired to their inputs in any order.

#include "app/tarn_wheel_tool.h"
#include "pedals/pedalspage.h"
#include "tests/support/dialogscript.h"
#include "tests/support/reports.h"
#include "tests/support/testtimings.h"
#include "tests/support/virtualbus.h"
#include "tests/support/waiting.h"
#include "tests/support/windowlookup.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QStackedWidget>
#include <QtTest>

#include <cstring>
#include <functional>
#include <memory>

namespace {

constexpr int kTimeoutMs = 10000;
using Pedal = PedalsModel::Pedal;

// A window on a private bus with one set of virtual pedals, loaded.
struct Rig {
    using Setup = std::function<void(PedalsModel&)>;

    explicit Rig(const Setup& setup = nullptr, int reportsPerSecond = 0)
        : pedals(bus.addPedals("pedals", false)) {
        pedals.setJoystickRate(reportsPerSecond);
        if (setup)
            pedals.withModel<PedalsModel>(setup);
        pedals.plug();
        window = std::make_unique<TARN_wheel_tool>(nullptr, fastTimings());
        window->show();
    }

    bool load() {
        return QTest::qWaitFor(
                   [&] {
                       return widget<QStackedWidget>("settingsStackedWidget")->currentIndex() ==
                                  2 &&
                              widget<QPushButton>("pushButton_SaveConfig")->isEnabled();
                   },
                   kTimeoutMs) &&
               waitUntilQuiet(pedals, kFastQuietMs);
    }

    template <class T> T* widget(const char* name) const { return windowWidget<T>(*window, name); }
    QString text(const char* name) const { return widget<QLabel>(name)->text(); }
    PedalsPage* page() const { return window->findChild<PedalsPage*>(); }
    UsbDeviceTarnPedals* device() const {
        return qobject_cast<UsbDeviceTarnPedals*>(window->selectedDevice());
    }
    void click(const char* button) { widget<QPushButton>(button)->click(); }
    void press(Pedal pedal, uint16_t travel = 65535) {
        pedals.withModel<PedalsModel>([&](PedalsModel& model) { model.press(pedal, travel); });
    }
    uint32_t raw(int input, bool pressed) {
        return pedals.withModel<PedalsModel>([&](PedalsModel& model) {
            return pressed ? model.pressedRaw[size_t(input)] : model.restRaw[size_t(input)];
        });
    }
    // Waits until the wizard holds `reading`, taken from the live reports.
    bool waitForReading(uint32_t reading) {
        return QTest::qWaitFor([&] { return page()->pedalsCalibrationValue == reading; },
                               kTimeoutMs);
    }
    // Waits until the wizard has taken its baselines from a live report (they are 0 before).
    bool waitForBaselines() {
        return QTest::qWaitFor([&] { return device()->calibrationWizard.baselineX != 0; },
                               kTimeoutMs);
    }
    // The live updates that reached the pedals: their start requests.
    std::vector<ReceivedReport> liveUpdateStarts() const {
        std::vector<ReceivedReport> starts;
        for (const ReceivedReport& report : withCommand(pedals.receivedReports(), 12)) {
            if (report.data[26] != 0xFF)
                starts.push_back(report);
        }
        return starts;
    }
    // The record of profile `index` in the last live update.
    TarnUsbPedalsProfileV2 sentProfile(int index) const {
        TarnUsbPedalsProfileV2 profile{};
        for (const ReceivedReport& report : withCommand(pedals.receivedReports(), 13)) {
            if (report.data[3] == index)
                std::memcpy(&profile, report.data.data() + 3, sizeof profile);
        }
        return profile;
    }
    bool liveUpdateEnded() const {
        for (const ReceivedReport& report : withCommand(pedals.receivedReports(), 12)) {
            if (report.data[26] == 0xFF)
                return true;
        }
        return false;
    }

    VirtualBus bus;
    VirtualDevice& pedals;
    std::unique_ptr<TARN_wheel_tool> window;
};

std::vector<int> curveOf(const uint8_t (&curve)[6]) {
    return std::vector<int>(curve, curve + 6);
}

// The calibration record the pedals stored with command 11.
TarnUsbPedalsCalibrationV2 savedCalibration(const VirtualDevice& pedals) {
    TarnUsbPedalsCalibrationV2 saved{};
    for (const ReceivedReport& report : withCommand(pedals.receivedReports(), 11))
        std::memcpy(&saved, report.data.data() + 3, sizeof saved);
    return saved;
}

} // namespace

Q_DECLARE_METATYPE(std::vector<int>)

class TestPedalsPage : public QObject {
    Q_OBJECT

private slots:
    // The load walk and the shown profile. A curve point above 100 and a force maximum below
    // the box's 1.0 % are shown clamped, and stay as they are in the record: losing the focus
    // writes nothing, and the next live update carries them unchanged.
    void loadShowsTheActiveProfileWithoutEcho() {
        Rig rig([](PedalsModel& model) {
            model.activeProfile = 1;
            model.profiles[1].brakeCurve[5] = 150;
            model.profiles[1].throttleMaxForceAdjustment = 0;
            model.profiles[1].throttleMinForceAdjustment = 0;
        });
        QVERIFY(rig.load());
        QCOMPARE(commandsOf(rig.pedals.receivedReports()), std::vector<int>({3, 10, 5, 5, 5, 3}));
        QCOMPARE(rig.widget<QComboBox>("comboBox_ProfileName")->currentText(),
                 QString("Progressive"));
        QCOMPARE(rig.widget<QComboBox>("comboBox_UsbDevice")->currentText(),
                 QString("TARN Torvane Pedals (SW version: 1.4, HW version: 2.0)"));
        QCOMPARE(rig.widget<QSlider>("slider_brake_3")->value(), 38);
        QCOMPARE(rig.text("slider_brakeValue_3"), QString("38%"));
        QCOMPARE(rig.widget<QSlider>("slider_brake_5")->value(), 100);
        QCOMPARE(rig.widget<QDoubleSpinBox>("spinBox_throttleMaxForceAdjustment")->value(), 1.0);
        QCOMPARE(rig.widget<QDoubleSpinBox>("spinBox_clutchMaxForceAdjustment")->value(), 100.0);
        QCOMPARE(rig.widget<QDoubleSpinBox>("spinBox_clutchMinForceAdjustment")->value(), 0.0);

        emit rig.widget<QDoubleSpinBox>("spinBox_throttleMaxForceAdjustment")->editingFinished();
        QVERIFY(!receivesMoreThan(rig.pedals, rig.pedals.receivedReports().size(), kFastQuietMs));
        rig.widget<QSlider>("slider_clutch_1")->setValue(25);
        QTRY_VERIFY_WITH_TIMEOUT(rig.liveUpdateEnded(), kTimeoutMs);
        const TarnUsbPedalsProfileV2 sent = rig.sentProfile(1);
        QCOMPARE(int(sent.brakeCurve[5]), 150);
        QCOMPARE(int(sent.throttleMaxForceAdjustment), 0);
        QCOMPARE(int(sent.clutchCurve[1]), 25);
    }

    // A curve point is held between its neighbours; the reset button brings back the straight
    // curve from below it.
    void curveSlidersAndReset() {
        Rig rig([](PedalsModel& model) { std::memset(model.profiles[0].clutchCurve, 0, 6); });
        QVERIFY(rig.load());
        QSlider* brake2 = rig.widget<QSlider>("slider_brake_2");
        brake2->setValue(70);
        QCOMPARE(brake2->value(), 60);
        QCOMPARE(rig.text("slider_brakeValue_2"), QString("60%"));
        brake2->setValue(50);
        QCOMPARE(rig.text("slider_brakeValue_2"), QString("50%"));
        rig.click("pushButton_clutchToDefault");
        QCOMPARE(rig.widget<QSlider>("slider_clutch_3")->value(), 60);
        QCOMPARE(rig.text("slider_clutchValue_1"), QString("20%"));

        QTRY_VERIFY_WITH_TIMEOUT(rig.liveUpdateEnded(), kTimeoutMs);
        const TarnUsbPedalsProfileV2 sent = rig.sentProfile(0);
        QCOMPARE(curveOf(sent.brakeCurve), std::vector<int>({0, 20, 50, 60, 80, 100}));
        QCOMPARE(curveOf(sent.clutchCurve), std::vector<int>({0, 20, 40, 60, 80, 100}));
        QCOMPARE(curveOf(rig.device()->activeProfile().clutchCurve),
                 std::vector<int>({0, 20, 40, 60, 80, 100}));
    }

    // A maximum of 0.0 % over a minimum of 0 is refused and the box shows the old maximum;
    // 0.1 % is stored as 65 and sent.
    void forceAdjustments() {
        Rig rig;
        QVERIFY(rig.load());
        QDoubleSpinBox* maximum = rig.widget<QDoubleSpinBox>("spinBox_throttleMaxForceAdjustment");
        QDoubleSpinBox* minimum = rig.widget<QDoubleSpinBox>("spinBox_throttleMinForceAdjustment");
        minimum->setValue(99.995);
        emit minimum->editingFinished();
        QCOMPARE(minimum->value(), 0.0);

        maximum->setMinimum(0.0); // the box itself stops at 1.0 %
        maximum->setValue(0.0);
        emit maximum->editingFinished();
        QCOMPARE(maximum->value(), 100.0);
        QCOMPARE(int(rig.device()->activeProfile().throttleMaxForceAdjustment), 65535);
        maximum->setValue(0.1);
        emit maximum->editingFinished();
        QCOMPARE(int(rig.device()->activeProfile().throttleMaxForceAdjustment), 65);
        QTRY_VERIFY_WITH_TIMEOUT(rig.liveUpdateEnded(), kTimeoutMs);
        QCOMPARE(int(rig.sentProfile(0).throttleMaxForceAdjustment), 65);
    }

    // The selected profile reaches the pedals with exactly one live update.
    void selectingAProfileSendsOneLiveUpdate() {
        Rig rig;
        QVERIFY(rig.load());
        rig.pedals.clearReceivedReports();
        emit rig.widget<QComboBox>("comboBox_ProfileName")->activated(2);
        QTRY_VERIFY_WITH_TIMEOUT(rig.liveUpdateEnded(), kTimeoutMs);
        QVERIFY(waitUntilQuiet(rig.pedals, kFastQuietMs));
        QCOMPARE(commandsOf(rig.pedals.receivedReports()), std::vector<int>({12, 13, 13, 13, 12}));
        QCOMPARE(int(rig.liveUpdateStarts()[0].data[27]), 2);
        QCOMPARE(rig.widget<QSlider>("slider_brake_1")->value(), 20);
        QCOMPARE(rig.widget<QDoubleSpinBox>("spinBox_brakeMaxForceAdjustment")->value(), 80.0);
    }

    void liveBarsAndTelemetry() {
        Rig rig;
        QVERIFY(rig.load());
        std::vector<uint8_t> report = joystickReport();
        TarnUsbPedalsJoystickUpdate update{
            1000, 32767, 65535, {4242, 8388608, 8388608 + 1073725, 8388608 - 214745, 1, 0, 1}};
        std::memcpy(report.data() + 1, &update, sizeof update);
        rig.pedals.injectReport(report);
        QTRY_COMPARE_WITH_TIMEOUT(rig.text("labelTicksDebug"), QString("Ticks: 4242"), kTimeoutMs);
        QCOMPARE(rig.widget<QProgressBar>("pedalBrake")->value(), 32767);
        QCOMPARE(rig.widget<QProgressBar>("pedalThrottle")->value(), 65535);
        QCOMPARE(rig.text("labelClutchValue"), QString("1.5%"));
        QCOMPARE(rig.text("labelBrakeValue"), QString("50.0%"));
        QCOMPARE(rig.text("labelThrottleDebug"), QString("Throttle: 65535 (100.0%)"));
        QCOMPARE(rig.text("labelXRawDebug"), QString("X raw: 0 (0.0%)"));
        QCOMPARE(rig.text("labelYRawDebug"), QString("Y raw: 1073725 (50.0%)"));
        QCOMPARE(rig.text("labelZRawDebug"), QString("Z raw: -214745 (-10.0%)"));
        QCOMPARE(rig.text("labelYConnected"), QString("Y connected: False"));
        QCOMPARE(rig.text("labelZConnected"), QString("Z connected: True"));
    }

    // A whole calibration with the pedals wired in the given order: each pedal is found on its
    // input, and the record sent with command 11 carries the inputs' pressed and released
    // readings. A pedal without an input keeps the channel "none".
    void calibrationFindsTheWiring_data() {
        QTest::addColumn<std::vector<int>>("wiring"); // input of clutch, brake, throttle
        QTest::addColumn<std::vector<int>>("connected");
        QTest::addColumn<int>("lastStep");
        QTest::newRow("shuffled") << std::vector<int>{2, 0, 1} << std::vector<int>{1, 1, 1} << 6;
        QTest::newRow("two inputs, no clutch")
            << std::vector<int>{PedalsModel::kNotWired, 2, 0} << std::vector<int>{1, 0, 1} << 4;
    }
    void calibrationFindsTheWiring() {
        QFETCH(std::vector<int>, wiring);
        QFETCH(std::vector<int>, connected);
        QFETCH(int, lastStep);
        Rig rig(
            [&](PedalsModel& model) {
                for (size_t i = 0; i < 3; ++i) {
                    model.wiring[i] = wiring[i];
                    model.sensorConnected[i] = connected[i] != 0;
                }
            },
            200);
        QVERIFY(rig.load());
        rig.press(PedalsModel::kClutch, 0);
        rig.pedals.clearReceivedReports();
        rig.click("pedalsCalibrationButton");
        QVERIFY(!rig.widget<QPushButton>("pedalsCalibrationButton")->isEnabled());
        QCOMPARE(rig.text("pedalsCalibrationTipsLabel"), QString("Starting calibration process"));
        QTRY_VERIFY_WITH_TIMEOUT(
            rig.widget<QPushButton>("pedalsCalibrationNextStepButton")->isEnabled(), kTimeoutMs);
        QCOMPARE(rig.widget<QPushButton>("pedalsCalibrationButton")->text(),
                 QString("Cancel calibration"));
        QVERIFY(rig.widget<QProgressBar>("pedalClutch")->isHidden());
        QCOMPARE(rig.text("labelBrake"), QString());
        QVERIFY(rig.waitForBaselines());
        rig.click("pedalsCalibrationNextStepButton");

        const Pedal order[] = {PedalsModel::kThrottle, PedalsModel::kBrake, PedalsModel::kClutch};
        for (int walked = 0; walked < lastStep / 2; ++walked) {
            const Pedal pedal = order[walked];
            const int input = wiring[size_t(pedal)];
            rig.press(pedal);
            QVERIFY(rig.waitForReading(rig.raw(input, true)));
            rig.click("pedalsCalibrationNextStepButton");
            rig.press(pedal, 0);
            QVERIFY(rig.waitForReading(rig.raw(input, false)));
            rig.click("pedalsCalibrationNextStepButton");
        }
        QCOMPARE(rig.widget<QPushButton>("pedalsCalibrationNextStepButton")->text(),
                 QString("Save calibration"));
        QCOMPARE(rig.text("pedalsCalibrationTipsLabel"),
                 QString("Press save to store the new calibration settings."));
        rig.click("pedalsCalibrationPrevStepButton");
        QCOMPARE(rig.device()->calibrationWizard.step, PedalsCalibrationStep(lastStep));
        QCOMPARE(rig.widget<QPushButton>("pedalsCalibrationNextStepButton")->text(),
                 QString("Next step"));
        rig.click("pedalsCalibrationNextStepButton");
        rig.click("pedalsCalibrationNextStepButton");

        QCOMPARE(rig.text("pedalsCalibrationTipsLabel"), QString("Saving calibration."));
        QTRY_VERIFY_WITH_TIMEOUT(rig.widget<QPushButton>("pedalsCalibrationButton")->isEnabled(),
                                 kTimeoutMs);
        QVERIFY(waitUntilQuiet(rig.pedals, kFastQuietMs));
        QCOMPARE(commandsOf(rig.pedals.receivedReports()), std::vector<int>({14, 15, 11, 15}));
        QCOMPARE(rig.widget<QPushButton>("pedalsCalibrationButton")->text(),
                 QString("Start calibration"));
        QVERIFY(!rig.widget<QPushButton>("pedalsCalibrationNextStepButton")->isEnabled());
        QVERIFY(!rig.widget<QProgressBar>("pedalClutch")->isHidden());
        QCOMPARE(rig.text("labelBrake"), QString("Brake"));

        const TarnUsbPedalsCalibrationV2 saved = savedCalibration(rig.pedals);
        const uint8_t channels[] = {saved.clutchChannel, saved.brakeChannel, saved.throttleChannel};
        const uint32_t maxima[] = {saved.clutchMax, saved.brakeMax, saved.throttleMax};
        const uint32_t minima[] = {saved.clutchMin, saved.brakeMin, saved.throttleMin};
        for (const Pedal pedal : order) {
            const int input = wiring[size_t(pedal)];
            if (input == PedalsModel::kNotWired) {
                QCOMPARE(channels[pedal], kPedalsNoChannel);
                continue;
            }
            QCOMPARE(int(channels[pedal]), input);
            QCOMPARE(maxima[pedal], rig.raw(input, true));
            QCOMPARE(minima[pedal], rig.raw(input, false));
        }
        QCOMPARE(std::memcmp(&rig.device()->calibration, &saved, sizeof saved), 0);
    }

    // A release that did not move the pedal, and a press of a pedal already calibrated, are
    // refused with their boxes and the step stays; Cancel returns to the idle look and ends the
    // calibration on the pedals.
    void refusalsAndCancel() {
        Rig rig(nullptr, 200);
        QVERIFY(rig.load());
        rig.press(PedalsModel::kClutch, 0);
        rig.click("pedalsCalibrationButton");
        QTRY_VERIFY_WITH_TIMEOUT(
            rig.widget<QPushButton>("pedalsCalibrationNextStepButton")->isEnabled(), kTimeoutMs);
        QVERIFY(rig.waitForBaselines());
        rig.click("pedalsCalibrationNextStepButton");
        QVERIFY(rig.widget<QPushButton>("pedalsCalibrationPrevStepButton")->isEnabled());

        rig.press(PedalsModel::kThrottle);
        QVERIFY(rig.waitForReading(rig.raw(2, true)));
        rig.click("pedalsCalibrationNextStepButton");
        DialogScript dialogs;
        dialogs.closeMessageBox();
        rig.click("pedalsCalibrationNextStepButton");
        QCOMPARE(dialogs.shown.size(), 1);
        QCOMPARE(dialogs.shown[0].title, QString("Wrong value"));
        QCOMPARE(dialogs.shown[0].text,
                 QString("Min and Max values are the same. Have you pressed a pedal?"));
        QCOMPARE(rig.device()->calibrationWizard.step, kPedalsReleaseThrottle);

        rig.press(PedalsModel::kThrottle, 0);
        QVERIFY(rig.waitForReading(rig.raw(2, false)));
        rig.click("pedalsCalibrationNextStepButton");
        rig.press(PedalsModel::kThrottle);
        QVERIFY(rig.waitForReading(rig.raw(2, true)));
        dialogs.closeMessageBox();
        rig.click("pedalsCalibrationNextStepButton");
        QCOMPARE(dialogs.shown.size(), 2);
        QCOMPARE(dialogs.shown[1].title, QString("Wrong channel"));
        QCOMPARE(dialogs.shown[1].text,
                 QString("This pedal is already in use. Please, choose another one."));
        QCOMPARE(rig.device()->calibrationWizard.step, kPedalsPressBrake);

        rig.pedals.clearReceivedReports();
        rig.click("pedalsCalibrationButton");
        QVERIFY(!rig.device()->calibrationWizard.running);
        QCOMPARE(rig.text("pedalsCalibrationTipsLabel"), QString(" "));
        QVERIFY(!rig.widget<QPushButton>("pedalsCalibrationPrevStepButton")->isEnabled());
        QVERIFY(!rig.widget<QProgressBar>("pedalThrottle")->isHidden());
        QVERIFY(waitForWrites(rig.pedals, 1));
        QCOMPARE(commandsOf(rig.pedals.receivedReports()), std::vector<int>({15}));
    }
};

QTEST_MAIN(TestPedalsPage)
#include "tst_pedalspage.moc"
