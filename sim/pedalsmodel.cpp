#include "sim/pedalsmodel.h"

#include "usb/tarnusbreport.h"

namespace {
// One press and release of a pedal, in live reports.
constexpr uint32_t kPressPeriod = 2000;

// A pedal travel 0..65535 that rises and falls over kPressPeriod reports, shifted by `offset`.
uint16_t travel(uint32_t sequence, uint32_t offset) {
    uint32_t position = (sequence + offset) % kPressPeriod;
    uint32_t half = kPressPeriod / 2;
    uint32_t rising = position < half ? position : kPressPeriod - position;
    return uint16_t(rising * 65535 / half);
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

bool PedalsModel::handleOwnCommand(const uint8_t* request, const ReportSink& send) {
    switch (request[1]) {
    case kCmdLoadCalibration: {
        std::vector<uint8_t> record = answer(kCmdLoadCalibration);
        std::memcpy(record.data() + 3, &calibration, sizeof calibration);
        send(record);
        return true;
    }
    case kCmdSaveCalibration:
        std::memcpy(&calibration, request + 3, sizeof calibration);
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
    std::vector<uint8_t> report(kReportSize, 0);
    report[0] = kJoystickReportId;
    uint16_t clutch = travel(sequence, 0);
    uint16_t brake = travel(sequence, kPressPeriod / 3);
    uint16_t throttle = travel(sequence, 2 * kPressPeriod / 3);
    writeLe16(report.data() + 1, clutch);
    writeLe16(report.data() + 3, brake);
    writeLe16(report.data() + 5, throttle);
    // Telemetry: ticks, then the raw readings of X, Y and Z (wired to clutch, brake, throttle).
    writeLe32(report.data() + 7, sequence);
    writeLe32(report.data() + 11, calibration.clutchMin + clutch * 8u);
    writeLe32(report.data() + 15, calibration.brakeMin + brake * 13u);
    writeLe32(report.data() + 19, calibration.throttleMin + throttle * 9u);
    report[23] = report[24] = report[25] = 1; // a sensor on every input
    setJoystickSequence(report, sequence);
    send(report);
}
