#pragma once
// The pedal set (product id 0xA3BE, "TARN Torvane Pedals"), protocol version 4, profile count
// and active index at byte 26. Besides the shared profile commands it answers command 10 with
// its calibration (bytes 3..29), keeps the calibration of command 11, and acknowledges the
// calibration start (14); command 15 ends a calibration without an answer.
//
// Each pedal is wired to one of the analog inputs X, Y and Z, whose raw readings rise with the
// pedal's travel. The live reports carry the raw readings and, per pedal, the output that the
// stored calibration, the active profile's curve and its force range make of them. The pedals
// move by themselves, one at a time, until a test presses one.

#include "pedals/pedalsrecords.h"
#include "sim/settingsmodel.h"

#include <array>

class PedalsModel : public ProfileListModel<TarnUsbPedalsProfileV2> {
public:
    static constexpr uint8_t kDefaultProtocolVersion = 4;
    static constexpr size_t kMarkerOffset = 26;
    static constexpr uint32_t kRawCentre = 8388608; // raw readings are centred on 2^23
    enum Pedal { kClutch, kBrake, kThrottle };
    static constexpr int kNotWired = -1;

    PedalsModel();

    // The input (0 = X, 1 = Y, 2 = Z) each pedal is wired to, or kNotWired; by default the
    // clutch is on X, the brake on Y and the throttle on Z.
    std::array<int, 3> wiring{0, 1, 2};
    // Whether a sensor is connected to input X, Y, Z.
    std::array<bool, 3> sensorConnected{true, true, true};
    // Raw readings of each input with its pedal released and fully pressed.
    std::array<uint32_t, 3> restRaw{kRawCentre + 20000, kRawCentre + 15000, kRawCentre + 18000};
    std::array<uint32_t, 3> pressedRaw{kRawCentre + 600000, kRawCentre + 900000,
                                       kRawCentre + 650000};
    TarnUsbPedalsCalibrationV2 calibration{};
    bool calibrating = false; // between commands 14 and 15

    // Holds `pedal` at `travel` (0 released .. 65535 fully pressed); from the first call on, no
    // pedal moves by itself any more.
    void press(Pedal pedal, uint16_t travel = 65535);
    void release(Pedal pedal) { press(pedal, 0); }
    // The raw reading of input 0..2 now.
    uint32_t rawReading(int input, uint32_t sequence) const;

    TarnUsbPedalsProfileV2 factoryProfile(int index) const override;
    void streamReport(uint32_t sequence, const ReportSink& send) override;
    int defaultJoystickRate() const override { return 1000; }

protected:
    bool handleOwnCommand(const uint8_t* request, const ReportSink& send) override;
    VirtualDeviceIdentity bootloaderIdentity() const override;

private:
    uint16_t travelOf(int pedal, uint32_t sequence) const;
    uint16_t output(int pedal, uint32_t sequence) const;

    bool movingByThemselves = true;
    std::array<uint16_t, 3> heldTravel{};
};
