// The wheel-base page's form slots: the form connects them by object name on the window, and
// each hands its value to the page object.

#include "app/tarn_wheel_tool.h"

#include "wheelbase/wheelbasepage.h"

void TARN_wheel_tool::on_spinBox_RotationDegree_valueChanged(int value) {
    page<WheelBasePage>()->editRotationDegrees(value);
}

void TARN_wheel_tool::on_horiSlider_Force_valueChanged(int value) {
    page<WheelBasePage>()->editForce(value);
}

void TARN_wheel_tool::on_horiSlider_Damping_valueChanged(int value) {
    page<WheelBasePage>()->editDamping(value);
}

void TARN_wheel_tool::on_horiSlider_Friction_valueChanged(int value) {
    page<WheelBasePage>()->editFriction(value);
}

void TARN_wheel_tool::on_horiSlider_Inertia_valueChanged(int value) {
    page<WheelBasePage>()->editInertia(value);
}

void TARN_wheel_tool::on_horiSlider_Spring_valueChanged(int value) {
    page<WheelBasePage>()->editSpring(value);
}

void TARN_wheel_tool::on_comboBox_DampingEffect_activated(int index) {
    page<WheelBasePage>()->chooseDampingEffect(index);
}

void TARN_wheel_tool::on_comboBox_FrictionEffect_activated(int index) {
    page<WheelBasePage>()->chooseFrictionEffect(index);
}

void TARN_wheel_tool::on_comboBox_InertiaEffect_activated(int index) {
    page<WheelBasePage>()->chooseInertiaEffect(index);
}

void TARN_wheel_tool::on_comboBox_SpringEffect_activated(int index) {
    page<WheelBasePage>()->chooseSpringEffect(index);
}

void TARN_wheel_tool::on_comboBox_GenSmooth_currentIndexChanged(int index) {
    page<WheelBasePage>()->chooseSmoothing(index);
}

void TARN_wheel_tool::on_horiSlider_GenSmooth_valueChanged(int value) {
    page<WheelBasePage>()->editSmoothing(value);
}

void TARN_wheel_tool::on_horizontalSlider_StaticForceReduction_valueChanged(int value) {
    page<WheelBasePage>()->editStaticForceReduction(value);
}

void TARN_wheel_tool::on_horizontalSlider_NonLinearity_valueChanged(int value) {
    page<WheelBasePage>()->editNonLinearity(value);
}

void TARN_wheel_tool::on_comboBox_SlewRate_currentIndexChanged(int index) {
    page<WheelBasePage>()->chooseSlewRate(index);
}

void TARN_wheel_tool::on_horizontalSlider_EndStopMaxForce_valueChanged(int value) {
    page<WheelBasePage>()->editEndStopMaxForce(value);
}

void TARN_wheel_tool::on_horizontalSlider_EndStopStiffness_valueChanged(int value) {
    page<WheelBasePage>()->editEndStopStiffness(value);
}

void TARN_wheel_tool::on_spinBox_SoftEndStop_valueChanged(int value) {
    page<WheelBasePage>()->editSoftEndStopDegrees(value);
}

void TARN_wheel_tool::on_checkBox_SoftEndStop_toggled(bool checked) {
    page<WheelBasePage>()->enableSoftEndStop(checked);
}

void TARN_wheel_tool::on_comboBox_EncoderType_activated(int index) {
    page<WheelBasePage>()->chooseEncoderType(index);
}

void TARN_wheel_tool::on_spinBox_EncoderRes_valueChanged(int value) {
    page<WheelBasePage>()->editEncoderResolution(value);
}

void TARN_wheel_tool::on_pushButton_CenterRim_clicked() {
    page<WheelBasePage>()->centerRim();
}

void TARN_wheel_tool::on_pushButtonMotorRealign_clicked() {
    page<WheelBasePage>()->realignMotor();
}

void TARN_wheel_tool::on_checkBox_outputModulo_toggled(bool checked) {
    page<WheelBasePage>()->enableOutputModulo(checked);
}

void TARN_wheel_tool::on_pushButton_LoggingWheelBase_clicked() {
    page<WheelBasePage>()->toggleLogging();
}

void TARN_wheel_tool::on_pushButtonGamesCompatibilityKey_clicked() {
    page<WheelBasePage>()->toggleGamesCompatibilityKey();
}
