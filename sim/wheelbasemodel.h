#pragma once
// The direct-drive wheel base (product id 0xA355, "TARN Torvane Wheel Base"), protocol version
// 7 by default, profile count and active index at byte 58. Besides the shared profile commands
// it answers command 7 (centres the rim: the profile it was sent comes back with a new
// centerOffset and is taken into the list) and command 9 (test commands, echoed). Its live
// reports turn the rim slowly back and forth and carry telemetry (log kind 1) with a torque
// trace (kind 2) and a commutation trace (kind 3) in between; every telemetryEvery-th report it
// also sends the telemetry unasked as a command-2 answer.

#include "sim/settingsmodel.h"
#include "wheelbase/wheelbaserecords.h"

class WheelBaseModel : public ProfileListModel<TarnUsbWheelBaseProfileV5> {
public:
    static constexpr uint8_t kDefaultProtocolVersion = 7;
    static constexpr size_t kMarkerOffset = 58;

    WheelBaseModel();

    uint32_t firmwareHash = 0x5e1f0c3a;
    std::string buildDate = "Mar 14 2024 10:21:33"; // at most 43 characters go out
    // The centerOffset the next centre-rim answer carries (a fraction of one turn).
    float centerOffsetAfterCentring = 0.0125f;
    // Live reports between two command-2 telemetry answers; 0 sends none.
    uint32_t telemetryEvery = 500;
    // The last test command received (bytes 3..7 of command 9).
    TarnUsbWheelBaseTestCommand lastTestCommand{};

    TarnUsbWheelBaseProfileV5 factoryProfile(int index) const override;
    void streamReport(uint32_t sequence, const ReportSink& send) override;
    int defaultJoystickRate() const override { return 1000; }

protected:
    void fillLoadAnswer(std::vector<uint8_t>& answer) const override;
    bool handleOwnCommand(const uint8_t* request, const ReportSink& send) override;
    VirtualDeviceIdentity bootloaderIdentity() const override;

private:
    TarnUsbWheelBaseDebugOutput telemetry(uint32_t sequence) const;
};
