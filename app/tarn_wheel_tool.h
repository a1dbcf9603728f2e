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

    // Wheel-base page (wheelbase/)
    void onJoystickUpdate(UsbDevice* device, TarnUsbWheelBaseJoystickUpdate* update,
                          uint64_t readTimeMicros);
    void onDebugOutput(UsbDevice* device, TarnUsbWheelBaseDebugOutput* output,
                       uint64_t readTimeMicros);

private:
    // The application-mode device that is current, whichever its kind.
    UsbSettingsDevice* currentSettingsDevice() const;
    void connectCurrentDevice(bool connectSignals);
    void refillProfileSelector(UsbSettingsDevice* device);

    // Wheel-base page (wheelbase/)
    void showWheelBaseProfile(int index);
    void clearWheelBaseTelemetry();
    void showWheelBaseLoaded();

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
