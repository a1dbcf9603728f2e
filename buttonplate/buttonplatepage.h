#pragma once
// The button-plate page: the controls edit their fields of the active profile and ask the plate
// for a live update; the button grid, the clutch bars and the Debug tab show the live input; the
// Statistics tab reads and resets the usage counters; the Clutches and Shifters groups run the
// two hall-sensor wizards. The window's form slots forward here; texts and conversions live in
// buttonplatetexts.

#include "app/settingspage.h"
#include "buttonplate/usbdevicetarnbuttonplate.h"
#include "wheelbase/logbutton.h"

#include <QPalette>

#include <array>
#include <cstdint>
#include <memory>

namespace Ui {
class TARN_wheel_tool;
}

class CalibrationButtons;
class QLabel;
class TelemetryLog;

class ButtonPlatePage : public SettingsPage<UsbDeviceTarnButtonPlate> {
    Q_OBJECT

public:
    // The two paddle pairs, each with its wizard.
    enum class Paddles { Clutch, Shifter };

    ButtonPlatePage(Ui::TARN_wheel_tool& ui, TelemetryLog& log, QObject* parent);
    ~ButtonPlatePage() override;

    void clear() override;
    void showLoaded() override;
    void showProfile(int index) override;

    // The controls, one per form slot.
    void editXTopDeadzone(int value);
    void editXBottomDeadzone(int value);
    void editYTopDeadzone(int value);
    void editYBottomDeadzone(int value);
    void chooseAnalogInputMode(int index);
    void chooseMasterClutch(int index);
    void chooseLeftRotarySwitchMode(int index);
    void chooseRightRotarySwitchMode(int index);
    void chooseEncoderPulseWidth(int index);
    void moveBitePoint(int tenths);
    void editBitePoint(double percent);
    void moveAttackPoint(int tenths);
    void editAttackPoint(double percent);
    void moveHysteresis(int tenths);
    void editHysteresis(double percent);
    void moveLedBrightness(int value);
    void editLedBrightness(int value);
    void loadStatistics();
    void resetStatistics();
    // Starts a button-plate log, or stops the open log.
    void toggleLogging();

    // The wizard of one paddle pair: Start / Cancel, Next / Save, Prev.
    void startOrCancelCalibration(Paddles paddles);
    void nextCalibrationStep(Paddles paddles);
    void prevCalibrationStep(Paddles paddles);

    // The plate's signals.
    void onJoystickUpdate(UsbDevice* device, TarnUsbBleButtonPlateJoystickUpdate* update,
                          uint64_t readTimeMicros);
    void onStatisticsLoaded(const TarnUsbButtonPlateUsageStatisticsStructure& statistics);
    void onStatisticsReseted();
    // The plate stored a calibration: the wizard that sent it closes.
    void onCalibrationSave();

private:
    void connectDevice(UsbDeviceTarnButtonPlate& plate) override;
    // Every report: the row of the open log.
    void logUpdate(const TarnUsbBleButtonPlateJoystickUpdate& update, uint64_t readTimeMicros);
    void showButtons(uint64_t buttons);
    void showAux(const TarnUsbBleButtonPlateJoystickUpdate& update);
    void storePercent(float Profile::*field, int tenths);
    void askForBitePointUpdate();
    void enableStatisticsButtons(bool enabled);
    PaddlesCalibration& wizard(Paddles paddles) const;
    CalibrationButtons& buttons(Paddles paddles) const;
    bool calibrating(Paddles paddles) const;
    // The raw reading the wizard of `paddles` samples at its current step.
    uint16_t rawReading(Paddles paddles) const;

    Ui::TARN_wheel_tool& ui;
    TelemetryLog& log;
    LogButton logButton;
    std::array<QLabel*, 64> buttonLabels{};
    QPalette releasedPalette;
    QPalette pressedPalette;
    uint64_t shownButtons = 0;
    std::unique_ptr<CalibrationButtons> clutchButtons;
    std::unique_ptr<CalibrationButtons> shifterButtons;
    // The last raw hall readings of their kind, which the wizards sample.
    uint16_t clutchRawLeft = 0;
    uint16_t clutchRawRight = 0;
    uint16_t shifterRawLeft = 0;
    uint16_t shifterRawRight = 0;
    // False while the bite point the plate reported moves the controls: no live update then.
    bool sendBitePointEdits = true;
};
