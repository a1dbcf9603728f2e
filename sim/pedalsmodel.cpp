#include "sim/pedalsmodel.h"

#include "usb/tarnusbreport.h"

#include <algorithm>

namespace {
// One press and release of a pedal, in live reports, while the pedals move by themselves.
constexpr uint32_t kPressPeriod = 2000;
constexpr int64_t kFullTravel = 65535;

// While the pedals move by themselves they are pressed one at a time, throttle, brake, clutch,
// as the calibration asks for them: each rises and falls over kPressPeriod reports and rests
// while the others move.
uint16_t automaticTravel(uint32_t sequence, int turn) {
    const uint32_t position = sequence % (3 * kPressPeriod);
    if (position / kPressPeriod != uint32_t(turn))
        return 0;
    const uint32_t within = position % kPressPeriod;
    const uint32_t half = kPressPeriod / 2;
    const uint32_t rising = within < half ? within : kPressPeriod - within;
    return uint16_t(rising * 65535 / half);
}

// The curve's output percent at input `travel`, between its points at 0, 20, .. 100 %.
int64_t curveAt(const uint8_t (&curve)[6], int64_t travel) {
    const int64_t position = travel * 5; // in units of kFullTravel per curve segment
    const int64_t segment = std::min<int64_t>(position / kFullTravel, 4);
    const int64_t within = position - segment * kFullTravel;
    return curve[segment] + (curve[segment + 1] - curve[segment]) * within / kFullTravel;
}
} // namespace

PedalsModel::PedalsModel()
    : ProfileListModel(kDefaultProtocolVersion, kMarkerOffset) {
    deviceInfo[0] = 0x02;
    setHardwareVersion(2, 0);
    deviceInfo[3] = 1; // software 1.4
    deviceInfo[4] = 4;
    deviceIdentity.productId = 0xA3BE;
    deviceIdentity.product = "TARN Torvane Pedals";
    deviceIdentity.serial = "TPD-000233";
    calibration = {
        pressedRaw[0], pressedRaw[1], pressedRaw[2], restRaw[0], restRaw[1], restRaw[2], 0, 1, 2};
    restoreFactoryProfiles();
}

TarnUsbPedalsProfileV2 PedalsModel::factoryProfile(int index) const {
    static const char* const names[] = {"Linear", "Progressive", "Soft brake"};
    TarnUsbPedalsProfileV2 profile{};
    profile.index = uint8_t(index);
    setRecordName(profile.name, index < 3 ? names[index] : "Profile " + std::to_string(index));
    profile.clutchMaxForceAdjustment = 65535;
    profile.brakeMaxForceAdjustment = index == 2 ? 52428 : 65535;
    profile.throttleMaxForceAdjustment = 65535;
    const uint8_t linear[6] = {0, 20, 40, 60, 80, 100};
    const uint8_t progressive[6] = {0, 8, 20, 38, 64, 100};
    const uint8_t* curve = index == 1 ? progressive : linear;
    std::memcpy(profile.clutchCurve, linear, 6);
    std::memcpy(profile.brakeCurve, curve, 6);
    std::memcpy(profile.throttleCurve, curve, 6);
    return profile;
}

void PedalsModel::press(Pedal pedal, uint16_t travel) {
    if (movingByThemselves) {
        movingByThemselves = false;
        heldTravel = {};
    }
    heldTravel[size_t(pedal)] = travel;
}

uint16_t PedalsModel::travelOf(int pedal, uint32_t sequence) const {
    if (!movingByThemselves)
        return heldTravel[size_t(pedal)];
    return automaticTravel(sequence, kThrottle - pedal);
}

uint32_t PedalsModel::rawReading(int input, uint32_t sequence) const {
    const size_t at = size_t(input);
    int64_t travel = 0;
    for (int pedal = 0; pedal < 3; ++pedal) {
        if (wiring[size_t(pedal)] == input)
            travel = travelOf(pedal, sequence);
    }
    const int64_t span = int64_t(pressedRaw[at]) - int64_t(restRaw[at]);
    return uint32_t(int64_t(restRaw[at]) + span * travel / kFullTravel);
}

// What the pedals make of their input: the travel the calibration reads from the pedal's input,
// shaped by the active profile's curve and scaled into its force range. A pedal without a
// calibrated input outputs 0.
uint16_t PedalsModel::output(int pedal, uint32_t sequence) const {
    const uint8_t channels[] = {calibration.clutchChannel, calibration.brakeChannel,
                                calibration.throttleChannel};
    const uint32_t maxima[] = {calibration.clutchMax, calibration.brakeMax,
                               calibration.throttleMax};
    const uint32_t minima[] = {calibration.clutchMin, calibration.brakeMin,
                               calibration.throttleMin};
    const uint8_t channel = channels[pedal];
    const int64_t range = int64_t(maxima[pedal]) - int64_t(minima[pedal]);
    if (channel >= 3 || range == 0 || profiles.empty())
        return 0;
    const int64_t moved = int64_t(rawReading(channel, sequence)) - int64_t(minima[pedal]);
    const int64_t travel = std::clamp<int64_t>(moved * kFullTravel / range, 0, kFullTravel);

    const TarnUsbPedalsProfileV2& profile =
        profiles[std::min<size_t>(activeProfile, profiles.size() - 1)];
    const uint16_t maxima16[] = {profile.clutchMaxForceAdjustment, profile.brakeMaxForceAdjustment,
                                 profile.throttleMaxForceAdjustment};
    const uint16_t minima16[] = {profile.clutchMinForceAdjustment, profile.brakeMinForceAdjustment,
                                 profile.throttleMinForceAdjustment};
    const uint8_t(*curves[])[6] = {&profile.clutchCurve, &profile.brakeCurve,
                                   &profile.throttleCurve};
    const int64_t percent = std::clamp<int64_t>(curveAt(*curves[pedal], travel), 0, 100);
    return uint16_t(minima16[pedal] + (maxima16[pedal] - minima16[pedal]) * percent / 100);
}

bool PedalsModel::handleOwnCommand(const uint8_t* request, const ReportSink& send) {
    switch (request[1]) {
    case kCmdLoadCalibration: {
        std::vector<uint8_t> record = answer(kCmdLoadCalibration);
        std::memcpy(record.data() + kRecordOffset, &calibration, sizeof calibration);
        send(record);
        return true;
    }
    case kCmdSaveCalibration:
        std::memcpy(&calibration, request + kRecordOffset, sizeof calibration);
        send(answer(kCmdSaveCalibration));
        return true;
    case kCmdStartCalibration:
        calibrating = true;
        send(answer(kCmdStartCalibration));
        return true;
    case kCmdStopCalibration:
        calibrating = false;
        return true;
    default:
        return false;
    }
}

VirtualDeviceIdentity PedalsModel::bootloaderIdentity() const {
    VirtualDeviceIdentity identity = deviceIdentity;
    identity.product = "TARN Torvane Pedals Bootloader";
    identity.hasDeviceProduct = false;
    return identity;
}

void PedalsModel::streamReport(uint32_t sequence, const ReportSink& send) {
    TarnUsbPedalsJoystickUpdate update{};
    update.clutch = output(kClutch, sequence);
    update.brake = output(kBrake, sequence);
    update.throttle = output(kThrottle, sequence);
    update.debugOutput.ticks = sequence;
    update.debugOutput.xRaw = rawReading(0, sequence);
    update.debugOutput.yRaw = rawReading(1, sequence);
    update.debugOutput.zRaw = rawReading(2, sequence);
    update.debugOutput.xConnected = sensorConnected[0];
    update.debugOutput.yConnected = sensorConnected[1];
    update.debugOutput.zConnected = sensorConnected[2];

    std::vector<uint8_t> report(kReportSize, 0);
    report[0] = kJoystickReportId;
    std::memcpy(report.data() + 1, &update, sizeof update);
    setJoystickSequence(report, sequence);
    send(report);
}
