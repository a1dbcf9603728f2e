#include "sim/wheelbasemodel.h"

#include "usb/tarnusbreport.h"

#include <cmath>

namespace {
constexpr float kPi = 3.14159265f;
// One slow sweep of the rim, in live reports.
constexpr uint32_t kSweepPeriod = 4000;
} // namespace

WheelBaseModel::WheelBaseModel()
    : ProfileListModel(kDefaultProtocolVersion, kMarkerOffset) {
    deviceInfo[0] = 0x01;
    setHardwareVersion(4, 1);
    deviceInfo[3] = 2; // software 2.7
    deviceInfo[4] = 7;
    deviceIdentity.productId = 0xA355;
    deviceIdentity.product = "TARN Torvane Wheel Base";
    deviceIdentity.serial = "TWB-000417";
    restoreFactoryProfiles();
}

TarnUsbWheelBaseProfileV5 WheelBaseModel::factoryProfile(int index) const {
    static const char* const names[] = {"Road", "Drift", "Rally"};
    TarnUsbWheelBaseProfileV5 profile{};
    profile.index = uint8_t(index);
    setRecordName(profile.name, index < 3 ? names[index] : "Profile " + std::to_string(index));
    profile.rotationDegrees = index == 1 ? 540 : 900;
    profile.encoderType = 3;
    profile.encoderResolution = 4194304;
    profile.force = 50 + 10 * (index % 3);
    profile.smoothing = 1;
    profile.damping = 1;
    profile.endStopMaxForce = 80;
    profile.endStopStiffness = 3;
    profile.softEndStopDegrees = 1080;
    return profile;
}

void WheelBaseModel::fillLoadAnswer(std::vector<uint8_t>& answer) const {
    writeLe32(answer.data() + kFirmwareHashOffset, firmwareHash);
    std::memcpy(answer.data() + kFirmwareBuildDateOffset, buildDate.data(),
                std::min<size_t>(buildDate.size(), 43));
}

bool WheelBaseModel::handleOwnCommand(const uint8_t* request, const ReportSink& send) {
    switch (request[1]) {
    case kCmdCenterRim: {
        TarnUsbWheelBaseProfileV5 profile;
        std::memcpy(&profile, request + 3, sizeof profile);
        profile.centerOffset = centerOffsetAfterCentring;
        if (profile.index < profiles.size())
            profiles[profile.index] = profile;
        std::vector<uint8_t> centred = answer(kCmdCenterRim);
        std::memcpy(centred.data() + 3, &profile, sizeof profile);
        centred[kMarkerOffset] = uint8_t(profiles.size());
        centred[kMarkerOffset + 1] = activeProfile;
        send(centred);
        return true;
    }
    case kCmdTest:
        std::memcpy(&lastTestCommand, request + 3, sizeof lastTestCommand);
        send(echo(request));
        return true;
    default:
        return false;
    }
}

VirtualDeviceIdentity WheelBaseModel::bootloaderIdentity() const {
    VirtualDeviceIdentity identity = deviceIdentity;
    identity.product = "TARN Torvane Wheel Base Bootloader";
    identity.hasDeviceProduct = false;
    return identity;
}

TarnUsbWheelBaseDebugOutput WheelBaseModel::telemetry(uint32_t sequence) const {
    float phase = 2 * kPi * float(sequence % kSweepPeriod) / kSweepPeriod;
    TarnUsbWheelBaseDebugOutput output{};
    output.ticks = sequence;
    output.motorState = 4; // running
    output.motorAngle = 90.0f * std::sin(phase);
    output.encoderRaw = int32_t(output.motorAngle * 11650);
    output.ffbIn = 25.0f * std::sin(phase * 3);
    output.ffbOut = output.ffbIn * 0.95f;
    output.bisscRaw = uint64_t(sequence) * 977;
    output.maxMotorCurrent = 150;
    output.psuCurrent = 12;
    output.motorCurrent = 20;
    output.psuTemperature = 38;
    output.motorTemperature = 45;
    output.brakeTemperature = 31;
    output.powerstageTemperature = 42;
    return output;
}

void WheelBaseModel::streamReport(uint32_t sequence, const ReportSink& send) {
    std::vector<uint8_t> report(kReportSize, 0);
    report[0] = kJoystickReportId;
    TarnUsbWheelBaseJoystickUpdate update{};
    float phase = 2 * kPi * float(sequence % kSweepPeriod) / kSweepPeriod;
    update.axis = int16_t(16000 * std::sin(phase));
    // Telemetry mostly, a torque trace and a commutation trace once every ten reports each.
    switch (sequence % 10) {
    case 4: {
        update.logKind = kWheelBaseLogTorqueTrace;
        TarnUsbWheelBaseTorqueTrace& trace = update.torqueTrace;
        trace.torqueIn = int16_t(2500 * std::sin(phase * 3));
        trace.torqueInSample = uint8_t(sequence % kTorqueTraceSamples);
        trace.sampleCount = kTorqueTraceSamples;
        for (int i = 0; i < kTorqueTraceSamples; ++i) {
            trace.torqueOut[i] = int16_t(trace.torqueIn - 10 * i);
            trace.torqueActual[i] = int16_t(trace.torqueIn - 15 * i);
        }
        trace.rotorPosition = phase;
        break;
    }
    case 9: {
        update.logKind = kWheelBaseLogCommutationTrace;
        TarnUsbWheelBaseCommutationTrace& trace = update.commutationTrace;
        trace.ticks = sequence;
        trace.mechAngle = phase;
        trace.elAngle = std::fmod(phase * 7, 2 * kPi);
        trace.elAngleEncoder = trace.elAngle + 0.01f;
        trace.pwmU = 0.5f + 0.4f * std::sin(trace.elAngle);
        trace.pwmV = 0.5f + 0.4f * std::sin(trace.elAngle - 2 * kPi / 3);
        trace.pwmW = 0.5f + 0.4f * std::sin(trace.elAngle + 2 * kPi / 3);
        trace.hallU = 1.0f;
        trace.hallV = 0.0f;
        trace.hallPsu = 24.1f;
        break;
    }
    default:
        update.logKind = kWheelBaseLogTelemetry;
        update.telemetry = telemetry(sequence);
        break;
    }
    std::memcpy(report.data() + 1, &update, sizeof update);
    setJoystickSequence(report, sequence);
    send(report);

    if (telemetryEvery != 0 && sequence % telemetryEvery == telemetryEvery - 1) {
        std::vector<uint8_t> unasked = answer(kCmdTelemetry);
        TarnUsbWheelBaseDebugOutput output = telemetry(sequence);
        std::memcpy(unasked.data() + 3, &output, sizeof output);
        send(unasked);
    }
}
