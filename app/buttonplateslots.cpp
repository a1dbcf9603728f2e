// The button-plate page's form slots: the form connects them by object name on the window, and
// each hands its value to the page object.

#include "app/tarn_wheel_tool.h"

#include "buttonplate/buttonplatepage.h"

void TARN_wheel_tool::on_spinBox_xTopDeadzone_valueChanged(int value) {
    page<ButtonPlatePage>()->editXTopDeadzone(value);
}

void TARN_wheel_tool::on_spinBox_xBottomDeadzone_valueChanged(int value) {
    page<ButtonPlatePage>()->editXBottomDeadzone(value);
}

void TARN_wheel_tool::on_spinBox_yTopDeadzone_valueChanged(int value) {
    page<ButtonPlatePage>()->editYTopDeadzone(value);
}

void TARN_wheel_tool::on_spinBox_yBottomDeadzone_valueChanged(int value) {
    page<ButtonPlatePage>()->editYBottomDeadzone(value);
}

void TARN_wheel_tool::on_comboBoxAnalogInputMode_currentIndexChanged(int index) {
    page<ButtonPlatePage>()->chooseAnalogInputMode(index);
}

void TARN_wheel_tool::on_comboBoxMasterClutch_currentIndexChanged(int index) {
    page<ButtonPlatePage>()->chooseMasterClutch(index);
}

void TARN_wheel_tool::on_comboBoxLeftRotarySwitchMode_currentIndexChanged(int index) {
    page<ButtonPlatePage>()->chooseLeftRotarySwitchMode(index);
}

void TARN_wheel_tool::on_comboBoxRightRotarySwitchMode_currentIndexChanged(int index) {
    page<ButtonPlatePage>()->chooseRightRotarySwitchMode(index);
}

void TARN_wheel_tool::on_comboBoxEncoderPulseWidth_currentIndexChanged(int index) {
    page<ButtonPlatePage>()->chooseEncoderPulseWidth(index);
}

void TARN_wheel_tool::on_horizontalSliderClutchBitePoint_valueChanged(int value) {
    page<ButtonPlatePage>()->moveBitePoint(value);
}

void TARN_wheel_tool::on_doubleSpinBoxClutchBitePoint_valueChanged(double value) {
    page<ButtonPlatePage>()->editBitePoint(value);
}

void TARN_wheel_tool::on_horizontalSliderShiftersAttackPoint_valueChanged(int value) {
    page<ButtonPlatePage>()->moveAttackPoint(value);
}

void TARN_wheel_tool::on_doubleSpinBoxShiftersAttackPoint_valueChanged(double value) {
    page<ButtonPlatePage>()->editAttackPoint(value);
}

void TARN_wheel_tool::on_horizontalSliderShiftersHysteresis_valueChanged(int value) {
    page<ButtonPlatePage>()->moveHysteresis(value);
}

void TARN_wheel_tool::on_doubleSpinBoxShiftersHysteresis_valueChanged(double value) {
    page<ButtonPlatePage>()->editHysteresis(value);
}

void TARN_wheel_tool::on_horizontalSliderLedBrightness_valueChanged(int value) {
    page<ButtonPlatePage>()->moveLedBrightness(value);
}

void TARN_wheel_tool::on_spinBoxLedBrightness_valueChanged(int value) {
    page<ButtonPlatePage>()->editLedBrightness(value);
}

void TARN_wheel_tool::on_pushButtonLoadStatistics_clicked() {
    page<ButtonPlatePage>()->loadStatistics();
}

void TARN_wheel_tool::on_pushButtonResetStatistics_clicked() {
    page<ButtonPlatePage>()->resetStatistics();
}

void TARN_wheel_tool::on_pushButtonStartLoggingButtonPlate_clicked() {
    page<ButtonPlatePage>()->toggleLogging();
}

void TARN_wheel_tool::on_pushButtonCalibrateClutches_clicked() {
    page<ButtonPlatePage>()->startOrCancelCalibration(ButtonPlatePage::Paddles::Clutch);
}

void TARN_wheel_tool::on_pushButtonCalibrateClutchesNextStep_clicked() {
    page<ButtonPlatePage>()->nextCalibrationStep(ButtonPlatePage::Paddles::Clutch);
}

void TARN_wheel_tool::on_pushButtonCalibrateClutchesPrevStep_clicked() {
    page<ButtonPlatePage>()->prevCalibrationStep(ButtonPlatePage::Paddles::Clutch);
}

void TARN_wheel_tool::on_pushButtonCalibrateShifters_clicked() {
    page<ButtonPlatePage>()->startOrCancelCalibration(ButtonPlatePage::Paddles::Shifter);
}

void TARN_wheel_tool::on_pushButtonCalibrateShiftersNextStep_clicked() {
    page<ButtonPlatePage>()->nextCalibrationStep(ButtonPlatePage::Paddles::Shifter);
}

void TARN_wheel_tool::on_pushButtonCalibrateShiftersPrevStep_clicked() {
    page<ButtonPlatePage>()->prevCalibrationStep(ButtonPlatePage::Paddles::Shifter);
}
