// The pedals page's form slots: the form connects them by object name on the window, and each
// hands its value to the page object.

#include "app/tarn_wheel_tool.h"

#include "pedals/pedalspage.h"

void TARN_wheel_tool::on_slider_throttle_0_valueChanged(int value) {
    page<PedalsPage>()->editCurvePoint(PedalsPage::kThrottle, 0, value);
}

void TARN_wheel_tool::on_slider_throttle_1_valueChanged(int value) {
    page<PedalsPage>()->editCurvePoint(PedalsPage::kThrottle, 1, value);
}

void TARN_wheel_tool::on_slider_throttle_2_valueChanged(int value) {
    page<PedalsPage>()->editCurvePoint(PedalsPage::kThrottle, 2, value);
}

void TARN_wheel_tool::on_slider_throttle_3_valueChanged(int value) {
    page<PedalsPage>()->editCurvePoint(PedalsPage::kThrottle, 3, value);
}

void TARN_wheel_tool::on_slider_throttle_4_valueChanged(int value) {
    page<PedalsPage>()->editCurvePoint(PedalsPage::kThrottle, 4, value);
}

void TARN_wheel_tool::on_slider_throttle_5_valueChanged(int value) {
    page<PedalsPage>()->editCurvePoint(PedalsPage::kThrottle, 5, value);
}

void TARN_wheel_tool::on_slider_brake_0_valueChanged(int value) {
    page<PedalsPage>()->editCurvePoint(PedalsPage::kBrake, 0, value);
}

void TARN_wheel_tool::on_slider_brake_1_valueChanged(int value) {
    page<PedalsPage>()->editCurvePoint(PedalsPage::kBrake, 1, value);
}

void TARN_wheel_tool::on_slider_brake_2_valueChanged(int value) {
    page<PedalsPage>()->editCurvePoint(PedalsPage::kBrake, 2, value);
}

void TARN_wheel_tool::on_slider_brake_3_valueChanged(int value) {
    page<PedalsPage>()->editCurvePoint(PedalsPage::kBrake, 3, value);
}

void TARN_wheel_tool::on_slider_brake_4_valueChanged(int value) {
    page<PedalsPage>()->editCurvePoint(PedalsPage::kBrake, 4, value);
}

void TARN_wheel_tool::on_slider_brake_5_valueChanged(int value) {
    page<PedalsPage>()->editCurvePoint(PedalsPage::kBrake, 5, value);
}

void TARN_wheel_tool::on_slider_clutch_0_valueChanged(int value) {
    page<PedalsPage>()->editCurvePoint(PedalsPage::kClutch, 0, value);
}

void TARN_wheel_tool::on_slider_clutch_1_valueChanged(int value) {
    page<PedalsPage>()->editCurvePoint(PedalsPage::kClutch, 1, value);
}

void TARN_wheel_tool::on_slider_clutch_2_valueChanged(int value) {
    page<PedalsPage>()->editCurvePoint(PedalsPage::kClutch, 2, value);
}

void TARN_wheel_tool::on_slider_clutch_3_valueChanged(int value) {
    page<PedalsPage>()->editCurvePoint(PedalsPage::kClutch, 3, value);
}

void TARN_wheel_tool::on_slider_clutch_4_valueChanged(int value) {
    page<PedalsPage>()->editCurvePoint(PedalsPage::kClutch, 4, value);
}

void TARN_wheel_tool::on_slider_clutch_5_valueChanged(int value) {
    page<PedalsPage>()->editCurvePoint(PedalsPage::kClutch, 5, value);
}

void TARN_wheel_tool::on_spinBox_throttleMaxForceAdjustment_editingFinished() {
    page<PedalsPage>()->editMaxForce(PedalsPage::kThrottle);
}

void TARN_wheel_tool::on_spinBox_throttleMinForceAdjustment_editingFinished() {
    page<PedalsPage>()->editMinForce(PedalsPage::kThrottle);
}

void TARN_wheel_tool::on_spinBox_brakeMaxForceAdjustment_editingFinished() {
    page<PedalsPage>()->editMaxForce(PedalsPage::kBrake);
}

void TARN_wheel_tool::on_spinBox_brakeMinForceAdjustment_editingFinished() {
    page<PedalsPage>()->editMinForce(PedalsPage::kBrake);
}

void TARN_wheel_tool::on_spinBox_clutchMaxForceAdjustment_editingFinished() {
    page<PedalsPage>()->editMaxForce(PedalsPage::kClutch);
}

void TARN_wheel_tool::on_spinBox_clutchMinForceAdjustment_editingFinished() {
    page<PedalsPage>()->editMinForce(PedalsPage::kClutch);
}

void TARN_wheel_tool::on_pushButton_throttleToDefault_clicked() {
    page<PedalsPage>()->resetCurve(PedalsPage::kThrottle);
}

void TARN_wheel_tool::on_pushButton_brakeToDefault_clicked() {
    page<PedalsPage>()->resetCurve(PedalsPage::kBrake);
}

void TARN_wheel_tool::on_pushButton_clutchToDefault_clicked() {
    page<PedalsPage>()->resetCurve(PedalsPage::kClutch);
}

void TARN_wheel_tool::on_pedalsCalibrationButton_clicked() {
    page<PedalsPage>()->startOrCancelCalibration();
}

void TARN_wheel_tool::on_pedalsCalibrationNextStepButton_clicked() {
    page<PedalsPage>()->nextCalibrationStep();
}

void TARN_wheel_tool::on_pedalsCalibrationPrevStepButton_clicked() {
    page<PedalsPage>()->previousCalibrationStep();
}

void TARN_wheel_tool::on_pushButton_LoggingPedals_clicked() {
    page<PedalsPage>()->toggleLogging();
}
