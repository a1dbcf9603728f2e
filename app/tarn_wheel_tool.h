#pragma once
// The program's only window: the device selector, the action row, the profile row and one
// settings page per device kind. The frame lives in app/, each page's slots in its own folder.

#include "usb/usbmanager.h"
#include "wheelbase/wheelbaserecords.h"

#include <QFile>
#include <QMainWindow>
#include <QString>

#include <cstdint>

namespace Ui {
class TARN_wheel_tool;
}

class QProgressDialog;
class QPushButton;
class UsbDevice;
class UsbDeviceTarnBootloader;
class UsbDeviceTarnButtonPlate;
class UsbDeviceTarnPedals;
class UsbDeviceTarnWheelBase;
class UsbSettingsDevice;

class TARN_wheel_tool : public QMainWindow {
    Q_OBJECT

public:
    explicit TARN_wheel_tool(QWidget* parent = nullptr);
    ~TARN_wheel_tool() override;

    // The device selected in the device selector, null when none.
    UsbDevice* selectedDevice() const { return currentDevice; }

private slots:
    // Frame
    void resetProgressDialog();
    void setUiEnabled(bool isEnabled);
    void onDeviceConnected(UsbDevice* device);
    void onDeviceDisconnected(UsbDevice* device);
    void on_comboBox_UsbDevice_currentIndexChanged(int index);
    void onSettingsLoaded(UsbDevice* device);
    void onSettingsLoadFailed(UsbDevice* device, QString message);
    void on_pushButton_LoadConfig_clicked();
    void on_pushButton_SaveConfig_clicked();
    void on_pushButton_SetDefaultConfig_clicked();
    void on_pushButton_EnterExitBootloader_clicked();
    void on_pushButton_UpdateFirmware_clicked();
    void onFirmwareUpdateStarted(int chunks);
    void onFirmwareUpdateProgress(int currentChunk);
    void onFirmwareUpdateCompleted(UsbDevice* device);
    void onFirmwareUpdateFailed(UsbDevice* device, QString errorMessage);

    // Profile row (profiles/)
    void on_comboBox_ProfileName_activated(int index);
    void on_comboBox_ProfileName_currentTextChanged(const QString& text);
    void on_pushButton_AddProfile_clicked();
    void on_pushButton_RemoveProfile_clicked();
    void on_pushButton_SaveProfileToFile_clicked();
    void on_pushButton_LoadProfileFromFile_clicked();

    // Wheel-base page (wheelbase/)
    void onJoystickUpdate(UsbDevice* device, TarnUsbWheelBaseJoystickUpdate* update,
                          uint64_t readTimeMicros);
    void onDebugOutput(UsbDevice* device, TarnUsbWheelBaseDebugOutput* output,
                       uint64_t readTimeMicros);
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

private:
    // The application-mode device that is current, whichever its kind.
    UsbSettingsDevice* currentSettingsDevice() const;
    void connectCurrentDevice(bool connectSignals);
    void refillProfileSelector(UsbSettingsDevice* device);

    // Wheel-base page (wheelbase/)
    void showWheelBaseProfile(int index);
    void clearWheelBaseTelemetry();
    void showWheelBaseLoaded();
    void drawWheel(int16_t axisValue);
    // The last steering position shown and the last whole-degree rim angle drawn, kept as the
    // 16 bits they were stored in; showing a profile changes lastAxisValue to force a redraw.
    uint16_t lastAxisValue = 0;
    uint16_t lastRimAngle = 0;

    Ui::TARN_wheel_tool* ui;
    QProgressDialog* progressDialog = nullptr;
    UsbManager usbManager;
    UsbDevice* currentDevice = nullptr;
    UsbDeviceTarnBootloader* bootloaderDevice = nullptr;
    UsbDeviceTarnWheelBase* wheelBaseDevice = nullptr;
    UsbDeviceTarnPedals* pedalsDevice = nullptr;
    UsbDeviceTarnButtonPlate* buttonPlateDevice = nullptr;
    uint32_t lastUiRefreshMs = 0;
    uint64_t lastLogTimeMicros = 0;
    QFile logFile;
};
