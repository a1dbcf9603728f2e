#include "pedals/pedalspage.h"
#include "ui_tarn_wheel_tool.h"

#include "pedals/pedalslogrows.h"
#include "pedals/pedalstexts.h"
#include "wheelbase/telemetrylog.h"

#include <QMessageBox>

#include <cstring>

namespace {
// The bars and the telemetry are redrawn at most this often; the wizard still sees every report.
constexpr qint64 kRedrawIntervalMs = 16;
} // namespace

PedalsPage::PedalsPage(Ui::TARN_wheel_tool& ui, TelemetryLog& log, QObject* parent)
    : SettingsPage(ui.settingsPedalsPage, parent)
    , ui(ui)
    , log(log)
    , logButton(ui.pushButton_LoggingPedals, log, this)
    , editors{{{&Profile::throttleCurve,
                &Profile::throttleMaxForceAdjustment,
                &Profile::throttleMinForceAdjustment,
                {ui.slider_throttle_0, ui.slider_throttle_1, ui.slider_throttle_2,
                 ui.slider_throttle_3, ui.slider_throttle_4, ui.slider_throttle_5},
                {ui.slider_throttleValue_0, ui.slider_throttleValue_1, ui.slider_throttleValue_2,
                 ui.slider_throttleValue_3, ui.slider_throttleValue_4, ui.slider_throttleValue_5},
                ui.spinBox_throttleMaxForceAdjustment,
                ui.spinBox_throttleMinForceAdjustment},
               {&Profile::brakeCurve,
                &Profile::brakeMaxForceAdjustment,
                &Profile::brakeMinForceAdjustment,
                {ui.slider_brake_0, ui.slider_brake_1, ui.slider_brake_2, ui.slider_brake_3,
                 ui.slider_brake_4, ui.slider_brake_5},
                {ui.slider_brakeValue_0, ui.slider_brakeValue_1, ui.slider_brakeValue_2,
                 ui.slider_brakeValue_3, ui.slider_brakeValue_4, ui.slider_brakeValue_5},
                ui.spinBox_brakeMaxForceAdjustment,
                ui.spinBox_brakeMinForceAdjustment},
               {&Profile::clutchCurve,
                &Profile::clutchMaxForceAdjustment,
                &Profile::clutchMinForceAdjustment,
                {ui.slider_clutch_0, ui.slider_clutch_1, ui.slider_clutch_2, ui.slider_clutch_3,
                 ui.slider_clutch_4, ui.slider_clutch_5},
                {ui.slider_clutchValue_0, ui.slider_clutchValue_1, ui.slider_clutchValue_2,
                 ui.slider_clutchValue_3, ui.slider_clutchValue_4, ui.slider_clutchValue_5},
                ui.spinBox_clutchMaxForceAdjustment,
                ui.spinBox_clutchMinForceAdjustment}}}
    , calibrationButtons(ui.pedalsCalibrationTipsLabel, ui.pedalsCalibrationButton,
                         ui.pedalsCalibrationNextStepButton, ui.pedalsCalibrationPrevStepButton) {
    sinceRedraw.start();
}

void PedalsPage::connectDevice(UsbDeviceTarnPedals& pedals) {
    connect(&pedals, &UsbDeviceTarnPedals::onJoystickUpdate, this,
            &PedalsPage::onPedalsJoystickUpdate);
    connect(&pedals, &UsbDeviceTarnPedals::onCalibrationStarted, this,
            &PedalsPage::onCalibrationStarted);
    connect(&pedals, &UsbDeviceTarnPedals::onCalibrationSave, this,
            &PedalsPage::onPedalsCalibrationSave);
}

void PedalsPage::clear() {
    ui.pedalsCalibrationTipsLabel->setText(QStringLiteral(" "));
    ui.pedalsCalibrationPrevStepButton->setEnabled(false);
    ui.pedalsCalibrationNextStepButton->setEnabled(false);
    // Pedals that are not calibrating (another set, or these after a reconnection) show the
    // bars and the Start button, whatever a calibration of a set before them left behind.
    if (!device || !device->calibrationWizard.running)
        showIdleCalibration();
    for (QLabel* label :
         {ui.labelClutchValue, ui.labelBrakeValue, ui.labelThrottleValue, ui.labelTicksDebug,
          ui.labelClutchDebug, ui.labelBrakeDebug, ui.labelThrottleDebug, ui.labelXRawDebug,
          ui.labelYRawDebug, ui.labelZRawDebug, ui.labelXConnected, ui.labelYConnected,
          ui.labelZConnected})
        label->clear();
    ui.tabPedalsWidget->setCurrentIndex(0);
}

uint16_t PedalsPage::field(uint16_t Profile::*member) const {
    // Copied out: the record is packed, so the field may sit at any address.
    uint16_t value;
    std::memcpy(&value, &(device->activeProfile().*member), sizeof value);
    return value;
}

void PedalsPage::storeField(uint16_t Profile::*member, uint16_t value) {
    std::memcpy(&(device->activeProfile().*member), &value, sizeof value);
}

// Fills the controls without running their edit rules, so a value the pedals hold outside a
// control's range is shown clamped but stays as it is until the user edits it; the selected
// profile then reaches the pedals with one live update.
void PedalsPage::showProfile(int index) {
    if (!device || index < 0)
        return;
    for (const CurveEditor& editor : editors) {
        const uint8_t(&curve)[6] = device->activeProfile().*editor.curve;
        for (int point = 0; point < 6; ++point) {
            showSliderValue(editor.sliders[size_t(point)], curve[point]);
            editor.labels[size_t(point)]->setText(curvePointText(curve[point]));
        }
        showForce(editor.maxSpin, forcePercentShown(field(editor.maxForce)));
        showForce(editor.minSpin, forcePercentShown(field(editor.minForce)));
    }
    device->updateSettings();
}

void PedalsPage::showForce(QDoubleSpinBox* spin, double percent) {
    spin->setValue(percent);
    shownForces[spin] = spin->value();
}

void PedalsPage::editCurvePoint(Pedal pedal, int point, int value) {
    if (!device || point < 0 || point > 5)
        return;
    const CurveEditor& editor = editors[size_t(pedal)];
    uint8_t(&curve)[6] = device->activeProfile().*editor.curve;
    const int allowed = clampCurvePoint(curve, point, value);
    showSliderValue(editor.sliders[size_t(point)], allowed);
    editor.labels[size_t(point)]->setText(curvePointText(allowed));
    curve[point] = uint8_t(allowed);
    device->updateSettings();
}

void PedalsPage::resetCurve(Pedal pedal) {
    for (const auto& move : curveResetMoves())
        editCurvePoint(pedal, move.first, move.second);
}

void PedalsPage::editMaxForce(Pedal pedal) {
    const CurveEditor& editor = editors[size_t(pedal)];
    editForce(editor.maxSpin, editor.maxForce, editor.minForce, true);
}

void PedalsPage::editMinForce(Pedal pedal) {
    const CurveEditor& editor = editors[size_t(pedal)];
    editForce(editor.minSpin, editor.minForce, editor.maxForce, false);
}

void PedalsPage::editForce(QDoubleSpinBox* spin, uint16_t Profile::*member,
                           uint16_t Profile::*other, bool isMaximum) {
    if (!device || spin->value() == shownForces.value(spin, -1))
        return;
    const int raw = forceRawFromPercent(spin->value());
    const int otherRaw = field(other);
    if (!(isMaximum ? forceRangeAllowed(raw, otherRaw) : forceRangeAllowed(otherRaw, raw))) {
        showForce(spin, forcePercentRestored(field(member)));
        return;
    }
    storeField(member, uint16_t(raw));
    shownForces[spin] = spin->value();
    device->updateSettings();
}

// Live view. Each report goes to the wizard while it runs, which keeps the reading the Next
// button takes; the screen is redrawn at most every kRedrawIntervalMs.

void PedalsPage::onPedalsJoystickUpdate(UsbDevice* pedals, TarnUsbPedalsJoystickUpdate* update,
                                        uint64_t readTimeMicros) {
    if (!device)
        return;
    logUpdate(*update, readTimeMicros);
    PedalsCalibration& wizard = device->calibrationWizard;
    const uint16_t calibrationShown =
        wizard.running ? wizard.watch(*update, pedalsCalibrationValue) : 0;
    if (sinceRedraw.elapsed() < kRedrawIntervalMs)
        return;
    sinceRedraw.restart();

    if (wizard.running) {
        ui.pedalBrake->setValue(calibrationShown);
        ui.labelBrakeValue->setText(pedalOutputPercentText(calibrationShown));
    } else {
        drawPedals(update->clutch, update->brake, update->throttle);
    }
    ui.labelClutchDebug->setText(pedalOutputDebugText(tr("Clutch: "), update->clutch));
    ui.labelBrakeDebug->setText(pedalOutputDebugText(tr("Brake: "), update->brake));
    ui.labelThrottleDebug->setText(pedalOutputDebugText(tr("Throttle: "), update->throttle));
    onPedalsDebugOutput(pedals, &update->debugOutput, readTimeMicros);
}

void PedalsPage::onPedalsDebugOutput(UsbDevice*, TarnUsbPedalsDebugOutput* output, uint64_t) {
    if (!device)
        return;
    ui.labelTicksDebug->setText(tr("Ticks: ") + QString::number(output->ticks));
    ui.labelXRawDebug->setText(pedalRawText(tr("X raw: "), output->xRaw));
    ui.labelYRawDebug->setText(pedalRawText(tr("Y raw: "), output->yRaw));
    ui.labelZRawDebug->setText(pedalRawText(tr("Z raw: "), output->zRaw));
    ui.labelXConnected->setText(pedalConnectedText(tr("X connected: "), output->xConnected));
    ui.labelYConnected->setText(pedalConnectedText(tr("Y connected: "), output->yConnected));
    ui.labelZConnected->setText(pedalConnectedText(tr("Z connected: "), output->zConnected));
}

void PedalsPage::drawPedals(uint16_t clutch, uint16_t brake, uint16_t throttle) {
    ui.pedalClutch->setValue(clutch);
    ui.pedalBrake->setValue(brake);
    ui.pedalThrottle->setValue(throttle);
    ui.labelClutchValue->setText(pedalOutputPercentText(clutch));
    ui.labelBrakeValue->setText(pedalOutputPercentText(brake));
    ui.labelThrottleValue->setText(pedalOutputPercentText(throttle));
}

// Calibration. The wizard starts when the pedals acknowledge the start; meanwhile the Start
// button is disabled, so a start cannot be cancelled before they answer.

void PedalsPage::showBars(bool calibrating) {
    ui.labelClutch->setText(calibrating ? QString() : tr("Clutch"));
    ui.labelBrake->setText(calibrating ? QString() : tr("Brake"));
    ui.labelThrottle->setText(calibrating ? QString() : tr("Throttle"));
    for (QWidget* widget :
         {static_cast<QWidget*>(ui.pedalClutch), static_cast<QWidget*>(ui.labelClutchValue),
          static_cast<QWidget*>(ui.pedalThrottle), static_cast<QWidget*>(ui.labelThrottleValue)})
        widget->setVisible(!calibrating);
}

void PedalsPage::showIdleCalibration() {
    calibrationButtons.showIdle(tr("Next step"));
    showBars(false);
}

void PedalsPage::startOrCancelCalibration() {
    if (!device)
        return;
    PedalsCalibration& wizard = device->calibrationWizard;
    if (!wizard.running) {
        ui.pedalsCalibrationButton->setEnabled(false);
        ui.pedalsCalibrationTipsLabel->setText(tr("Starting calibration process"));
        device->startCalibration();
        showBars(true);
        return;
    }
    showIdleCalibration();
    wizard.running = false;
    device->stopCalibration();
}

void PedalsPage::onCalibrationStarted() {
    if (!device || device->calibrationWizard.running)
        return;
    PedalsCalibration& wizard = device->calibrationWizard;
    wizard.begin();
    calibrationButtons.showRunning(wizard.stepText());
    ui.pedalsCalibrationButton->setEnabled(true);
}

void PedalsPage::nextCalibrationStep() {
    if (!device)
        return;
    PedalsCalibration& wizard = device->calibrationWizard;
    switch (wizard.sample(pedalsCalibrationValue)) {
    case PedalsCalibration::Outcome::Advanced:
        calibrationButtons.showAdvanced(wizard.step == kPedalsSaveCalibration, wizard.stepText());
        break;
    case PedalsCalibration::Outcome::WrongValue:
        calibrationButtons.refuse(page->window(),
                                  tr("Min and Max values are the same. Have you pressed a pedal?"));
        break;
    case PedalsCalibration::Outcome::WrongChannel:
        QMessageBox::warning(page->window(), tr("Wrong channel"),
                             tr("This pedal is already in use. Please, choose another one."));
        break;
    case PedalsCalibration::Outcome::Save:
        calibrationButtons.showSaving();
        device->stopCalibration();
        device->saveCalibration();
        break;
    }
}

void PedalsPage::previousCalibrationStep() {
    if (!device)
        return;
    PedalsCalibration& wizard = device->calibrationWizard;
    const int step = wizard.prev();
    calibrationButtons.showBack(step, true, wizard.stepText());
}

// Closes the wizard. An acknowledgement with no wizard running (the user cancelled meanwhile)
// must not open a new calibration.
void PedalsPage::onPedalsCalibrationSave() {
    if (!device || !device->calibrationWizard.running)
        return;
    ui.pedalsCalibrationNextStepButton->setText(tr("Next step"));
    startOrCancelCalibration();
}

void PedalsPage::toggleLogging() {
    if (log.isOpen() || device)
        logButton.toggle(QStringLiteral("pedals-log-"), pedalsLogHeader());
}

// While a log is open dt counts from the last report before it started.
void PedalsPage::logUpdate(const TarnUsbPedalsJoystickUpdate& update, uint64_t readTimeMicros) {
    if (!log.isOpen()) {
        log.lastLogTimeMicros = readTimeMicros;
        return;
    }
    log.write(pedalsLogRow(update, readTimeMicros, readTimeMicros - log.lastLogTimeMicros));
}
