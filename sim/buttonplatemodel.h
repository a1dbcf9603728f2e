#pragma once
// The wireless button plate (product id 0xA44C, "TARN Button Plate"), protocol version 3,
// profile count and active index at byte 26. Its command-3 answer also carries the firmware
// hash (bytes 10..13) and a 12-byte build date (14..25). Besides the shared profile commands
// it keeps the hall-sensor calibrations of commands 16 and 18, answers 19 with its factory
// block, 21 with the usage-statistics pages 0..5 (page 6 ends the read, unanswered), 22 by
// clearing the statistics and 23 with a passed accelerometer test. Its live reports sweep the
// clutch paddles, walk a pressed button across the 64, cycle through every kind of auxiliary
// value and show a battery that drains slowly. Over Bluetooth LE it enumerates with product id
// 0xA113 and returns no product string of its own.

#include "buttonplate/buttonplaterecords.h"
#include "sim/settingsmodel.h"

class ButtonPlateModel : public ProfileListModel<TarnUsbBleButtonPlateProfile> {
public:
    static constexpr uint8_t kDefaultProtocolVersion = 3;
    static constexpr size_t kMarkerOffset = 26;
    static constexpr size_t kStatisticsSize = 288;

    enum class Link { Usb, BluetoothLe };
    explicit ButtonPlateModel(Link link = Link::Usb);

    uint32_t firmwareHash = 0x0b7e4c21;
    std::string buildDate = "Feb 02 2024"; // at most 12 characters go out
    // Request bytes 21..36: the clutch-paddle and the shifter calibration records.
    uint8_t calibrations[16] = {};
    uint8_t factoryBlock[33] = {};   // answer bytes 4..36 of command 19
    std::vector<uint8_t> statistics; // 288 bytes, little-endian counters
    uint8_t batteryCentivolts = 250; // aux kind 2, hundredths of a volt, when fully charged

    TarnUsbBleButtonPlateProfile factoryProfile(int index) const override;
    void streamReport(uint32_t sequence, const ReportSink& send) override;
    int defaultJoystickRate() const override { return 250; }

    // The battery voltage after `sequence` live reports: a hundredth of a volt less every 2500
    // reports, down to 2.00 V, then charged again.
    uint8_t batteryAt(uint32_t sequence) const;

protected:
    void fillLoadAnswer(std::vector<uint8_t>& answer) const override;
    bool handleOwnCommand(const uint8_t* request, const ReportSink& send) override;
    VirtualDeviceIdentity bootloaderIdentity() const override;
};
