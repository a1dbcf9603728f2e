#pragma once
// The pedal set (product id 0xA3BE, "TARN Torvane Pedals"), protocol version 4, profile count
// and active index at byte 26. Besides the shared profile commands it answers command 10 with
// its calibration (bytes 3..29), keeps the calibration of command 11, and acknowledges the
// calibration start (14); command 15 ends a calibration without an answer. Its live reports
// move the three pedals and carry the raw readings of inputs X, Y and Z.

#include "pedals/pedalsrecords.h"
#include "sim/settingsmodel.h"

// The pedals' calibration record as it travels at bytes 3..29.
#pragma pack(push, 1)
struct PedalsCalibrationRecord {
    uint32_t clutchMax, brakeMax, throttleMax;
    uint32_t clutchMin, brakeMin, throttleMin;
    uint8_t clutchChannel, brakeChannel, throttleChannel;
};
#pragma pack(pop)
static_assert(sizeof(PedalsCalibrationRecord) == kPedalsCalibrationSize, "");

class PedalsModel : public ProfileListModel<TarnUsbPedalsProfileV2> {
public:
    static constexpr uint8_t kDefaultProtocolVersion = 4;
    static constexpr size_t kMarkerOffset = 26;
    static constexpr uint32_t kRawCentre = 8388608; // raw readings are centred on 2^23

    PedalsModel();

    PedalsCalibrationRecord calibration{kRawCentre + 600000,
                                        kRawCentre + 900000,
                                        kRawCentre + 650000,
                                        kRawCentre + 20000,
                                        kRawCentre + 15000,
                                        kRawCentre + 18000,
                                        0,
                                        1,
                                        2};
    bool calibrating = false; // between commands 14 and 15

    TarnUsbPedalsProfileV2 factoryProfile(int index) const override;
    void streamReport(uint32_t sequence, const ReportSink& send) override;
    int defaultJoystickRate() const override { return 1000; }

protected:
    bool handleOwnCommand(const uint8_t* request, const ReportSink& send) override;
    VirtualDeviceIdentity bootloaderIdentity() const override;
};
