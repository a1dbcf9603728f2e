#pragma once
// The wheel-base page: every control edits its field of the active profile in place and asks the
// device for a live update; the rim picture follows the steering position and the Debug tab
// shows the telemetry. The window's form slots forward here; texts and arithmetic live in
// wheelbasetexts and wheelbaserim.

#include "app/settingspage.h"
#include "wheelbase/logbutton.h"
#include "wheelbase/telemetrylog.h"
#include "wheelbase/usbdevicetarnwheelbase.h"
#include "wheelbase/wheelbaselogrows.h"

#include <cstdint>

namespace Ui {
class TARN_wheel_tool;
}

class GamesKeyRow;

class WheelBasePage : public SettingsPage<UsbDeviceTarnWheelBase> {
    Q_OBJECT

public:
    WheelBasePage(Ui::TARN_wheel_tool& ui, TelemetryLog& log, QObject* parent);

    void clear() override;
    void showLoaded() override;
    void showProfile(int index) override;

    // The controls, one per form slot.
    void editRotationDegrees(int value);
    void editForce(int value);
    void editDamping(int value);
    void editFriction(int value);
    void editInertia(int value);
    void editSpring(int value);
    void chooseDampingEffect(int index);
    void chooseFrictionEffect(int index);
    void chooseInertiaEffect(int index);
    void chooseSpringEffect(int index);
    void chooseSmoothing(int index);
    void editSmoothing(int value);
    void editStaticForceReduction(int value);
    void editNonLinearity(int value);
    void chooseSlewRate(int index);
    void editEndStopMaxForce(int value);
    void editEndStopStiffness(int value);
    void editSoftEndStopDegrees(int value);
    void enableSoftEndStop(bool checked);
    void chooseEncoderType(int index);
    void editEncoderResolution(int value);
    void centerRim();
    void realignMotor();
    void enableOutputModulo(bool checked);
    // Starts a wheel-base log, or stops the open log.
    void toggleLogging();
    void toggleGamesCompatibilityKey();

    // Every joystick report of the wheel base; redraws at most every 16 ms.
    void onJoystickUpdate(UsbDevice* device, TarnUsbWheelBaseJoystickUpdate* update,
                          uint64_t readTimeMicros);
    void onDebugOutput(UsbDevice* device, TarnUsbWheelBaseDebugOutput* output,
                       uint64_t readTimeMicros);

private:
    void connectDevice(UsbDeviceTarnWheelBase& wheelBase) override;
    void drawWheel(int16_t axisValue);

    // Every report, before the refresh limit: the row of the open log.
    void logUpdate(const TarnUsbWheelBaseJoystickUpdate& update, uint64_t readTimeMicros);

    Ui::TARN_wheel_tool& ui;
    TelemetryLog& log;
    LogButton logButton;
    WheelBaseLogState logState;
    // The last steering position shown and the last whole-degree rim angle drawn, kept as the
    // 16 bits they were stored in; showing a profile changes lastAxisValue to force a redraw.
    uint16_t lastAxisValue = 0;
    uint16_t lastRimAngle = 0;
    uint32_t lastUiRefreshMs;
    GamesKeyRow* const gamesKeyRow; // child
};
