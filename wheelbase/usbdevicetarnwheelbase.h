#pragma once
// The direct-drive wheel base: protocol version 7, profile count and active index at byte 58.

#include "usb/usbsettingsdevice.h"
#include "wheelbase/wheelbaserecords.h"

class UsbDeviceTarnWheelBase : public UsbProfileDevice<TarnUsbWheelBaseProfileV5, 100> {
    Q_OBJECT

public:
    static constexpr uint8_t kProtocolVersion = 7;
    static constexpr int kMarkerOffset = 58;

    UsbDeviceTarnWheelBase(const QString& path, std::unique_ptr<HidDevice> handle);

    // A new first profile on a wheel base that reported none.
    static TarnUsbWheelBaseProfileV5 defaultProfile();

    uint8_t deviceProtocolVersion = 0;
    uint32_t firmwareHash = 0;
    char firmwareBuildDate[44] = {};

signals:
    void onJoystickUpdate(UsbDevice* device, TarnUsbWheelBaseJoystickUpdate* update,
                          uint64_t readTimeMicros);
    void onDebugOutput(UsbDevice* device, TarnUsbWheelBaseDebugOutput* output,
                       uint64_t readTimeMicros);
    void onTestCommand(UsbDevice* device, TarnUsbWheelBaseTestCommand* testCommand);

public slots:
    void centerRim();
    void sendTestForceCommand(float constantForce);
    void sendTestBrakeResistorCommand(bool enabled);
    void realignMotor();

protected:
    void handleJoystickReport(TarnUsbReport* report, uint64_t readTimeMicros) override;
    // Telemetry (command 2) and the echo of a test command (9).
    bool handleUnaskedReport(TarnUsbReport* report, uint64_t readTimeMicros) override;
    void handleAnswer(const TarnUsbReport* report) override;
    void fillFirstProfile(uint8_t* record) override;

private:
    void handleLoadAnswer(const TarnUsbReport* report);
    void handleCenterRimAnswer(const TarnUsbReport* report);
    void sendTestCommand(uint8_t test, float constantForce);
};
