#pragma once
// The pedal set: protocol version 4, profile count and active index at byte 26. Its load reads
// the calibration (command 10) before the profiles.

#include "pedals/pedalsrecords.h"
#include "usb/usbsettingsdevice.h"

class UsbDeviceTarnPedals : public UsbProfileDevice<TarnUsbPedalsProfileV2, 40> {
    Q_OBJECT

public:
    static constexpr uint8_t kProtocolVersion = 4;
    static constexpr int kMarkerOffset = 26;

    UsbDeviceTarnPedals(const QString& path, std::unique_ptr<HidDevice> handle);

    uint8_t calibration[kPedalsCalibrationSize] = {};

public slots:
    void loadCalibration();

protected:
    void handleAnswer(const TarnUsbReport* report) override;
    // The pedals do not tell when a save has ended.
    void settingsSaveFinished() override {}
};
