#include "wheelbase/wheelbasepage.h"
#include "ui_tarn_wheel_tool.h"

#include "usb/usbmanager.h"
#include "wheelbase/gameskeyrow.h"
#include "wheelbase/wheelbaserim.h"
#include "wheelbase/wheelbasetexts.h"

namespace {

// The tab the wheel base's own encoder settings sit on; hardware from major version 4 on sets
// its encoder itself.
constexpr int kEncoderTab = 3;
constexpr int kTabsWithEncoder = 5;
constexpr int kLastHardwareWithEncoderTab = 3;

// Profile bytes from offset 34 on are read as signed when they fill a control.
int signedByte(uint8_t value) {
    return int8_t(value);
}

// The widest text a telemetry read-out shows: a full 64-bit BiSS-C frame in octal.
const char* const kWidestReadout = "1777777777777777777777";
constexpr int kReadoutPadding = 2;

// Read-outs are drawn as fields of one size whatever they show. A label whose size is fixed
// repaints itself when its text changes; any other label makes the window lay itself out again,
// which at 60 refreshes a second cost more than everything else on the page. Filling their own
// background spares repainting the tab behind them.
void makeReadout(QLabel* label, int width) {
    label->setFixedSize(width, label->fontMetrics().height() + 2 * kReadoutPadding);
    label->setIndent(kReadoutPadding);
    label->setBackgroundRole(QPalette::Base);
    label->setAutoFillBackground(true);
}

} // namespace

WheelBasePage::WheelBasePage(Ui::TARN_wheel_tool& ui, TelemetryLog& log, QObject* parent)
    : SettingsPage(ui.settingsWheelBasePage, parent)
    , ui(ui)
    , log(log)
    , logButton(ui.pushButton_LoggingWheelBase, log, this)
    , lastUiRefreshMs(wheelBaseClockMs(currentTimeMicros()))
    , gamesKeyRow(new GamesKeyRow(ui.groupBox_GamesCompatibilityKey, ui.labelGamesCompatibilityKey,
                                  ui.pushButtonGamesCompatibilityKey, this)) {}

void WheelBasePage::connectDevice(UsbDeviceTarnWheelBase& wheelBase) {
    connect(&wheelBase, &UsbDeviceTarnWheelBase::onJoystickUpdate, this,
            &WheelBasePage::onJoystickUpdate);
    connect(&wheelBase, &UsbDeviceTarnWheelBase::onDebugOutput, this,
            &WheelBasePage::onDebugOutput);
}

// Each slider is moved without its slot, which then runs once itself, whether the slider moved
// or not, so the label and the rules apply either way.
void WheelBasePage::showProfile(int index) {
    if (!device)
        return;
    TarnUsbWheelBaseProfileV5& p = device->profiles[index];

    ui.label_CenterOffsetDeg->setText(centerOffsetText(p.centerOffset));

    ui.comboBox_EncoderType->setCurrentIndex(p.encoderType);
    ui.spinBox_EncoderRes->setValue(p.encoderResolution);
    ui.spinBox_RotationDegree->setValue(p.rotationDegrees);

    // Force comes before the end stops, so the end-stop rule raises a stored end-stop force that
    // is below the force.
    editForce(showSliderValue(ui.horiSlider_Force, p.force));

    editSmoothing(showSliderValue(ui.horiSlider_GenSmooth, signedByte(p.smoothing)));
    ui.horiSlider_GenSmooth->hide();
    ui.label_GenSmooth->hide();

    editDamping(showSliderValue(ui.horiSlider_Damping, signedByte(p.damping)));
    editFriction(showSliderValue(ui.horiSlider_Friction, signedByte(p.friction)));
    editInertia(showSliderValue(ui.horiSlider_Inertia, signedByte(p.inertia)));
    editSpring(showSliderValue(ui.horiSlider_Spring, signedByte(p.spring)));

    ui.comboBox_DampingEffect->setCurrentIndex(p.dampingEffect);
    ui.comboBox_FrictionEffect->setCurrentIndex(p.frictionEffect);
    ui.comboBox_InertiaEffect->setCurrentIndex(p.inertiaEffect);
    ui.comboBox_SpringEffect->setCurrentIndex(p.springEffect);

    ui.comboBox_GenSmooth->setCurrentIndex(signedByte(p.smoothing));
    device->updateSettings();

    editStaticForceReduction(showSliderValue(ui.horizontalSlider_StaticForceReduction,
                                             signedByte(p.staticForceReduction)));
    editNonLinearity(showSliderValue(ui.horizontalSlider_NonLinearity, signedByte(p.nonLinearity)));

    ui.comboBox_SlewRate->setCurrentIndex(p.slewRate);

    editEndStopMaxForce(
        showSliderValue(ui.horizontalSlider_EndStopMaxForce, signedByte(p.endStopMaxForce)));
    editEndStopStiffness(
        showSliderValue(ui.horizontalSlider_EndStopStiffness, signedByte(p.endStopStiffness)));

    // Any value but 1 counts as off and is stored back as 0.
    ui.spinBox_SoftEndStop->setValue(int(p.softEndStopDegrees));
    const bool softEndStop = p.softEndStopEnabled == 1;
    ui.spinBox_SoftEndStop->setEnabled(softEndStop);
    p.softEndStopEnabled = softEndStop ? 1 : 0;
    device->updateSettings();
    ui.checkBox_SoftEndStop->setChecked(softEndStop);

    // The next joystick update redraws the value label even if the wheel has not moved.
    ++lastAxisValue;
}

void WheelBasePage::clear() {
    const int readoutWidth =
        ui.label_debugTicks->fontMetrics().horizontalAdvance(QLatin1String(kWidestReadout)) +
        4 * kReadoutPadding;
    for (QLabel* label :
         {ui.label_debugTicks, ui.label_debugMotorState, ui.label_debugEncoderState,
          ui.label_debugBisscRaw, ui.label_debugClearedFaults, ui.label_debugMotorAngle,
          ui.label_debugEncoderRaw, ui.label_debugFfbIn, ui.label_debugFfbOut,
          ui.label_debugMaxMotorCurrent, ui.label_debugPsuCurrent, ui.label_debugMotorCurrent,
          ui.label_debugPsuTemperature, ui.label_debugMotorTemperature,
          ui.label_debugBrakeTemperature, ui.label_debugPowerstageTemperature}) {
        makeReadout(label, readoutWidth);
        label->clear();
    }
    // The fault names wrap onto more lines: that read-out grows downwards. Faults change seldom.
    makeReadout(ui.label_debugCurrentFaults, readoutWidth);
    ui.label_debugCurrentFaults->setMaximumHeight(QWIDGETSIZE_MAX);
    ui.label_debugCurrentFaults->clear();
    // The steering position under the rim changes as often as the read-outs.
    ui.label_JoystickValue->setFixedSize(ui.label_Rim_Image->width(),
                                         ui.label_JoystickValue->fontMetrics().height());
    ui.label_JoystickValue->setAutoFillBackground(true);
    ui.tabWidget->setCurrentIndex(0);
    gamesKeyRow->refresh();
}

void WheelBasePage::showLoaded() {
    if (!device)
        return;
    if (device->hardwareMajor() > kLastHardwareWithEncoderTab &&
        ui.tabWidget->count() == kTabsWithEncoder)
        ui.tabWidget->removeTab(kEncoderTab);
    ui.labelWheelBaseFwBuildInfo->setText(
        buildInfoText(device->firmwareBuildDate, device->firmwareHash));
}

void WheelBasePage::onJoystickUpdate(UsbDevice* wheelBase, TarnUsbWheelBaseJoystickUpdate* update,
                                     uint64_t readTimeMicros) {
    // Every report reaches this point; the telemetry log takes each one here, before the
    // refresh limit below thins them out for the screen.
    logUpdate(*update, readTimeMicros);
    const uint32_t nowMs = wheelBaseClockMs(currentTimeMicros());
    if (!wheelBaseRefreshDue(nowMs, lastUiRefreshMs))
        return;
    lastUiRefreshMs = nowMs;
    drawWheel(update->axis);
    // Whatever the payload holds, it is shown as telemetry.
    onDebugOutput(wheelBase, &update->telemetry, readTimeMicros);
}

void WheelBasePage::drawWheel(int16_t axisValue) {
    if (!device || uint16_t(axisValue) == lastAxisValue)
        return;
    lastAxisValue = uint16_t(axisValue);
    ui.label_JoystickValue->setText(QString::number(axisValue));

    const int32_t angle = rimAngleDegrees(axisValue, device->activeProfile().rotationDegrees);
    if (uint16_t(angle) == lastRimAngle)
        return;
    lastRimAngle = uint16_t(angle);
    // Turned at the size it is shown at, in device pixels.
    const int side = qRound(ui.label_Rim_Image->width() * ui.label_Rim_Image->devicePixelRatioF());
    ui.label_Rim_Image->setPixmap(rotatedRim(rimPicture(side), angle));
}

void WheelBasePage::onDebugOutput(UsbDevice*, TarnUsbWheelBaseDebugOutput* output, uint64_t) {
    if (!device)
        return;
    const WheelBaseTelemetryTexts texts = telemetryTexts(*output);
    ui.label_debugTicks->setText(texts.ticks);
    ui.label_debugMotorState->setText(texts.motorState);
    ui.label_debugEncoderState->setText(texts.encoderState);
    ui.label_debugBisscRaw->setText(texts.bisscRaw);
    ui.label_debugCurrentFaults->setText(texts.currentFaults);
    ui.label_debugClearedFaults->setText(texts.clearedFaults);
    ui.label_debugMotorAngle->setText(texts.motorAngle);
    ui.label_debugEncoderRaw->setText(texts.encoderRaw);
    ui.label_debugFfbIn->setText(texts.ffbIn);
    ui.label_debugFfbOut->setText(texts.ffbOut);
    ui.label_debugMaxMotorCurrent->setText(texts.maxMotorCurrent);
    ui.label_debugPsuCurrent->setText(texts.psuCurrent);
    ui.label_debugMotorCurrent->setText(texts.motorCurrent);
    ui.label_debugPsuTemperature->setText(texts.psuTemperature);
    ui.label_debugMotorTemperature->setText(texts.motorTemperature);
    ui.label_debugBrakeTemperature->setText(texts.brakeTemperature);
    ui.label_debugPowerstageTemperature->setText(texts.powerstageTemperature);
}

// Controls. Each writes its field of the active profile, updates its value label and asks for a
// live update, which the device sends after the last edit has settled.

void WheelBasePage::editRotationDegrees(int value) {
    edit(&Profile::rotationDegrees, value);
}

void WheelBasePage::editForce(int value) {
    if (!device)
        return;
    edit(&Profile::force, value, ui.label_Force, percentText);
    // The end stops never push back softer than the wheel's maximum force. The end-stop edit
    // stores the raised value, also when its slider already stood there.
    if (value > signedByte(device->activeProfile().endStopMaxForce))
        editEndStopMaxForce(showSliderValue(ui.horizontalSlider_EndStopMaxForce, value));
}

void WheelBasePage::editEndStopMaxForce(int value) {
    if (!device)
        return;
    const Profile& profile = device->activeProfile();
    if (value < profile.force) {
        showSliderValue(ui.horizontalSlider_EndStopMaxForce, signedByte(profile.endStopMaxForce));
        return;
    }
    edit(&Profile::endStopMaxForce, value, ui.label_EndStopMaxForce, percentText);
}

void WheelBasePage::editDamping(int value) {
    edit(&Profile::damping, value, ui.label_Damping, percentText);
}

void WheelBasePage::editFriction(int value) {
    edit(&Profile::friction, value, ui.label_Friction, percentText);
}

void WheelBasePage::editInertia(int value) {
    edit(&Profile::inertia, value, ui.label_Inertia, percentText);
}

void WheelBasePage::editSpring(int value) {
    edit(&Profile::spring, value, ui.label_Spring, percentText);
}

void WheelBasePage::chooseDampingEffect(int index) {
    choose(&Profile::dampingEffect, index);
}

void WheelBasePage::chooseFrictionEffect(int index) {
    choose(&Profile::frictionEffect, index);
}

void WheelBasePage::chooseInertiaEffect(int index) {
    choose(&Profile::inertiaEffect, index);
}

void WheelBasePage::chooseSpringEffect(int index) {
    choose(&Profile::springEffect, index);
}

void WheelBasePage::chooseSmoothing(int index) {
    choose(&Profile::smoothing, index);
}

void WheelBasePage::editSmoothing(int value) {
    edit(&Profile::smoothing, value, ui.label_GenSmooth, numberText);
}

void WheelBasePage::editStaticForceReduction(int value) {
    edit(&Profile::staticForceReduction, value, ui.label_StaticForceReduction, percentText);
}

void WheelBasePage::editNonLinearity(int value) {
    edit(&Profile::nonLinearity, value, ui.label_NonLinearity, numberText);
}

void WheelBasePage::chooseSlewRate(int index) {
    choose(&Profile::slewRate, index);
}

void WheelBasePage::editEndStopStiffness(int value) {
    edit(&Profile::endStopStiffness, value, ui.label_EndStopStiffness, numberText);
}

void WheelBasePage::editSoftEndStopDegrees(int value) {
    edit(&Profile::softEndStopDegrees, value);
}

void WheelBasePage::enableSoftEndStop(bool checked) {
    if (!device)
        return;
    ui.spinBox_SoftEndStop->setEnabled(checked);
    edit(&Profile::softEndStopEnabled, checked ? 1 : 0);
}

void WheelBasePage::chooseEncoderType(int index) {
    choose(&Profile::encoderType, index);
}

void WheelBasePage::editEncoderResolution(int value) {
    edit(&Profile::encoderResolution, value);
}

void WheelBasePage::centerRim() {
    if (device)
        device->centerRim();
}

void WheelBasePage::realignMotor() {
    if (device)
        device->realignMotor();
}

// The key belongs to the platform, not to the device: the row works without one.
void WheelBasePage::toggleGamesCompatibilityKey() {
    gamesKeyRow->toggle();
}

// Only the logging decimation hangs on this box; it needs no device.
void WheelBasePage::enableOutputModulo(bool checked) {
    ui.spinBox_outputModulo->setEnabled(checked);
}

void WheelBasePage::toggleLogging() {
    if (!log.isOpen() && !device)
        return;
    const QByteArray header = wheelBaseLogHeader(logState.logKind);
    if (logButton.toggle(QStringLiteral("wheel-log-"), header)) {
        logState.headerPending = header.isEmpty();
        // Fixed for the whole log: changing the box while it runs changes nothing.
        logState.logModulo =
            ui.checkBox_outputModulo->isChecked() ? uint32_t(ui.spinBox_outputModulo->value()) : 1;
    }
}

// The decimation counts the reports of open logs only; dt counts from the last report that
// passed it.
void WheelBasePage::logUpdate(const TarnUsbWheelBaseJoystickUpdate& update,
                              uint64_t readTimeMicros) {
    logState.logKind = update.logKind;
    if (log.isOpen()) {
        if (++logState.reportCounter % logState.logModulo != 0)
            return;
        const QByteArray rows = wheelBaseLogRows(update, readTimeMicros,
                                                 readTimeMicros - log.lastLogTimeMicros, logState);
        if (logState.headerPending && !rows.isEmpty()) {
            logState.headerPending = false;
            log.write(wheelBaseLogHeader(update.logKind));
        }
        log.write(rows);
    }
    log.lastLogTimeMicros = readTimeMicros;
}
