#pragma once
// The pedals' calibration wizard: release everything, then press and release the throttle, the
// brake and the clutch in turn. It finds by itself which input (X, Y or Z) each pedal moves, and
// records each pedal's raw reading pressed and released. Only as many pedals are walked as
// inputs have a sensor; the others keep the channel "none".

#include "pedals/calibration.h"
#include "pedals/pedalsrecords.h"

#include <QString>

#include <cstdint>

enum PedalsCalibrationStep : int {
    kPedalsReleaseAll = 0,
    kPedalsPressThrottle = 1,
    kPedalsReleaseThrottle = 2,
    kPedalsPressBrake = 3,
    kPedalsReleaseBrake = 4,
    kPedalsPressClutch = 5,
    kPedalsReleaseClutch = 6,
    kPedalsSaveCalibration = 7,
};

class PedalsCalibration : public Calibration<TarnUsbPedalsCalibrationV2, PedalsCalibrationStep> {
public:
    // An input counts as pressed when its reading is more than this away from its baseline.
    static constexpr int64_t kDetectionThreshold = 3000;
    // A released reading must be at least this far from the pressed one.
    static constexpr int64_t kMinimumTravel = 5000;

    // What the Next button did with a reading.
    enum class Outcome { Advanced, WrongValue, WrongChannel, Save };

    PedalsCalibrationStep next() override;
    PedalsCalibrationStep prev() override;
    QString stepText() const override;
    bool setValue(int value) override;

    // Ties the pedal of the current step to `channel`; false, changing nothing, when another
    // pedal is tied to it already (several pedals may be on "none").
    bool assignChannel(uint8_t channel);

    // The pedals acknowledged the start: a run begins at the first step with no pedal tied to
    // an input. Readings of an earlier run stay until their steps are done again.
    void begin();
    // Next with `reading`, the raw reading the live view holds for the current step.
    Outcome sample(uint32_t reading);
    // One live update while running: takes the baselines at the first step, finds the pressed
    // input at a press step and follows it at its release step. Keeps `reading` on the detected
    // input's raw value and returns the output to show for it (0 when there is none).
    uint16_t watch(const TarnUsbPedalsJoystickUpdate& update, uint32_t& reading);

    uint32_t baselineX = 0;
    uint32_t baselineY = 0;
    uint32_t baselineZ = 0;
    uint8_t detectedChannel = 0;
    int connectedInputs = 0;
};
