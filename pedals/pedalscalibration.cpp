#include "pedals/pedalscalibration.h"

#include <QCoreApplication>

namespace {

using Record = TarnUsbPedalsCalibrationV2;

// The fields of the pedal a press or release step concerns.
struct PedalFields {
    uint32_t Record::*max;
    uint32_t Record::*min;
    uint8_t Record::*channel;
};

constexpr PedalFields kThrottle{&Record::throttleMax, &Record::throttleMin,
                                &Record::throttleChannel};
constexpr PedalFields kBrake{&Record::brakeMax, &Record::brakeMin, &Record::brakeChannel};
constexpr PedalFields kClutch{&Record::clutchMax, &Record::clutchMin, &Record::clutchChannel};

// The pedal of steps 1 and 2, 3 and 4, 5 and 6; null at the other steps.
const PedalFields* pedalAt(int step) {
    switch (step) {
    case kPedalsPressThrottle:
    case kPedalsReleaseThrottle:
        return &kThrottle;
    case kPedalsPressBrake:
    case kPedalsReleaseBrake:
        return &kBrake;
    case kPedalsPressClutch:
    case kPedalsReleaseClutch:
        return &kClutch;
    default:
        return nullptr;
    }
}

bool isPressStep(int step) {
    return step == kPedalsPressThrottle || step == kPedalsPressBrake || step == kPedalsPressClutch;
}

bool isReleaseStep(int step) {
    return step == kPedalsReleaseThrottle || step == kPedalsReleaseBrake ||
           step == kPedalsReleaseClutch;
}

int64_t distance(uint32_t a, uint32_t b) {
    const int64_t difference = int64_t(a) - int64_t(b);
    return difference < 0 ? -difference : difference;
}

QString tr(const char* text) {
    return QCoreApplication::translate("PedalsCalibration", text);
}

} // namespace

PedalsCalibrationStep PedalsCalibration::next() {
    const int advanced = step + 1;
    // Past the release step of the last pedal walked comes the save.
    step = advanced == 2 * connectedInputs + 1 ? kPedalsSaveCalibration
                                               : PedalsCalibrationStep(advanced);
    return step;
}

PedalsCalibrationStep PedalsCalibration::prev() {
    const int back = step - 1;
    if (back < 0)
        return step;
    step = PedalsCalibrationStep(back < 2 * connectedInputs ? back : 2 * connectedInputs);
    return step;
}

QString PedalsCalibration::stepText() const {
    switch (step) {
    case kPedalsReleaseAll:
        return tr("Release all pedals and press Next Step.");
    case kPedalsPressThrottle:
        return tr("Press the Throttle pedal to desired max travel and press Next Step.");
    case kPedalsReleaseThrottle:
        return tr("Release the Throttle pedal to the neutral position and press Next Step.");
    case kPedalsPressBrake:
        return tr("Press the Brake pedal with desired max force and press Next Step.");
    case kPedalsReleaseBrake:
        return tr("Release the Brake pedal to the neutral position and press Next Step.");
    case kPedalsPressClutch:
        return tr("Press the Clutch pedal to desired max travel and press Next Step.");
    case kPedalsReleaseClutch:
        return tr("Release the Clutch pedal to the neutral position and press Next Step.");
    case kPedalsSaveCalibration:
        return tr("Press save to store the new calibration settings.");
    }
    return tr("Wrong value!");
}

bool PedalsCalibration::setValue(int value) {
    const PedalFields* pedal = pedalAt(step);
    if (!pedal)
        return true;
    const uint32_t reading = uint32_t(value);
    if (isPressStep(step)) {
        record.*pedal->max = reading;
        return true;
    }
    if (distance(reading, record.*pedal->max) < kMinimumTravel)
        return false;
    record.*pedal->min = reading;
    return true;
}

bool PedalsCalibration::assignChannel(uint8_t channel) {
    const PedalFields* pedal = pedalAt(step);
    if (!pedal)
        return true;
    for (const PedalFields* other : {&kThrottle, &kBrake, &kClutch}) {
        if (other != pedal && record.*other->channel == channel && channel != kPedalsNoChannel)
            return false;
    }
    record.*pedal->channel = channel;
    return true;
}

void PedalsCalibration::begin() {
    running = true;
    step = firstStep;
    record.throttleChannel = kPedalsNoChannel;
    record.brakeChannel = kPedalsNoChannel;
    record.clutchChannel = kPedalsNoChannel;
}

PedalsCalibration::Outcome PedalsCalibration::sample(uint32_t reading) {
    if (step == kPedalsSaveCalibration)
        return Outcome::Save;
    if (step == kPedalsReleaseAll) {
        next();
        return Outcome::Advanced;
    }
    if (!pedalAt(step) || !setValue(int(reading)))
        return Outcome::WrongValue;
    if (isPressStep(step) && !assignChannel(detectedChannel))
        return Outcome::WrongChannel;
    next();
    return Outcome::Advanced;
}

uint16_t PedalsCalibration::watch(const TarnUsbPedalsJoystickUpdate& update, uint32_t& reading) {
    const TarnUsbPedalsDebugOutput& raw = update.debugOutput;
    // Input X, Y, Z and the output shown for each: the outputs in the order the pedals report
    // them, clutch, brake, throttle.
    const struct {
        uint32_t value;
        uint32_t baseline;
        uint8_t connected;
        uint16_t shown;
    } inputs[] = {{raw.xRaw, baselineX, raw.xConnected, update.clutch},
                  {raw.yRaw, baselineY, raw.yConnected, update.brake},
                  {raw.zRaw, baselineZ, raw.zConnected, update.throttle}};

    if (step == kPedalsReleaseAll) {
        baselineX = raw.xRaw;
        baselineY = raw.yRaw;
        baselineZ = raw.zRaw;
        // A flag is "connected" when non-zero, whatever its value: counting its value would let
        // a flag of 2 walk more pedals than there are.
        connectedInputs = (raw.xConnected != 0) + (raw.yConnected != 0) + (raw.zConnected != 0);
        return 0;
    }
    if (isPressStep(step)) {
        detectedChannel = kPedalsNoChannel;
        for (uint8_t channel = 0; channel < 3; ++channel) {
            const auto& input = inputs[channel];
            if (input.connected && distance(input.value, input.baseline) > kDetectionThreshold) {
                detectedChannel = channel;
                break;
            }
        }
    } else if (!isReleaseStep(step)) {
        return 0;
    }
    if (detectedChannel >= 3)
        return 0;
    reading = inputs[detectedChannel].value;
    return inputs[detectedChannel].shown;
}
