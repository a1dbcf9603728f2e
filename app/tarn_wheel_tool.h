#pragma once
// The program's only window: the device selector, the action row, the profile row and one
// settings page per device kind. The frame knows a page only through DevicePage and reaches it
// through the page list; the form's slots of a page forward to its page object. It opens the
// devices only while it holds the devices lock, which tarnctl takes too. Its Games tab switches
// the devices' profiles while a game runs.

#include "app/devicepage.h"
#include "usb/deviceslock.h"
#include "usb/usbmanager.h"
#include "wheelbase/telemetrylog.h"

#include <QMainWindow>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <map>

namespace Ui {
class TARN_wheel_tool;
}

struct DeviceKind;
class GamesPage;
class QFileDialog;
class QProgressDialog;
class UsbDevice;
class UsbDeviceTarnBootloader;
class UsbSettingsDevice;

class TARN_wheel_tool : public QMainWindow {
    Q_OBJECT

public:
    // `timings`: how often the device manager scans and the devices resend and update.
    explicit TARN_wheel_tool(QWidget* parent = nullptr, const UsbTimings& timings = UsbTimings());
    ~TARN_wheel_tool() override;

    // The device selected in the device selector, null when none.
    UsbDevice* selectedDevice() const { return currentDevice; }

protected:
    // Closing gives every device the game switched its own profile back.
    void closeEvent(QCloseEvent* event) override;

private slots:
    // Frame
    void resetProgressDialog();
    void setUiEnabled(bool isEnabled);
    void onDeviceConnected(UsbDevice* device);
    void onDeviceDisconnected(UsbDevice* device);
    void on_comboBox_UsbDevice_currentIndexChanged(int index);
    void onSettingsLoaded(UsbDevice* device);
    void onSettingsLoadFailed(UsbDevice* device, const QString& message);
    void on_pushButton_LoadConfig_clicked();
    void on_pushButton_SaveConfig_clicked();
    void on_pushButton_SetDefaultConfig_clicked();
    void on_pushButton_EnterExitBootloader_clicked();
    void on_pushButton_UpdateFirmware_clicked();
    void onFirmwareUpdateStarted(int chunks);
    void onFirmwareUpdateProgress(int currentChunk);
    void onFirmwareUpdateCompleted(UsbDevice* device);
    void onFirmwareUpdateFailed(UsbDevice* device, const QString& errorMessage);
    void sayUpdateDidNotFinish();
    void onDeviceInaccessible(const InaccessibleDevice& device);
    void onInaccessibleDeviceGone(const QString& path);
    // Starts the device manager once this program holds the devices lock; until then the
    // device selector names the program that holds it.
    void takeDevices();

    // Profile row (profiles/)
    void on_comboBox_ProfileName_activated(int index);
    void on_comboBox_ProfileName_currentTextChanged(const QString& text);
    void on_pushButton_AddProfile_clicked();
    void on_pushButton_RemoveProfile_clicked();
    void on_pushButton_SaveProfileToFile_clicked();
    void on_pushButton_LoadProfileFromFile_clicked();

    // Wheel-base page (forwarded to WheelBasePage)
    void on_spinBox_RotationDegree_valueChanged(int value);
    void on_horiSlider_Force_valueChanged(int value);
    void on_horiSlider_Damping_valueChanged(int value);
    void on_horiSlider_Friction_valueChanged(int value);
    void on_horiSlider_Inertia_valueChanged(int value);
    void on_horiSlider_Spring_valueChanged(int value);
    void on_comboBox_DampingEffect_activated(int index);
    void on_comboBox_FrictionEffect_activated(int index);
    void on_comboBox_InertiaEffect_activated(int index);
    void on_comboBox_SpringEffect_activated(int index);
    void on_comboBox_GenSmooth_currentIndexChanged(int index);
    void on_horiSlider_GenSmooth_valueChanged(int value);
    void on_horizontalSlider_StaticForceReduction_valueChanged(int value);
    void on_horizontalSlider_NonLinearity_valueChanged(int value);
    void on_comboBox_SlewRate_currentIndexChanged(int index);
    void on_horizontalSlider_EndStopMaxForce_valueChanged(int value);
    void on_horizontalSlider_EndStopStiffness_valueChanged(int value);
    void on_spinBox_SoftEndStop_valueChanged(int value);
    void on_checkBox_SoftEndStop_toggled(bool checked);
    void on_comboBox_EncoderType_activated(int index);
    void on_spinBox_EncoderRes_valueChanged(int value);
    void on_pushButton_CenterRim_clicked();
    void on_pushButtonMotorRealign_clicked();
    void on_checkBox_outputModulo_toggled(bool checked);
    void on_pushButton_LoggingWheelBase_clicked();
    void on_pushButtonGamesCompatibilityKey_clicked();

    // Pedals page (forwarded to PedalsPage)
    void on_slider_throttle_0_valueChanged(int value);
    void on_slider_throttle_1_valueChanged(int value);
    void on_slider_throttle_2_valueChanged(int value);
    void on_slider_throttle_3_valueChanged(int value);
    void on_slider_throttle_4_valueChanged(int value);
    void on_slider_throttle_5_valueChanged(int value);
    void on_slider_brake_0_valueChanged(int value);
    void on_slider_brake_1_valueChanged(int value);
    void on_slider_brake_2_valueChanged(int value);
    void on_slider_brake_3_valueChanged(int value);
    void on_slider_brake_4_valueChanged(int value);
    void on_slider_brake_5_valueChanged(int value);
    void on_slider_clutch_0_valueChanged(int value);
    void on_slider_clutch_1_valueChanged(int value);
    void on_slider_clutch_2_valueChanged(int value);
    void on_slider_clutch_3_valueChanged(int value);
    void on_slider_clutch_4_valueChanged(int value);
    void on_slider_clutch_5_valueChanged(int value);
    void on_spinBox_throttleMaxForceAdjustment_editingFinished();
    void on_spinBox_throttleMinForceAdjustment_editingFinished();
    void on_spinBox_brakeMaxForceAdjustment_editingFinished();
    void on_spinBox_brakeMinForceAdjustment_editingFinished();
    void on_spinBox_clutchMaxForceAdjustment_editingFinished();
    void on_spinBox_clutchMinForceAdjustment_editingFinished();
    void on_pushButton_throttleToDefault_clicked();
    void on_pushButton_brakeToDefault_clicked();
    void on_pushButton_clutchToDefault_clicked();
    void on_pedalsCalibrationButton_clicked();
    void on_pedalsCalibrationNextStepButton_clicked();
    void on_pedalsCalibrationPrevStepButton_clicked();
    void on_pushButton_LoggingPedals_clicked();

    // Button-plate page (forwarded to ButtonPlatePage)
    void on_spinBox_xTopDeadzone_valueChanged(int value);
    void on_spinBox_xBottomDeadzone_valueChanged(int value);
    void on_spinBox_yTopDeadzone_valueChanged(int value);
    void on_spinBox_yBottomDeadzone_valueChanged(int value);
    void on_comboBoxAnalogInputMode_currentIndexChanged(int index);
    void on_comboBoxMasterClutch_currentIndexChanged(int index);
    void on_comboBoxLeftRotarySwitchMode_currentIndexChanged(int index);
    void on_comboBoxRightRotarySwitchMode_currentIndexChanged(int index);
    void on_comboBoxEncoderPulseWidth_currentIndexChanged(int index);
    void on_horizontalSliderClutchBitePoint_valueChanged(int value);
    void on_doubleSpinBoxClutchBitePoint_valueChanged(double value);
    void on_horizontalSliderShiftersAttackPoint_valueChanged(int value);
    void on_doubleSpinBoxShiftersAttackPoint_valueChanged(double value);
    void on_horizontalSliderShiftersHysteresis_valueChanged(int value);
    void on_doubleSpinBoxShiftersHysteresis_valueChanged(double value);
    void on_horizontalSliderLedBrightness_valueChanged(int value);
    void on_spinBoxLedBrightness_valueChanged(int value);
    void on_pushButtonLoadStatistics_clicked();
    void on_pushButtonResetStatistics_clicked();
    void on_pushButtonStartLoggingButtonPlate_clicked();
    void on_pushButtonCalibrateClutches_clicked();
    void on_pushButtonCalibrateClutchesNextStep_clicked();
    void on_pushButtonCalibrateClutchesPrevStep_clicked();
    void on_pushButtonCalibrateShifters_clicked();
    void on_pushButtonCalibrateShiftersNextStep_clicked();
    void on_pushButtonCalibrateShiftersPrevStep_clicked();

private:
    void connectCurrentDevice(bool connectSignals);
    // The bootloader stops being current: its file dialog closes, and an update that was
    // running is said not to have finished.
    void leaveBootloader();
    void refillProfileSelector(UsbSettingsDevice* device);
    // The Games tab switched the selected device to profile `index`: shown as if picked.
    void showSwitchedProfile(int index);
    // The page object of class Page.
    template <class Page> Page* page() const {
        for (const auto& entry : pages) {
            if (auto* found = qobject_cast<Page*>(entry.second))
                return found;
        }
        return nullptr;
    }

    Ui::TARN_wheel_tool* ui;
    QProgressDialog* progressDialog = nullptr;
    // The bootloader's file dialog while it is open: closed when the bootloader goes.
    QPointer<QFileDialog> firmwareFileDialog;
    // Tells tarnctl watch that a window is open, so that it gives the devices up.
    WindowPresenceLock windowPresence;
    DevicesLock devicesLock;
    QTimer devicesLockRetry;
    UsbManager usbManager;
    // The telemetry log the pages share: one log at a time, whichever page started it.
    TelemetryLog telemetryLog;
    std::map<TarnDeviceKind, DevicePage*> pages; // owned as children
    GamesPage* gamesPage = nullptr;              // owned as a child

    // The selected device, and what it is: a bootloader, or a device with settings of a kind
    // with a page.
    UsbDevice* currentDevice = nullptr;
    UsbDeviceTarnBootloader* bootloaderDevice = nullptr;
    UsbSettingsDevice* settingsDevice = nullptr;
    const DeviceKind* currentKind = nullptr;
    DevicePage* currentPage = nullptr;
};
