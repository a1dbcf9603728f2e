#include "buttonplate/buttonplatepage.h"
#include "ui_tarn_wheel_tool.h"

#include "buttonplate/buttonplatelogrows.h"
#include "buttonplate/buttonplatetexts.h"
#include "pedals/calibrationbuttons.h"
#include "wheelbase/telemetrylog.h"

#include <cstddef>
#include <cstring>

namespace {

// Slider ranges in tenths of a percent.
constexpr int kBitePointMin = 0;
constexpr int kBitePointMax = 1000;
constexpr int kShifterPointMin = 100;
constexpr int kShifterPointMax = 400;
constexpr int kDualClutch = 0;
constexpr int kProfileTab = 0;

double fromTenths(int tenths) {
    return tenths / 10.0;
}

using Statistics = TarnUsbButtonPlateUsageStatisticsStructure;

// Entry `index` of the counter array at `offset`, copied out byte-wise: the structure is packed,
// so an element of its arrays may sit at any address.
uint32_t counterAt(const Statistics& statistics, size_t offset, size_t index) {
    uint32_t counter = 0;
    std::memcpy(&counter,
                reinterpret_cast<const uint8_t*>(&statistics) + offset + index * sizeof counter,
                sizeof counter);
    return counter;
}

} // namespace

ButtonPlatePage::ButtonPlatePage(Ui::TARN_wheel_tool& ui, TelemetryLog& log, QObject* parent)
    : SettingsPage(ui.settingsButtonPlatePage, parent)
    , ui(ui)
    , log(log)
    , logButton(ui.pushButtonStartLoggingButtonPlate, log, this)
    , clutchButtons(std::make_unique<CalibrationButtons>(
          ui.labelClutchCalibrationTips, ui.pushButtonCalibrateClutches,
          ui.pushButtonCalibrateClutchesNextStep, ui.pushButtonCalibrateClutchesPrevStep))
    , shifterButtons(std::make_unique<CalibrationButtons>(
          ui.labelShiftersCalibrationTips, ui.pushButtonCalibrateShifters,
          ui.pushButtonCalibrateShiftersNextStep, ui.pushButtonCalibrateShiftersPrevStep)) {
    for (size_t i = 0; i < buttonLabels.size(); ++i) {
        buttonLabels[i] = ui.groupBoxButtonPlateInputs->findChild<QLabel*>(
            QStringLiteral("buttonPlateButton_%1").arg(i + 1));
        Q_ASSERT(buttonLabels[i]);
    }
    releasedPalette = buttonLabels[0]->palette();
    pressedPalette = releasedPalette;
    pressedPalette.setBrush(QPalette::Window, QBrush(Qt::red, Qt::SolidPattern));
}

ButtonPlatePage::~ButtonPlatePage() = default;

void ButtonPlatePage::connectDevice(UsbDeviceTarnButtonPlate& plate) {
    connect(&plate, &UsbDeviceTarnButtonPlate::onJoystickUpdate, this,
            &ButtonPlatePage::onJoystickUpdate);
    connect(&plate, &UsbDeviceTarnButtonPlate::onStatisticsLoad, this,
            &ButtonPlatePage::onStatisticsLoaded);
    connect(&plate, &UsbDeviceTarnButtonPlate::onStatisticsReset, this,
            &ButtonPlatePage::onStatisticsReseted);
    connect(&plate, &UsbDeviceTarnButtonPlate::onCalibrationSave, this,
            &ButtonPlatePage::onCalibrationSave);
}

void ButtonPlatePage::clear() {
    // A wizard left running (a reload during a calibration) can still be cancelled; the others
    // show the selected plate's idle wizard.
    for (Paddles paddles : {Paddles::Clutch, Paddles::Shifter}) {
        if (!calibrating(paddles))
            buttons(paddles).showIdle(tr("Next Step"));
    }
    for (QLabel* label :
         {ui.labelButtonsDebug, ui.labelClutchAxisXDebug, ui.labelClutchAxisYDebug,
          ui.labelClutchAxisXRawDebug, ui.labelClutchAxisYRawDebug, ui.labelShifterAxisXRawDebug,
          ui.labelShifterAxisYRawDebug, ui.labelTimestamp, ui.labelBatteryVoltage,
          ui.labelClutchCalibrationTips, ui.labelShiftersCalibrationTips})
        label->clear();
    for (QWidget* step :
         {ui.pushButtonCalibrateClutchesPrevStep, ui.pushButtonCalibrateClutchesNextStep,
          ui.pushButtonCalibrateShiftersPrevStep, ui.pushButtonCalibrateShiftersNextStep})
        step->setEnabled(false);
    ui.tabButtonplateWidget->setCurrentIndex(kProfileTab);
    sendBitePointEdits = true;
    showButtons(0);
}

void ButtonPlatePage::showLoaded() {
    if (device)
        ui.labelButtonPlateFwBuildInfo->setText(
            plateBuildInfoText(device->firmwareBuildDate, device->firmwareHash));
}

// Each control whose value changes runs its own slot, which writes the value back into the
// profile; the live update that follows carries the new active index to the plate.
void ButtonPlatePage::showProfile(int index) {
    if (!device)
        return;
    device->currentProfile = uint8_t(index);
    const Profile p = device->profiles[index];
    ui.spinBox_xTopDeadzone->setValue(p.xTopDeadzone);
    ui.spinBox_xBottomDeadzone->setValue(p.xBottomDeadzone);
    ui.spinBox_yTopDeadzone->setValue(p.yTopDeadzone);
    ui.spinBox_yBottomDeadzone->setValue(p.yBottomDeadzone);
    ui.comboBoxAnalogInputMode->setCurrentIndex(p.analogInputMode);
    ui.comboBoxMasterClutch->setCurrentIndex(p.masterClutch);
    ui.comboBoxLeftRotarySwitchMode->setCurrentIndex(p.leftRotarySwitchMode);
    ui.comboBoxRightRotarySwitchMode->setCurrentIndex(p.rightRotarySwitchMode);
    ui.comboBoxEncoderPulseWidth->setCurrentIndex(p.encoderPulseWidth);
    ui.horizontalSliderClutchBitePoint->setValue(
        percentTenths(double(p.clutchBitePoint), kBitePointMin, kBitePointMax));
    ui.doubleSpinBoxClutchBitePoint->setValue(double(p.clutchBitePoint));
    ui.horizontalSliderShiftersAttackPoint->setValue(
        percentTenths(double(p.shiftersAttackPoint), kShifterPointMin, kShifterPointMax));
    ui.doubleSpinBoxShiftersAttackPoint->setValue(double(p.shiftersAttackPoint));
    ui.horizontalSliderShiftersHysteresis->setValue(
        percentTenths(double(p.shiftersHysteresis), kShifterPointMin, kShifterPointMax));
    ui.doubleSpinBoxShiftersHysteresis->setValue(double(p.shiftersHysteresis));
    ui.horizontalSliderLedBrightness->setValue(p.ledBrightness);
    ui.spinBoxLedBrightness->setValue(p.ledBrightness);
    // Two profiles alike in every control still differ in which one is active.
    device->updateSettings();
}

// Controls. Each writes its field of the active profile and asks for a live update, which the
// plate gets after the last edit has settled.

void ButtonPlatePage::editXTopDeadzone(int value) {
    edit(&Profile::xTopDeadzone, value);
}

void ButtonPlatePage::editXBottomDeadzone(int value) {
    edit(&Profile::xBottomDeadzone, value);
}

void ButtonPlatePage::editYTopDeadzone(int value) {
    edit(&Profile::yTopDeadzone, value);
}

void ButtonPlatePage::editYBottomDeadzone(int value) {
    edit(&Profile::yBottomDeadzone, value);
}

void ButtonPlatePage::chooseAnalogInputMode(int index) {
    if (index < 0)
        return;
    // Throttle and brake leave no clutch to be the master.
    ui.comboBoxMasterClutch->setEnabled(index == kDualClutch);
    choose(&Profile::analogInputMode, index);
}

void ButtonPlatePage::chooseMasterClutch(int index) {
    choose(&Profile::masterClutch, index);
}

void ButtonPlatePage::chooseLeftRotarySwitchMode(int index) {
    choose(&Profile::leftRotarySwitchMode, index);
}

void ButtonPlatePage::chooseRightRotarySwitchMode(int index) {
    choose(&Profile::rightRotarySwitchMode, index);
}

void ButtonPlatePage::chooseEncoderPulseWidth(int index) {
    choose(&Profile::encoderPulseWidth, index);
}

void ButtonPlatePage::storePercent(float Profile::*field, int tenths) {
    // Copied in: the record is packed, so the float may sit at an odd address.
    const float value = float(fromTenths(tenths));
    std::memcpy(&(device->activeProfile().*field), &value, sizeof value);
}

void ButtonPlatePage::askForBitePointUpdate() {
    if (sendBitePointEdits)
        device->updateSettings();
}

void ButtonPlatePage::moveBitePoint(int tenths) {
    if (!device)
        return;
    storePercent(&Profile::clutchBitePoint, tenths);
    ui.doubleSpinBoxClutchBitePoint->setValue(fromTenths(tenths));
    askForBitePointUpdate();
}

void ButtonPlatePage::editBitePoint(double percent) {
    if (!device)
        return;
    ui.horizontalSliderClutchBitePoint->setValue(
        percentTenths(percent, kBitePointMin, kBitePointMax));
    askForBitePointUpdate();
}

void ButtonPlatePage::moveAttackPoint(int tenths) {
    if (!device)
        return;
    const Profile& p = device->activeProfile();
    const int hysteresis =
        percentTenths(double(p.shiftersHysteresis), kShifterPointMin, kShifterPointMax);
    if (!shifterPointsFit(tenths, hysteresis)) {
        ui.horizontalSliderShiftersAttackPoint->setValue(
            percentTenths(double(p.shiftersAttackPoint), kShifterPointMin, kShifterPointMax));
        return;
    }
    storePercent(&Profile::shiftersAttackPoint, tenths);
    ui.doubleSpinBoxShiftersAttackPoint->setValue(fromTenths(tenths));
    device->updateSettings();
}

void ButtonPlatePage::editAttackPoint(double percent) {
    if (!device)
        return;
    const Profile& p = device->activeProfile();
    const int tenths = percentTenths(percent, kShifterPointMin, kShifterPointMax);
    const int hysteresis =
        percentTenths(double(p.shiftersHysteresis), kShifterPointMin, kShifterPointMax);
    if (!shifterPointsFit(tenths, hysteresis)) {
        ui.doubleSpinBoxShiftersAttackPoint->setValue(double(p.shiftersAttackPoint));
        return;
    }
    ui.horizontalSliderShiftersAttackPoint->setValue(tenths);
    device->updateSettings();
}

void ButtonPlatePage::moveHysteresis(int tenths) {
    if (!device)
        return;
    const Profile& p = device->activeProfile();
    const int attack =
        percentTenths(double(p.shiftersAttackPoint), kShifterPointMin, kShifterPointMax);
    if (!shifterPointsFit(attack, tenths)) {
        ui.horizontalSliderShiftersHysteresis->setValue(
            percentTenths(double(p.shiftersHysteresis), kShifterPointMin, kShifterPointMax));
        return;
    }
    storePercent(&Profile::shiftersHysteresis, tenths);
    ui.doubleSpinBoxShiftersHysteresis->setValue(fromTenths(tenths));
    device->updateSettings();
}

void ButtonPlatePage::editHysteresis(double percent) {
    if (!device)
        return;
    const Profile& p = device->activeProfile();
    const int tenths = percentTenths(percent, kShifterPointMin, kShifterPointMax);
    const int attack =
        percentTenths(double(p.shiftersAttackPoint), kShifterPointMin, kShifterPointMax);
    if (!shifterPointsFit(attack, tenths)) {
        ui.doubleSpinBoxShiftersHysteresis->setValue(double(p.shiftersHysteresis));
        return;
    }
    ui.horizontalSliderShiftersHysteresis->setValue(tenths);
    device->updateSettings();
}

void ButtonPlatePage::moveLedBrightness(int value) {
    if (!device)
        return;
    ui.spinBoxLedBrightness->setValue(value);
    edit(&Profile::ledBrightness, value);
}

void ButtonPlatePage::editLedBrightness(int value) {
    if (!device)
        return;
    ui.horizontalSliderLedBrightness->setValue(value);
    device->updateSettings();
}

// Live view.

void ButtonPlatePage::onJoystickUpdate(UsbDevice*, TarnUsbBleButtonPlateJoystickUpdate* update,
                                       uint64_t readTimeMicros) {
    const TarnUsbBleButtonPlateJoystickUpdate input = *update;
    logUpdate(input, readTimeMicros);
    if (!device)
        return;
    showButtons(input.buttons);
    // While the clutch paddles are calibrated, their bars show the raw readings being sampled.
    if (!device->clutchCalibration.running) {
        ui.axisX->setValue(input.leftClutch);
        ui.axisY->setValue(input.rightClutch);
    } else if (input.auxType == kAuxClutchRaw) {
        ui.axisX->setValue(auxWord(input, 0));
        ui.axisY->setValue(auxWord(input, 1));
    }
    ui.labelButtonsDebug->setText(buttonsText(input.buttons));
    ui.labelClutchAxisXDebug->setText(axisText(tr("Left Clutch (X axis): "), input.leftClutch));
    ui.labelClutchAxisYDebug->setText(axisText(tr("Right Clutch (Y axis): "), input.rightClutch));
    showAux(input);
}

void ButtonPlatePage::showButtons(uint64_t buttons) {
    const uint64_t changed = buttons ^ shownButtons;
    for (size_t i = 0; i < buttonLabels.size(); ++i) {
        const uint64_t bit = uint64_t(1) << i;
        if (changed & bit)
            buttonLabels[i]->setPalette(buttons & bit ? pressedPalette : releasedPalette);
    }
    shownButtons = buttons;
}

void ButtonPlatePage::showAux(const TarnUsbBleButtonPlateJoystickUpdate& update) {
    switch (update.auxType) {
    case kAuxClutchRaw:
        clutchRawLeft = auxWord(update, 0);
        clutchRawRight = auxWord(update, 1);
        ui.labelClutchAxisXRawDebug->setText(
            axisText(tr("Left clutch raw (X axis): "), clutchRawLeft));
        ui.labelClutchAxisYRawDebug->setText(
            axisText(tr("Right clutch raw (Y axis): "), clutchRawRight));
        break;
    case kAuxShifterRaw:
        shifterRawLeft = auxWord(update, 0);
        shifterRawRight = auxWord(update, 1);
        ui.labelShifterAxisXRawDebug->setText(
            axisText(tr("Left shifter raw (X axis): "), shifterRawLeft));
        ui.labelShifterAxisYRawDebug->setText(
            axisText(tr("Right shifter raw (Y axis): "), shifterRawRight));
        break;
    case kAuxBattery:
        ui.labelBatteryVoltage->setText(batteryText(update.aux[0]));
        break;
    case kAuxTimestamp:
        ui.labelTimestamp->setText(timestampText(auxLong(update)));
        break;
    case kAuxBitePoint:
        // What the plate holds is shown and kept, and not sent back to it.
        sendBitePointEdits = false;
        ui.horizontalSliderClutchBitePoint->setValue(
            percentTenths(double(auxFloat(update)), kBitePointMin, kBitePointMax));
        sendBitePointEdits = true;
        break;
    default:
        break;
    }
}

// While a log is open dt counts from the last report before it started.
void ButtonPlatePage::logUpdate(const TarnUsbBleButtonPlateJoystickUpdate& update,
                                uint64_t readTimeMicros) {
    if (!log.isOpen()) {
        log.lastLogTimeMicros = readTimeMicros;
        return;
    }
    const QByteArray row =
        buttonPlateLogRow(update, readTimeMicros, readTimeMicros - log.lastLogTimeMicros);
    if (!row.isEmpty())
        log.write(row);
}

void ButtonPlatePage::toggleLogging() {
    if (log.isOpen() || device)
        logButton.toggle(QStringLiteral("button-plate-log-"), buttonPlateLogHeader());
}

// Statistics. The buttons stay disabled from a click until the plate answers.

void ButtonPlatePage::enableStatisticsButtons(bool enabled) {
    ui.pushButtonLoadStatistics->setEnabled(enabled);
    ui.pushButtonResetStatistics->setEnabled(enabled);
}

void ButtonPlatePage::loadStatistics() {
    if (!device)
        return;
    device->loadStatistics();
    enableStatisticsButtons(false);
}

void ButtonPlatePage::resetStatistics() {
    if (!device)
        return;
    device->resetStatistics();
    enableStatisticsButtons(false);
}

void ButtonPlatePage::onStatisticsLoaded(const TarnUsbButtonPlateUsageStatisticsStructure& s) {
    auto show = [](QLabel* label, quint64 value) {
        label->setText(QString::number(value));
    };
    show(ui.labelRotaryLeftClicks, s.rotaryLeftClicks);
    show(ui.labelRotaryLeftFullRevolutions, s.rotaryLeftFullRevolutions);
    show(ui.labelRotaryRightClicks, s.rotaryRightClicks);
    show(ui.labelRotaryRightFullRevolutions, s.rotaryRightFullRevolutions);
    const std::array<QLabel*, 12> leftContacts = {
        ui.labelRotaryLeftContact1,  ui.labelRotaryLeftContact2,  ui.labelRotaryLeftContact3,
        ui.labelRotaryLeftContact4,  ui.labelRotaryLeftContact5,  ui.labelRotaryLeftContact6,
        ui.labelRotaryLeftContact7,  ui.labelRotaryLeftContact8,  ui.labelRotaryLeftContact9,
        ui.labelRotaryLeftContact10, ui.labelRotaryLeftContact11, ui.labelRotaryLeftContact12};
    const std::array<QLabel*, 12> rightContacts = {
        ui.labelRotaryRightContact1,  ui.labelRotaryRightContact2,  ui.labelRotaryRightContact3,
        ui.labelRotaryRightContact4,  ui.labelRotaryRightContact5,  ui.labelRotaryRightContact6,
        ui.labelRotaryRightContact7,  ui.labelRotaryRightContact8,  ui.labelRotaryRightContact9,
        ui.labelRotaryRightContact10, ui.labelRotaryRightContact11, ui.labelRotaryRightContact12};
    for (size_t i = 0; i < leftContacts.size(); ++i) {
        show(leftContacts[i], counterAt(s, offsetof(Statistics, rotaryLeftContact), i));
        show(rightContacts[i], counterAt(s, offsetof(Statistics, rotaryRightContact), i));
    }
    show(ui.labelEncoderLeftClicks, s.encoderLeftClicks);
    show(ui.labelEncoderLeftFullRevolutions, s.encoderLeftFullRevolutions);
    show(ui.labelEncoderLeftPushButtonClicks, s.encoderLeftPushButtonClicks);
    show(ui.labelEncoderRightClicks, s.encoderRightClicks);
    show(ui.labelEncoderRightFullRevolutions, s.encoderRightFullRevolutions);
    show(ui.labelEncoderRightPushButtonClicks, s.encoderRightPushButtonClicks);
    show(ui.labelEncoderCenterClicks, s.encoderCenterClicks);
    show(ui.labelEncoderCenterFullRevolutions, s.encoderCenterFullRevolutions);
    show(ui.labelEncoderCenterPushButtonClicks, s.encoderCenterPushButtonClicks);
    show(ui.labelJoystickLeftClicks, s.joystickLeftClicks);
    show(ui.labelJoystickLeftFullRevolutions, s.joystickLeftFullRevolutions);
    show(ui.labelJoystickLeftUpButtonClicks, s.joystickLeftUpButtonClicks);
    show(ui.labelJoystickLeftDownButtonClicks, s.joystickLeftDownButtonClicks);
    show(ui.labelJoystickLeftLeftButtonClicks, s.joystickLeftLeftButtonClicks);
    show(ui.labelJoystickLeftRightButtonClicks, s.joystickLeftRightButtonClicks);
    show(ui.labelJoystickRightClicks, s.joystickRightClicks);
    show(ui.labelJoystickRightFullRevolutions, s.joystickRightFullRevolutions);
    show(ui.labelJoystickRightUpButtonClicks, s.joystickRightUpButtonClicks);
    show(ui.labelJoystickRightDownButtonClicks, s.joystickRightDownButtonClicks);
    show(ui.labelJoystickRightLeftButtonClicks, s.joystickRightLeftButtonClicks);
    show(ui.labelJoystickRightRightButtonClicks, s.joystickRightRightButtonClicks);
    const std::array<QLabel*, 14> buttonClicks = {
        ui.labelButton1,  ui.labelButton2,  ui.labelButton3,  ui.labelButton4, ui.labelButton5,
        ui.labelButton6,  ui.labelButton7,  ui.labelButton8,  ui.labelButton9, ui.labelButton10,
        ui.labelButton11, ui.labelButton12, ui.labelButton13, ui.labelButton14};
    for (size_t i = 0; i < buttonClicks.size(); ++i)
        show(buttonClicks[i], counterAt(s, offsetof(Statistics, buttonClicks), i));
    show(ui.labelShifterLeftTravel, s.shifterLeftTravel);
    show(ui.labelShifterRightTravel, s.shifterRightTravel);
    show(ui.labelClutchLeftTravel, s.clutchLeftTravel);
    show(ui.labelClutchRightTravel, s.clutchRightTravel);
    show(ui.labelActiveMinutesCounter, s.activeMinutesCounter);
    enableStatisticsButtons(true);
}

void ButtonPlatePage::onStatisticsReseted() {
    enableStatisticsButtons(true);
}

// Hall-sensor wizards. One runs at a time; each samples the raw readings the live view keeps.

PaddlesCalibration& ButtonPlatePage::wizard(Paddles paddles) const {
    if (paddles == Paddles::Clutch)
        return device->clutchCalibration;
    return device->shifterCalibration;
}

CalibrationButtons& ButtonPlatePage::buttons(Paddles paddles) const {
    return paddles == Paddles::Clutch ? *clutchButtons : *shifterButtons;
}

bool ButtonPlatePage::calibrating(Paddles paddles) const {
    return device && wizard(paddles).running;
}

uint16_t ButtonPlatePage::rawReading(Paddles paddles) const {
    const bool left = wizard(paddles).step < kPressRightPaddle;
    if (paddles == Paddles::Clutch)
        return left ? clutchRawLeft : clutchRawRight;
    return left ? shifterRawLeft : shifterRawRight;
}

void ButtonPlatePage::startOrCancelCalibration(Paddles paddles) {
    if (!device)
        return;
    PaddlesCalibration& calibration = wizard(paddles);
    if (!calibrating(Paddles::Clutch) && !calibrating(Paddles::Shifter)) {
        calibration.running = true;
        calibration.step = calibration.firstStep;
        buttons(paddles).showRunning(calibration.stepText());
        return;
    }
    // With the other wizard running this only resets this wizard's own buttons.
    buttons(paddles).showIdle(tr("Next Step"));
    calibration.running = false;
}

void ButtonPlatePage::nextCalibrationStep(Paddles paddles) {
    if (!calibrating(paddles))
        return;
    PaddlesCalibration& calibration = wizard(paddles);
    if (calibration.step == kSavePaddles) {
        buttons(paddles).showSaving();
        if (paddles == Paddles::Clutch)
            device->saveClutchesCalibration();
        else
            device->saveShiftersCalibration();
        return;
    }
    if (!calibration.setValue(rawReading(paddles))) {
        buttons(paddles).refuse(page->window(), tr("Min value can't be greater than max."));
        return;
    }
    const HallSensorCalibrationStep step = calibration.next();
    buttons(paddles).showAdvanced(step == kSavePaddles, calibration.stepText());
}

void ButtonPlatePage::prevCalibrationStep(Paddles paddles) {
    if (!calibrating(paddles))
        return;
    PaddlesCalibration& calibration = wizard(paddles);
    const HallSensorCalibrationStep step = calibration.prev();
    buttons(paddles).showBack(step, step == kReleaseRightPaddle, calibration.stepText());
}

void ButtonPlatePage::onCalibrationSave() {
    if (calibrating(Paddles::Clutch))
        startOrCancelCalibration(Paddles::Clutch);
    else if (calibrating(Paddles::Shifter))
        startOrCancelCalibration(Paddles::Shifter);
}
