// The wheel-base page of the main window: every control edits its field of the active profile in
// place and asks the device for a live update; the rim picture follows the steering position and
// the Debug tab shows the telemetry. The texts and the arithmetic live in wheelbasetexts.

#include "app/tarn_wheel_tool.h"
#include "ui_tarn_wheel_tool.h"

#include "usb/usbmanager.h"
#include "wheelbase/usbdevicetarnwheelbase.h"
#include "wheelbase/wheelbaserim.h"
#include "wheelbase/wheelbasetexts.h"

#include <QSignalBlocker>

namespace {

// The tab the wheel base's own encoder settings sit on; hardware from major version 4 on sets
// its encoder itself.
constexpr int kEncoderTab = 3;
constexpr int kTabsWithEncoder = 5;
constexpr int kLastHardwareWithEncoderTab = 3;

// Moves a slider to a profile's value without running its slot, and returns the value the
// slider accepted. Showing a profile then runs the slot once itself, whether the slider moved
// or not, so the label and the rules apply either way.
int showSliderValue(QAbstractSlider* slider, int value) {
    QSignalBlocker blocker(slider);
    slider->setValue(value);
    return slider->value();
}

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

void TARN_wheel_tool::showWheelBaseProfile(int index) {
    if (!wheelBaseDevice)
        return;
    TarnUsbWheelBaseProfileV5& p = wheelBaseDevice->profiles[index];

    ui->label_CenterOffsetDeg->setText(centerOffsetText(p.centerOffset));

    ui->comboBox_EncoderType->setCurrentIndex(p.encoderType);
    ui->spinBox_EncoderRes->setValue(p.encoderResolution);
    ui->spinBox_RotationDegree->setValue(p.rotationDegrees);

    // Force comes before the end stops, so the end-stop rule raises a stored end-stop force that
    // is below the force.
    on_horiSlider_Force_valueChanged(showSliderValue(ui->horiSlider_Force, p.force));

    on_horiSlider_GenSmooth_valueChanged(
        showSliderValue(ui->horiSlider_GenSmooth, signedByte(p.smoothing)));
    ui->horiSlider_GenSmooth->hide();
    ui->label_GenSmooth->hide();

    on_horiSlider_Damping_valueChanged(
        showSliderValue(ui->horiSlider_Damping, signedByte(p.damping)));
    on_horiSlider_Friction_valueChanged(
        showSliderValue(ui->horiSlider_Friction, signedByte(p.friction)));
    on_horiSlider_Inertia_valueChanged(
        showSliderValue(ui->horiSlider_Inertia, signedByte(p.inertia)));
    on_horiSlider_Spring_valueChanged(showSliderValue(ui->horiSlider_Spring, signedByte(p.spring)));

    ui->comboBox_DampingEffect->setCurrentIndex(p.dampingEffect);
    ui->comboBox_FrictionEffect->setCurrentIndex(p.frictionEffect);
    ui->comboBox_InertiaEffect->setCurrentIndex(p.inertiaEffect);
    ui->comboBox_SpringEffect->setCurrentIndex(p.springEffect);

    ui->comboBox_GenSmooth->setCurrentIndex(signedByte(p.smoothing));
    wheelBaseDevice->updateSettings();

    on_horizontalSlider_StaticForceReduction_valueChanged(showSliderValue(
        ui->horizontalSlider_StaticForceReduction, signedByte(p.staticForceReduction)));
    on_horizontalSlider_NonLinearity_valueChanged(
        showSliderValue(ui->horizontalSlider_NonLinearity, signedByte(p.nonLinearity)));

    ui->comboBox_SlewRate->setCurrentIndex(p.slewRate);

    on_horizontalSlider_EndStopMaxForce_valueChanged(
        showSliderValue(ui->horizontalSlider_EndStopMaxForce, signedByte(p.endStopMaxForce)));
    on_horizontalSlider_EndStopStiffness_valueChanged(
        showSliderValue(ui->horizontalSlider_EndStopStiffness, signedByte(p.endStopStiffness)));

    // Any value but 1 counts as off and is stored back as 0.
    ui->spinBox_SoftEndStop->setValue(int(p.softEndStopDegrees));
    const bool softEndStop = p.softEndStopEnabled == 1;
    ui->spinBox_SoftEndStop->setEnabled(softEndStop);
    p.softEndStopEnabled = softEndStop ? 1 : 0;
    wheelBaseDevice->updateSettings();
    ui->checkBox_SoftEndStop->setChecked(softEndStop);

    // The next joystick update redraws the value label even if the wheel has not moved.
    ++lastAxisValue;
}

void TARN_wheel_tool::clearWheelBaseTelemetry() {
    const int readoutWidth =
        ui->label_debugTicks->fontMetrics().horizontalAdvance(QLatin1String(kWidestReadout)) +
        4 * kReadoutPadding;
    for (QLabel* label :
         {ui->label_debugTicks, ui->label_debugMotorState, ui->label_debugEncoderState,
          ui->label_debugBisscRaw, ui->label_debugClearedFaults, ui->label_debugMotorAngle,
          ui->label_debugEncoderRaw, ui->label_debugFfbIn, ui->label_debugFfbOut,
          ui->label_debugMaxMotorCurrent, ui->label_debugPsuCurrent, ui->label_debugMotorCurrent,
          ui->label_debugPsuTemperature, ui->label_debugMotorTemperature,
          ui->label_debugBrakeTemperature, ui->label_debugPowerstageTemperature}) {
        makeReadout(label, readoutWidth);
        label->clear();
    }
    // The fault names wrap onto more lines: that read-out grows downwards. Faults change seldom.
    makeReadout(ui->label_debugCurrentFaults, readoutWidth);
    ui->label_debugCurrentFaults->setMaximumHeight(QWIDGETSIZE_MAX);
    ui->label_debugCurrentFaults->clear();
    // The steering position under the rim changes as often as the read-outs.
    ui->label_JoystickValue->setFixedSize(ui->label_Rim_Image->width(),
                                          ui->label_JoystickValue->fontMetrics().height());
    ui->label_JoystickValue->setAutoFillBackground(true);
    ui->tabWidget->setCurrentIndex(0);
}

void TARN_wheel_tool::showWheelBaseLoaded() {
    if (wheelBaseDevice && wheelBaseDevice->hardwareMajor() > kLastHardwareWithEncoderTab &&
        ui->tabWidget->count() == kTabsWithEncoder)
        ui->tabWidget->removeTab(kEncoderTab);
}

void TARN_wheel_tool::onJoystickUpdate(UsbDevice* device, TarnUsbWheelBaseJoystickUpdate* update,
                                       uint64_t readTimeMicros) {
    // Every report reaches this point; the telemetry log takes each one here, before the
    // refresh limit below thins them out for the screen.
    const uint32_t nowMs = wheelBaseClockMs(currentTimeMicros());
    if (!wheelBaseRefreshDue(nowMs, lastUiRefreshMs))
        return;
    lastUiRefreshMs = nowMs;
    drawWheel(update->axis);
    // Whatever the payload holds, it is shown as telemetry.
    onDebugOutput(device, &update->telemetry, readTimeMicros);
}

void TARN_wheel_tool::drawWheel(int16_t axisValue) {
    if (!wheelBaseDevice || uint16_t(axisValue) == lastAxisValue)
        return;
    lastAxisValue = uint16_t(axisValue);
    ui->label_JoystickValue->setText(QString::number(axisValue));

    const int32_t angle =
        rimAngleDegrees(axisValue, wheelBaseDevice->activeProfile().rotationDegrees);
    if (uint16_t(angle) == lastRimAngle)
        return;
    lastRimAngle = uint16_t(angle);
    // Turned at the size it is shown at, in device pixels.
    const int side =
        qRound(ui->label_Rim_Image->width() * ui->label_Rim_Image->devicePixelRatioF());
    ui->label_Rim_Image->setPixmap(rotatedRim(rimPicture(side), angle));
}

void TARN_wheel_tool::onDebugOutput(UsbDevice*, TarnUsbWheelBaseDebugOutput* output, uint64_t) {
    if (!wheelBaseDevice)
        return;
    const WheelBaseTelemetryTexts texts = telemetryTexts(*output);
    ui->label_debugTicks->setText(texts.ticks);
    ui->label_debugMotorState->setText(texts.motorState);
    ui->label_debugEncoderState->setText(texts.encoderState);
    ui->label_debugBisscRaw->setText(texts.bisscRaw);
    ui->label_debugCurrentFaults->setText(texts.currentFaults);
    ui->label_debugClearedFaults->setText(texts.clearedFaults);
    ui->label_debugMotorAngle->setText(texts.motorAngle);
    ui->label_debugEncoderRaw->setText(texts.encoderRaw);
    ui->label_debugFfbIn->setText(texts.ffbIn);
    ui->label_debugFfbOut->setText(texts.ffbOut);
    ui->label_debugMaxMotorCurrent->setText(texts.maxMotorCurrent);
    ui->label_debugPsuCurrent->setText(texts.psuCurrent);
    ui->label_debugMotorCurrent->setText(texts.motorCurrent);
    ui->label_debugPsuTemperature->setText(texts.psuTemperature);
    ui->label_debugMotorTemperature->setText(texts.motorTemperature);
    ui->label_debugBrakeTemperature->setText(texts.brakeTemperature);
    ui->label_debugPowerstageTemperature->setText(texts.powerstageTemperature);
}

// Controls. Each writes its field of the active profile, updates its value label and asks for a
// live update, which the device sends 250 ms after the last edit.

void TARN_wheel_tool::on_spinBox_RotationDegree_valueChanged(int value) {
    if (!wheelBaseDevice)
        return;
    wheelBaseDevice->activeProfile().rotationDegrees = value;
    wheelBaseDevice->updateSettings();
}

void TARN_wheel_tool::on_horiSlider_Force_valueChanged(int value) {
    if (!wheelBaseDevice)
        return;
    TarnUsbWheelBaseProfileV5& profile = wheelBaseDevice->activeProfile();
    profile.force = value;
    ui->label_Force->setText(percentText(value));
    wheelBaseDevice->updateSettings();
    // The end stops never push back softer than the wheel's maximum force. The end-stop slot
    // stores the raised value, also when its slider already stood there.
    if (value > signedByte(profile.endStopMaxForce))
        on_horizontalSlider_EndStopMaxForce_valueChanged(
            showSliderValue(ui->horizontalSlider_EndStopMaxForce, value));
}

void TARN_wheel_tool::on_horizontalSlider_EndStopMaxForce_valueChanged(int value) {
    if (!wheelBaseDevice)
        return;
    TarnUsbWheelBaseProfileV5& profile = wheelBaseDevice->activeProfile();
    if (value < profile.force) {
        showSliderValue(ui->horizontalSlider_EndStopMaxForce, signedByte(profile.endStopMaxForce));
        return;
    }
    profile.endStopMaxForce = uint8_t(value);
    ui->label_EndStopMaxForce->setText(percentText(value));
    wheelBaseDevice->updateSettings();
}

void TARN_wheel_tool::on_horiSlider_Damping_valueChanged(int value) {
    if (!wheelBaseDevice)
        return;
    wheelBaseDevice->activeProfile().damping = uint8_t(value);
    ui->label_Damping->setText(percentText(value));
    wheelBaseDevice->updateSettings();
}

void TARN_wheel_tool::on_horiSlider_Friction_valueChanged(int value) {
    if (!wheelBaseDevice)
        return;
    wheelBaseDevice->activeProfile().friction = uint8_t(value);
    ui->label_Friction->setText(percentText(value));
    wheelBaseDevice->updateSettings();
}

void TARN_wheel_tool::on_horiSlider_Inertia_valueChanged(int value) {
    if (!wheelBaseDevice)
        return;
    wheelBaseDevice->activeProfile().inertia = uint8_t(value);
    ui->label_Inertia->setText(percentText(value));
    wheelBaseDevice->updateSettings();
}

void TARN_wheel_tool::on_horiSlider_Spring_valueChanged(int value) {
    if (!wheelBaseDevice)
        return;
    wheelBaseDevice->activeProfile().spring = uint8_t(value);
    ui->label_Spring->setText(percentText(value));
    wheelBaseDevice->updateSettings();
}

void TARN_wheel_tool::on_comboBox_DampingEffect_activated(int index) {
    if (!wheelBaseDevice || index < 0)
        return;
    wheelBaseDevice->activeProfile().dampingEffect = uint8_t(index);
    wheelBaseDevice->updateSettings();
}

void TARN_wheel_tool::on_comboBox_FrictionEffect_activated(int index) {
    if (!wheelBaseDevice || index < 0)
        return;
    wheelBaseDevice->activeProfile().frictionEffect = uint8_t(index);
    wheelBaseDevice->updateSettings();
}

void TARN_wheel_tool::on_comboBox_InertiaEffect_activated(int index) {
    if (!wheelBaseDevice || index < 0)
        return;
    wheelBaseDevice->activeProfile().inertiaEffect = uint8_t(index);
    wheelBaseDevice->updateSettings();
}

void TARN_wheel_tool::on_comboBox_SpringEffect_activated(int index) {
    if (!wheelBaseDevice || index < 0)
        return;
    wheelBaseDevice->activeProfile().springEffect = uint8_t(index);
    wheelBaseDevice->updateSettings();
}

// An emptied combo box reports index -1; that is no choice and writes nothing.
void TARN_wheel_tool::on_comboBox_GenSmooth_currentIndexChanged(int index) {
    if (!wheelBaseDevice || index < 0)
        return;
    wheelBaseDevice->activeProfile().smoothing = uint8_t(index);
    wheelBaseDevice->updateSettings();
}

void TARN_wheel_tool::on_horiSlider_GenSmooth_valueChanged(int value) {
    if (!wheelBaseDevice)
        return;
    wheelBaseDevice->activeProfile().smoothing = uint8_t(value);
    ui->label_GenSmooth->setText(numberText(value));
    wheelBaseDevice->updateSettings();
}

void TARN_wheel_tool::on_horizontalSlider_StaticForceReduction_valueChanged(int value) {
    if (!wheelBaseDevice)
        return;
    wheelBaseDevice->activeProfile().staticForceReduction = uint8_t(value);
    ui->label_StaticForceReduction->setText(percentText(value));
    wheelBaseDevice->updateSettings();
}

void TARN_wheel_tool::on_horizontalSlider_NonLinearity_valueChanged(int value) {
    if (!wheelBaseDevice)
        return;
    wheelBaseDevice->activeProfile().nonLinearity = uint8_t(value);
    ui->label_NonLinearity->setText(numberText(value));
    wheelBaseDevice->updateSettings();
}

void TARN_wheel_tool::on_comboBox_SlewRate_currentIndexChanged(int index) {
    if (!wheelBaseDevice || index < 0)
        return;
    wheelBaseDevice->activeProfile().slewRate = uint8_t(index);
    wheelBaseDevice->updateSettings();
}

void TARN_wheel_tool::on_horizontalSlider_EndStopStiffness_valueChanged(int value) {
    if (!wheelBaseDevice)
        return;
    wheelBaseDevice->activeProfile().endStopStiffness = uint8_t(value);
    ui->label_EndStopStiffness->setText(numberText(value));
    wheelBaseDevice->updateSettings();
}

void TARN_wheel_tool::on_spinBox_SoftEndStop_valueChanged(int value) {
    if (!wheelBaseDevice)
        return;
    wheelBaseDevice->activeProfile().softEndStopDegrees = uint32_t(value);
    wheelBaseDevice->updateSettings();
}

void TARN_wheel_tool::on_checkBox_SoftEndStop_toggled(bool checked) {
    if (!wheelBaseDevice)
        return;
    ui->spinBox_SoftEndStop->setEnabled(checked);
    wheelBaseDevice->activeProfile().softEndStopEnabled = checked ? 1 : 0;
    wheelBaseDevice->updateSettings();
}

void TARN_wheel_tool::on_comboBox_EncoderType_activated(int index) {
    if (!wheelBaseDevice || index < 0)
        return;
    wheelBaseDevice->activeProfile().encoderType = uint8_t(index);
    wheelBaseDevice->updateSettings();
}

void TARN_wheel_tool::on_spinBox_EncoderRes_valueChanged(int value) {
    if (!wheelBaseDevice)
        return;
    wheelBaseDevice->activeProfile().encoderResolution = value;
    wheelBaseDevice->updateSettings();
}

void TARN_wheel_tool::on_pushButton_CenterRim_clicked() {
    if (wheelBaseDevice)
        wheelBaseDevice->centerRim();
}

void TARN_wheel_tool::on_pushButtonMotorRealign_clicked() {
    if (wheelBaseDevice)
        wheelBaseDevice->realignMotor();
}

// Only the logging decimation hangs on this box; it needs no device.
void TARN_wheel_tool::on_checkBox_outputModulo_toggled(bool checked) {
    ui->spinBox_outputModulo->setEnabled(checked);
}
