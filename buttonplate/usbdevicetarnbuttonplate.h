#pragma once
// The wireless button plate: protocol version 3, profile count and active index at byte 26.

#include "buttonplate/buttonplaterecords.h"
#include "usb/usbsettingsdevice.h"

class UsbDeviceTarnButtonPlate : public UsbProfileDevice<TarnUsbBleButtonPlateProfile, 100> {
    Q_OBJECT

public:
    static constexpr uint8_t kProtocolVersion = 3;
    static constexpr int kMarkerOffset = 26;

    UsbDeviceTarnButtonPlate(const QString& path, std::unique_ptr<HidDevice> handle);

    uint32_t firmwareHash = 0;
    char firmwareBuildDate[13] = {}; // 12 bytes of text and a terminator of our own

protected:
    void handleAnswer(const TarnUsbReport* report) override;
};
