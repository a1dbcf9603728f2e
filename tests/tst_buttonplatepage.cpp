// The button-plate page against a virtual plate: showing the loaded profile, the button grid and
// the live labels, the shifter rule at its edge, the analog mode, the bite point the plate
// reports, switching profiles, the statistics buttons and both hall-sensor wizards.

#include "app/tarn_wheel_tool.h"
#include "tests/support/dialogscript.h"
#include "tests/support/reports.h"
#include "tests/support/testtimings.h"
#include "tests/support/virtualbus.h"
#include "tests/support/waiting.h"
#include "tests/support/windowlookup.h"

#include <QComboBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QtTest>

#include <cstring>
#include <functional>
#include <memory>

namespace {

constexpr int kLoadTimeoutMs = 10000;

// A window on a private bus with one virtual button plate that streams nothing unless told.
struct Rig {
    using Setup = std::function<void(ButtonPlateModel&)>;

    explicit Rig(const Setup& setup = nullptr,
                 ButtonPlateModel::Link link = ButtonPlateModel::Link::Usb)
        : plate(bus.addDevice("buttonplate", std::make_unique<ButtonPlateModel>(link), false)) {
        plate.setJoystickRate(0);
        if (setup)
            plate.withModel<ButtonPlateModel>(setup);
        plate.plug();
        window = std::make_unique<TARN_wheel_tool>(nullptr, fastTimings());
        window->show();
    }

    template <class T> T* widget(const char* name) const { return windowWidget<T>(*window, name); }
    bool isLoaded() const { return buttonPlatePageLoaded(*window); }
    UsbDeviceTarnButtonPlate* device() const { return selectedButtonPlate(*window); }
    TarnUsbBleButtonPlateProfile& active() const { return device()->activeProfile(); }
    QString text(const char* label) const { return widget<QLabel>(label)->text(); }
    void click(const char* button) const {
        QTest::mouseClick(widget<QPushButton>(button), Qt::LeftButton);
    }
    bool loadedAndQuiet() {
        return QTest::qWaitFor([this] { return isLoaded(); }, kLoadTimeoutMs) &&
               waitUntilQuiet(plate, kFastQuietMs);
    }

    // One joystick report; `aux` holds the auxiliary bytes of `auxType`.
    void inject(uint64_t buttons, uint16_t left, uint16_t right, uint8_t auxType,
                const std::vector<uint8_t>& aux = {}) {
        std::vector<uint8_t> report = joystickReport();
        writeLe16(report.data() + 1, left);
        writeLe16(report.data() + 3, right);
        writeLe32(report.data() + 5, uint32_t(buttons));
        writeLe32(report.data() + 9, uint32_t(buttons >> 32));
        report[13] = auxType;
        std::copy(aux.begin(), aux.end(), report.begin() + 14);
        plate.injectReport(report);
    }
    // Raw hall readings: the clutch paddles' (auxType 0) or the shifters' (1).
    void injectRaw(uint8_t auxType, uint16_t left, uint16_t right) {
        inject(0, 0, 0, auxType,
               {uint8_t(left), uint8_t(left >> 8), uint8_t(right), uint8_t(right >> 8)});
    }

    VirtualBus bus;
    VirtualDevice& plate;
    std::unique_ptr<TARN_wheel_tool> window;
};

std::vector<ReceivedReport> liveUpdateStarts(const VirtualDevice& plate) {
    std::vector<ReceivedReport> starts;
    for (const ReceivedReport& report : withCommand(plate.receivedReports(), kCmdLiveUpdate)) {
        if (report.data[26] != kEndMarker)
            starts.push_back(report);
    }
    return starts;
}

bool isLit(const QLabel* label) {
    return label->palette().color(QPalette::Window) == QColor(Qt::red);
}

// The widgets of one wizard, by its paddle pair.
struct WizardWidgets {
    const char* start;
    const char* next;
    const char* prev;
    const char* tips;
    uint8_t auxType;
    uint8_t selector;
    const char* rawLeft;
    const char* rawRight;
};
const WizardWidgets kClutchWizard{"pushButtonCalibrateClutches",
                                  "pushButtonCalibrateClutchesNextStep",
                                  "pushButtonCalibrateClutchesPrevStep",
                                  "labelClutchCalibrationTips",
                                  kAuxClutchRaw,
                                  0,
                                  "labelClutchAxisXRawDebug",
                                  "labelClutchAxisYRawDebug"};
const WizardWidgets kShifterWizard{"pushButtonCalibrateShifters",
                                   "pushButtonCalibrateShiftersNextStep",
                                   "pushButtonCalibrateShiftersPrevStep",
                                   "labelShiftersCalibrationTips",
                                   kAuxShifterRaw,
                                   1,
                                   "labelShifterAxisXRawDebug",
                                   "labelShifterAxisYRawDebug"};

// The Debug tab shows these raw readings of the wizard's paddle pair.
bool rawShown(const Rig& rig, const WizardWidgets& w, uint16_t left, uint16_t right) {
    auto shows = [&rig](const char* label, uint16_t value) {
        return rig.text(label).contains(": " + QString::number(value) + " (");
    };
    return shows(w.rawLeft, left) && shows(w.rawRight, right);
}

} // namespace

class TestButtonPlatePage : public QObject {
    Q_OBJECT

private slots:
    void showsTheLoadedProfile();
    void buttonGrid_data();
    void buttonGrid();
    void liveLabels();
    void shifterRuleAtItsEdge();
    void throttleAndBrakeDisablesTheMasterClutch();
    void reportedBitePointIsNotSentBack();
    void switchingProfileSendsOneLiveUpdate_data();
    void switchingProfileSendsOneLiveUpdate();
    void statisticsReadAndReset();
    void wizardEndToEnd_data();
    void wizardEndToEnd();
    void releasedAbovePressedIsRefused();
    void oneWizardAtATime();
    void bluetoothPlateLoads();
    void logsTheRawClutchReadings();
};

void TestButtonPlatePage::showsTheLoadedProfile() {
    Rig rig([](ButtonPlateModel& model) {
        model.activeProfile = 1;
        TarnUsbBleButtonPlateProfile& p = model.profiles[1];
        p.xTopDeadzone = 4;
        p.xBottomDeadzone = 5;
        p.yTopDeadzone = 6;
        p.yBottomDeadzone = 7;
        p.leftRotarySwitchMode = 2;
        p.rightRotarySwitchMode = 1;
        p.encoderPulseWidth = 7;
        p.clutchBitePoint = 37.3f;
        p.shiftersAttackPoint = 22.5f;
        p.shiftersHysteresis = 40.0f;
        p.ledBrightness = 35;
    });
    QVERIFY(rig.loadedAndQuiet());
    // Showing the profile wrote its own values back: nothing went to the plate.
    QCOMPARE(commandsOf(rig.plate.receivedReports()), (std::vector<int>{3, 5, 5, 5, 3}));
    QCOMPARE(rig.widget<QComboBox>("comboBox_ProfileName")->currentText(),
             QStringLiteral("Formula"));
    QCOMPARE(rig.widget<QSpinBox>("spinBox_xTopDeadzone")->value(), 4);
    QCOMPARE(rig.widget<QSpinBox>("spinBox_xBottomDeadzone")->value(), 5);
    QCOMPARE(rig.widget<QSpinBox>("spinBox_yTopDeadzone")->value(), 6);
    QCOMPARE(rig.widget<QSpinBox>("spinBox_yBottomDeadzone")->value(), 7);
    QCOMPARE(rig.widget<QComboBox>("comboBoxMasterClutch")->currentText(), QStringLiteral("Right"));
    QCOMPARE(rig.widget<QComboBox>("comboBoxLeftRotarySwitchMode")->currentText(),
             QStringLiteral("12 Way Rotary Pulsed"));
    QCOMPARE(rig.widget<QComboBox>("comboBoxEncoderPulseWidth")->currentText(),
             QStringLiteral("210 ms"));
    QCOMPARE(rig.widget<QSlider>("horizontalSliderClutchBitePoint")->value(), 373);
    QCOMPARE(rig.widget<QDoubleSpinBox>("doubleSpinBoxClutchBitePoint")->value(), 37.3);
    QCOMPARE(rig.widget<QSlider>("horizontalSliderShiftersAttackPoint")->value(), 225);
    QCOMPARE(rig.widget<QDoubleSpinBox>("doubleSpinBoxShiftersHysteresis")->value(), 40.0);
    QCOMPARE(rig.widget<QSpinBox>("spinBoxLedBrightness")->value(), 35);
    QCOMPARE(rig.text("labelButtonPlateFwBuildInfo"),
             QStringLiteral("Build date: Feb 02 2024, hash: b7e4c21"));
    const TarnUsbBleButtonPlateProfile sent = rig.plate.withModel<ButtonPlateModel>(
        [](ButtonPlateModel& model) { return model.profiles[1]; });
    QCOMPARE(std::memcmp(&rig.device()->profiles[1], &sent, sizeof sent), 0);
    QVERIFY(rig.device()->liveUpdatesEnabled);
}

void TestButtonPlatePage::buttonGrid_data() {
    QTest::addColumn<quint64>("buttons");
    QTest::addColumn<QList<int>>("lit");
    QTest::newRow("bit 0") << quint64(1) << QList<int>{1};
    QTest::newRow("bit 40") << (quint64(1) << 40) << QList<int>{41};
    QTest::newRow("bit 63") << (quint64(1) << 63) << QList<int>{64};
    QTest::newRow("three") << quint64(0x8000010000000002ull) << QList<int>{2, 41, 64};
    QTest::newRow("released") << quint64(0) << QList<int>{};
}

void TestButtonPlatePage::buttonGrid() {
    QFETCH(quint64, buttons);
    QFETCH(QList<int>, lit);
    Rig rig;
    QVERIFY(rig.loadedAndQuiet());
    // Every button pressed first, so that a release shows too.
    rig.inject(~uint64_t(0), 0, 0, 0xFF);
    QTRY_VERIFY(isLit(rig.widget<QLabel>("buttonPlateButton_33")));
    rig.inject(buttons, 0, 0, 0xFF);
    QTRY_COMPARE(rig.text("labelButtonsDebug"),
                 QStringLiteral("Buttons: %1").arg(buttons, 16, 16, QLatin1Char('0')));
    for (int n = 1; n <= 64; ++n) {
        const QByteArray name = "buttonPlateButton_" + QByteArray::number(n);
        QCOMPARE(isLit(rig.widget<QLabel>(name.constData())), lit.contains(n));
    }
}

void TestButtonPlatePage::liveLabels() {
    Rig rig;
    QVERIFY(rig.loadedAndQuiet());
    rig.inject(255, 32768, 65535, kAuxBattery, {255});
    QTRY_COMPARE(rig.text("labelBatteryVoltage"), QStringLiteral("Battery voltage: 2.55"));
    QCOMPARE(rig.text("labelButtonsDebug"), QStringLiteral("Buttons: 00000000000000ff"));
    QCOMPARE(rig.text("labelClutchAxisXDebug"),
             QStringLiteral("Left Clutch (X axis): 32768 (50.0%)"));
    QCOMPARE(rig.text("labelClutchAxisYDebug"),
             QStringLiteral("Right Clutch (Y axis): 65535 (100.0%)"));
    QCOMPARE(rig.widget<QProgressBar>("axisX")->value(), 32768);
    rig.inject(0, 0, 0, kAuxTimestamp, {0x40, 0xE2, 0x01, 0x00});
    QTRY_COMPARE(rig.text("labelTimestamp"), QStringLiteral("Timestamp: 123456"));
    rig.injectRaw(kAuxClutchRaw, 6553, 0);
    QTRY_COMPARE(rig.text("labelClutchAxisXRawDebug"),
                 QStringLiteral("Left clutch raw (X axis): 6553 (10.0%)"));
    rig.injectRaw(kAuxShifterRaw, 0, 65535);
    QTRY_COMPARE(rig.text("labelShifterAxisYRawDebug"),
                 QStringLiteral("Right shifter raw (Y axis): 65535 (100.0%)"));
    // A reload empties the live labels.
    rig.click("pushButton_LoadConfig");
    QVERIFY(rig.loadedAndQuiet());
    QCOMPARE(rig.text("labelBatteryVoltage"), QString());
    QCOMPARE(rig.text("labelShifterAxisYRawDebug"), QString());
}

// The attack point stays strictly above half the hysteresis, from either control.
void TestButtonPlatePage::shifterRuleAtItsEdge() {
    Rig rig;
    QVERIFY(rig.loadedAndQuiet());
    auto* attack = rig.widget<QDoubleSpinBox>("doubleSpinBoxShiftersAttackPoint");
    auto* hysteresis = rig.widget<QDoubleSpinBox>("doubleSpinBoxShiftersHysteresis");
    auto* hysteresisSlider = rig.widget<QSlider>("horizontalSliderShiftersHysteresis");
    hysteresis->setValue(40.0); // the attack point is 25.0
    // Packed fields are compared as values (+): a reference to one may be misaligned.
    QCOMPARE(+rig.active().shiftersHysteresis, 40.0f);
    attack->setValue(20.0);
    QCOMPARE(attack->value(), 25.0);
    QCOMPARE(+rig.active().shiftersAttackPoint, 25.0f);
    attack->setValue(20.1);
    QCOMPARE(+rig.active().shiftersAttackPoint, 20.1f);
    QCOMPARE(rig.widget<QSlider>("horizontalSliderShiftersAttackPoint")->value(), 201);

    hysteresis->setValue(29.0);
    attack->setValue(15.0);
    hysteresisSlider->setValue(400);
    QCOMPARE(hysteresisSlider->value(), 290);
    QCOMPARE(+rig.active().shiftersHysteresis, 29.0f);
    attack->setValue(20.1);
    hysteresisSlider->setValue(400);
    QCOMPARE(hysteresisSlider->value(), 400);
    QCOMPARE(hysteresis->value(), 40.0);
    QCOMPARE(+rig.active().shiftersHysteresis, 40.0f);
    // The accepted edits went to the plate in one live update.
    QTRY_VERIFY(!liveUpdateStarts(rig.plate).empty());
    QVERIFY(waitUntilQuiet(rig.plate, kFastQuietMs));
    TarnUsbBleButtonPlateProfile sent{};
    for (const ReceivedReport& report : withCommand(rig.plate.receivedReports(), 13)) {
        if (report.data[3] == 0)
            std::memcpy(&sent, report.data.data() + 3, sizeof sent);
    }
    QCOMPARE(+sent.shiftersAttackPoint, 20.1f);
    QCOMPARE(+sent.shiftersHysteresis, 40.0f);
}

void TestButtonPlatePage::throttleAndBrakeDisablesTheMasterClutch() {
    Rig rig;
    QVERIFY(rig.loadedAndQuiet());
    auto* mode = rig.widget<QComboBox>("comboBoxAnalogInputMode");
    auto* master = rig.widget<QComboBox>("comboBoxMasterClutch");
    QVERIFY(master->isEnabled());
    mode->setCurrentIndex(1);
    QVERIFY(!master->isEnabled());
    QCOMPARE(rig.active().analogInputMode, uint8_t(1));
    mode->setCurrentIndex(0);
    QVERIFY(master->isEnabled());
    QCOMPARE(rig.active().analogInputMode, uint8_t(0));
}

void TestButtonPlatePage::reportedBitePointIsNotSentBack() {
    Rig rig;
    QVERIFY(rig.loadedAndQuiet());
    rig.plate.clearReceivedReports();
    const float bitePoint = 37.5f;
    std::vector<uint8_t> aux(4);
    std::memcpy(aux.data(), &bitePoint, sizeof bitePoint);
    rig.inject(0, 0, 0, kAuxBitePoint, aux);
    QTRY_COMPARE(rig.widget<QSlider>("horizontalSliderClutchBitePoint")->value(), 375);
    QCOMPARE(rig.widget<QDoubleSpinBox>("doubleSpinBoxClutchBitePoint")->value(), 37.5);
    QCOMPARE(+rig.active().clutchBitePoint, 37.5f);
    QVERIFY(!receivesMoreThan(rig.plate, 0, kFastQuietMs));
    // The user's own edit of it is sent.
    rig.widget<QDoubleSpinBox>("doubleSpinBoxClutchBitePoint")->setValue(40.0);
    QTRY_COMPARE(liveUpdateStarts(rig.plate).size(), size_t(1));
}

// The live update carries the new active index; two profiles alike in every control still
// differ in which one is active.
void TestButtonPlatePage::switchingProfileSendsOneLiveUpdate_data() {
    QTest::addColumn<bool>("alike");
    QTest::newRow("profiles differ") << false;
    QTest::newRow("profiles alike") << true;
}

void TestButtonPlatePage::switchingProfileSendsOneLiveUpdate() {
    QFETCH(bool, alike);
    Rig rig([alike](ButtonPlateModel& model) {
        if (alike) {
            model.profiles[2] = model.profiles[0];
            model.profiles[2].index = 2;
        }
    });
    QVERIFY(rig.loadedAndQuiet());
    rig.plate.clearReceivedReports();
    QComboBox* selector = rig.widget<QComboBox>("comboBox_ProfileName");
    selector->setCurrentIndex(2);
    emit selector->activated(2);
    QVERIFY(waitForWrites(rig.plate, 1, kLoadTimeoutMs));
    QVERIFY(waitUntilQuiet(rig.plate, kFastQuietMs));
    const std::vector<ReceivedReport> starts = liveUpdateStarts(rig.plate);
    QCOMPARE(starts.size(), size_t(1));
    QCOMPARE(int(starts[0].data[27]), 2);
    QCOMPARE(rig.plate.withModel<ButtonPlateModel>(
                 [](ButtonPlateModel& model) { return int(model.activeProfile); }),
             2);
}

void TestButtonPlatePage::statisticsReadAndReset() {
    Rig rig;
    QVERIFY(rig.loadedAndQuiet());
    rig.plate.clearReceivedReports();
    auto* load = rig.widget<QPushButton>("pushButtonLoadStatistics");
    auto* reset = rig.widget<QPushButton>("pushButtonResetStatistics");
    QCOMPARE(rig.text("labelActiveMinutesCounter"), QStringLiteral("-"));
    rig.click("pushButtonLoadStatistics");
    QVERIFY(!load->isEnabled() && !reset->isEnabled());
    QTRY_VERIFY_WITH_TIMEOUT(load->isEnabled() && reset->isEnabled(), kLoadTimeoutMs);
    // The virtual plate's counter at structure offset n holds 1000 + n.
    QCOMPARE(rig.text("labelRotaryLeftClicks"), QStringLiteral("1000"));
    QCOMPARE(rig.text("labelRotaryRightContact12"), QStringLiteral("1108"));
    QCOMPARE(rig.text("labelEncoderCenterPushButtonClicks"), QStringLiteral("1136"));
    QCOMPARE(rig.text("labelJoystickRightRightButtonClicks"), QStringLiteral("1184"));
    QCOMPARE(rig.text("labelButton14"), QStringLiteral("1248"));
    QCOMPARE(rig.text("labelShifterLeftTravel"), QString::number(1252 + (quint64(1256) << 32)));
    QCOMPARE(rig.text("labelActiveMinutesCounter"), QStringLiteral("1284"));

    rig.click("pushButtonResetStatistics");
    QVERIFY(!load->isEnabled());
    QTRY_VERIFY_WITH_TIMEOUT(load->isEnabled() && reset->isEnabled(), kLoadTimeoutMs);
    QCOMPARE(rig.text("labelActiveMinutesCounter"), QStringLiteral("1284"));
    QVERIFY(waitUntilQuiet(rig.plate, kFastQuietMs));
    QCOMPARE(commandsOf(rig.plate.receivedReports()),
             (std::vector<int>{21, 21, 21, 21, 21, 21, 21, 22}));
    rig.click("pushButtonLoadStatistics");
    QTRY_COMPARE_WITH_TIMEOUT(rig.text("labelActiveMinutesCounter"), QStringLiteral("0"),
                              kLoadTimeoutMs);
}

void TestButtonPlatePage::wizardEndToEnd_data() {
    QTest::addColumn<bool>("shifters");
    QTest::newRow("clutch paddles") << false;
    QTest::newRow("paddle shifters") << true;
}

void TestButtonPlatePage::wizardEndToEnd() {
    QFETCH(bool, shifters);
    const WizardWidgets& w = shifters ? kShifterWizard : kClutchWizard;
    const QString name =
        shifters ? QStringLiteral("Paddle shifter") : QStringLiteral("Clutch paddle");
    Rig rig;
    QVERIFY(rig.loadedAndQuiet());
    rig.plate.clearReceivedReports();
    auto* next = rig.widget<QPushButton>(w.next);
    auto* prev = rig.widget<QPushButton>(w.prev);
    auto* start = rig.widget<QPushButton>(w.start);
    QVERIFY(!next->isEnabled() && !prev->isEnabled());

    rig.click(w.start);
    QCOMPARE(start->text(), QStringLiteral("Cancel calibration"));
    QCOMPARE(rig.text(w.tips), "Press the Left " + name + " with desired maximum force.");
    // Each step samples the reading held when Next is clicked.
    const uint16_t readings[4][2] = {{50000, 0}, {1000, 0}, {0, 52000}, {0, 1200}};
    for (int step = 0; step < 4; ++step) {
        rig.injectRaw(w.auxType, readings[step][0], readings[step][1]);
        QTRY_VERIFY(rawShown(rig, w, readings[step][0], readings[step][1]));
        // While the clutch paddles are calibrated their bars show the raw readings.
        if (!shifters)
            QCOMPARE(rig.widget<QProgressBar>("axisY")->value(), int(readings[step][1]));
        rig.click(w.next);
        if (step == 0) {
            QVERIFY(prev->isEnabled());
            rig.click(w.prev);
            QVERIFY(!prev->isEnabled());
            rig.click(w.next);
        }
    }
    QCOMPARE(next->text(), QStringLiteral("Save calibration"));
    QCOMPARE(rig.text(w.tips), QStringLiteral("Press save to store the new calibration settings."));
    rig.click(w.prev);
    QCOMPARE(next->text(), QStringLiteral("Next step"));
    rig.click(w.next);
    rig.click(w.next);
    QCOMPARE(rig.text(w.tips), QStringLiteral("Saving calibration."));
    QVERIFY(!start->isEnabled() && !next->isEnabled() && !prev->isEnabled());

    // The plate's acknowledgement closes the wizard.
    QTRY_VERIFY_WITH_TIMEOUT(start->isEnabled(), kLoadTimeoutMs);
    QCOMPARE(start->text(), QStringLiteral("Start calibration"));
    QCOMPARE(next->text(), QStringLiteral("Next Step"));
    QVERIFY(!next->isEnabled() && !prev->isEnabled());
    QCOMPARE(rig.text(w.tips), QStringLiteral(" "));
    const std::vector<ReceivedReport> saves = withCommand(rig.plate.receivedReports(), 16);
    QCOMPARE(saves.size(), size_t(1));
    QCOMPARE(int(saves[0].data[3]), int(w.selector));
    const TarnUsbBlePaddlesCalibration expected{50000, 52000, 1000, 1200};
    QCOMPARE(std::memcmp(saves[0].data.data() + (shifters ? 29 : 21), &expected, 8), 0);
}

void TestButtonPlatePage::releasedAbovePressedIsRefused() {
    Rig rig;
    QVERIFY(rig.loadedAndQuiet());
    DialogScript dialogs;
    rig.click(kClutchWizard.start);
    rig.injectRaw(kAuxClutchRaw, 3000, 0);
    QTRY_COMPARE(rig.widget<QProgressBar>("axisX")->value(), 3000);
    rig.click(kClutchWizard.next);
    rig.injectRaw(kAuxClutchRaw, 3001, 0);
    QTRY_COMPARE(rig.widget<QProgressBar>("axisX")->value(), 3001);
    dialogs.closeMessageBox();
    rig.click(kClutchWizard.next);
    QVERIFY(dialogs.done());
    QCOMPARE(dialogs.shown.last().title, QStringLiteral("Wrong value"));
    QCOMPARE(dialogs.shown.last().text, QStringLiteral("Min value can't be greater than max."));
    QCOMPARE(int(rig.device()->clutchCalibration.step), 1);
    // The same reading as the press is taken.
    rig.injectRaw(kAuxClutchRaw, 3000, 0);
    QTRY_COMPARE(rig.widget<QProgressBar>("axisX")->value(), 3000);
    rig.click(kClutchWizard.next);
    QCOMPARE(int(rig.device()->clutchCalibration.step), 2);
}

void TestButtonPlatePage::oneWizardAtATime() {
    Rig rig;
    QVERIFY(rig.loadedAndQuiet());
    rig.click(kClutchWizard.start);
    rig.click(kShifterWizard.start);
    QVERIFY(rig.device()->clutchCalibration.running);
    QVERIFY(!rig.device()->shifterCalibration.running);
    QCOMPARE(rig.widget<QPushButton>(kShifterWizard.start)->text(),
             QStringLiteral("Start calibration"));
    QVERIFY(!rig.widget<QPushButton>(kShifterWizard.next)->isEnabled());
    QCOMPARE(rig.text(kShifterWizard.tips), QStringLiteral(" "));
    QVERIFY(rig.widget<QPushButton>(kClutchWizard.next)->isEnabled());
    // Cancelling the clutch wizard lets the shifter wizard start.
    rig.click(kClutchWizard.start);
    QVERIFY(!rig.device()->clutchCalibration.running);
    rig.click(kShifterWizard.start);
    QVERIFY(rig.device()->shifterCalibration.running);
    QVERIFY(!receivesMoreThan(rig.plate, rig.plate.receivedReports().size(), kFastQuietMs));
}

// Over Bluetooth LE the plate has no product string of its own: the enumeration's is shown.
void TestButtonPlatePage::bluetoothPlateLoads() {
    Rig rig(nullptr, ButtonPlateModel::Link::BluetoothLe);
    QVERIFY(rig.loadedAndQuiet());
    QVERIFY(rig.widget<QComboBox>("comboBox_UsbDevice")
                ->currentText()
                .startsWith(QLatin1String("TARN Button Plate")));
    QCOMPARE(rig.device()->profileCount, uint8_t(3));
}

// A log holds the header and one row per update with raw clutch readings, whatever else arrives.
void TestButtonPlatePage::logsTheRawClutchReadings() {
    QTemporaryDir directory;
    const QString previous = QDir::currentPath();
    QVERIFY(QDir::setCurrent(directory.path()));
    Rig rig;
    QVERIFY(rig.loadedAndQuiet());
    auto* button = rig.widget<QPushButton>("pushButtonStartLoggingButtonPlate");
    button->click();
    QCOMPARE(button->text(), QStringLiteral("Stop Logging"));
    rig.inject(0, 100, 200, kAuxBattery, {250});
    rig.injectRaw(kAuxClutchRaw, 1234, 4321);
    QTRY_VERIFY(rig.text("labelClutchAxisXRawDebug").contains("1234"));
    button->click();
    QCOMPARE(button->text(), QStringLiteral("Start Logging"));
    const QStringList logs = QDir(directory.path()).entryList({"button-plate-log-*.csv"});
    QDir::setCurrent(previous);
    QCOMPARE(logs.size(), 1);
    QFile file(directory.filePath(logs[0]));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = file.readAll().split('\n');
    QCOMPARE(lines.size(), 3);
    QCOMPARE(lines[0], QByteArray("Time,dt,x,y,x_raw,y_raw\r"));
    QVERIFY(lines[1].endsWith(",0,0,1234,4321\r"));
}

QTEST_MAIN(TestButtonPlatePage)
#include "tst_buttonplatepage.moc"
