#include "sim/buttonplatemodel.h"

#include "usb/tarnusbreport.h"

namespace {
constexpr size_t kCalibrationsOffset = kClutchCalibrationOffset; // both records, 16 and 18
constexpr uint32_t kPaddlePeriod = 500;
constexpr uint32_t kShifterPeriod = 800;
constexpr uint32_t kReportsPerCentivolt = 2500;
constexpr uint8_t kEmptyCentivolts = 200;
} // namespace

ButtonPlateModel::ButtonPlateModel(Link link)
    : ProfileListModel(kDefaultProtocolVersion, kMarkerOffset)
    , statistics(kStatisticsSize, 0) {
    deviceInfo[0] = 0x03;
    setHardwareVersion(1, 2);
    deviceInfo[3] = 3; // software 3.1
    deviceInfo[4] = 1;
    deviceIdentity.productId = 0xA44C;
    deviceIdentity.product = "TARN Button Plate";
    deviceIdentity.serial = "TBP-001022";
    if (link == Link::BluetoothLe) {
        deviceIdentity.productId = 0xA113;
        deviceIdentity.hasDeviceProduct = true; // and it is empty
    }
    // Every counter a different value, so that a page copied to the wrong place shows.
    for (size_t i = 0; i + 4 <= kStatisticsSize; i += 4)
        writeLe32(statistics.data() + i, uint32_t(1000 + i));
    restoreFactoryProfiles();
}

TarnUsbBleButtonPlateProfile ButtonPlateModel::factoryProfile(int index) const {
    static const char* const names[] = {"GT", "Formula", "Rally"};
    TarnUsbBleButtonPlateProfile profile{};
    profile.index = uint8_t(index);
    setRecordName(profile.name, index < 3 ? names[index] : "Profile " + std::to_string(index));
    profile.xTopDeadzone = 2;
    profile.yTopDeadzone = 2;
    profile.xBottomDeadzone = 3;
    profile.yBottomDeadzone = 3;
    profile.analogInputMode = 0;
    profile.masterClutch = uint8_t(index % 2);
    profile.clutchBitePoint = 45.5f;
    profile.encoderPulseWidth = 1;
    profile.shiftersAttackPoint = 25.0f;
    profile.shiftersHysteresis = 20.0f;
    profile.ledBrightness = 80;
    return profile;
}

void ButtonPlateModel::fillLoadAnswer(std::vector<uint8_t>& answer) const {
    writeLe32(answer.data() + kFirmwareHashOffset, firmwareHash);
    std::memcpy(answer.data() + kFirmwareBuildDateOffset, buildDate.data(),
                std::min<size_t>(buildDate.size(), 12));
}

bool ButtonPlateModel::handleOwnCommand(const uint8_t* request, const ReportSink& send) {
    switch (request[1]) {
    case kCmdSaveHallCalibration: {
        // Selector 0: clutch paddles (bytes 21..28), 1: shifters (29..36).
        size_t offset = request[3] == 0 ? 0 : 8;
        std::memcpy(calibrations + offset, request + kCalibrationsOffset + offset, 8);
        send(answer(kCmdSaveHallCalibration));
        return true;
    }
    case kCmdSaveFactorySettings:
        std::memcpy(calibrations, request + kCalibrationsOffset, sizeof calibrations);
        send(answer(kCmdSaveFactorySettings));
        return true;
    case kCmdLoadFactorySettings: {
        std::vector<uint8_t> block = answer(kCmdLoadFactorySettings);
        std::memcpy(block.data() + kFactoryBlockOffset, factoryBlock, sizeof factoryBlock);
        std::memcpy(block.data() + kCalibrationsOffset, calibrations, sizeof calibrations);
        send(block);
        return true;
    }
    case kCmdReadStatistics: {
        uint8_t page = request[3];
        if (page >= kStatisticsPages)
            return true; // the end of a read
        std::vector<uint8_t> data = answer(kCmdReadStatistics);
        data[3] = page;
        std::memcpy(data.data() + kStatisticsPageOffset,
                    statistics.data() + kStatisticsPageStart[page], kStatisticsPageLength[page]);
        send(data);
        return true;
    }
    case kCmdResetStatistics:
        std::fill(statistics.begin(), statistics.end(), 0);
        send(answer(kCmdResetStatistics));
        return true;
    case kCmdAccelerometerTest: {
        std::vector<uint8_t> result = answer(kCmdAccelerometerTest);
        result[3] = 1;
        send(result);
        return true;
    }
    default:
        return false;
    }
}

VirtualDeviceIdentity ButtonPlateModel::bootloaderIdentity() const {
    // The plate's bootloader shares the wheel base's product id and tells itself apart by name.
    VirtualDeviceIdentity identity = deviceIdentity;
    identity.productId = 0xA355;
    identity.product = "TARN Button Plate Bootloader";
    identity.hasDeviceProduct = false;
    return identity;
}

uint8_t ButtonPlateModel::batteryAt(uint32_t sequence) const {
    const uint32_t span =
        uint32_t(batteryCentivolts - std::min(batteryCentivolts, kEmptyCentivolts)) + 1;
    return uint8_t(batteryCentivolts - (sequence / kReportsPerCentivolt) % span);
}

void ButtonPlateModel::streamReport(uint32_t sequence, const ReportSink& send) {
    std::vector<uint8_t> report(kReportSize, 0);
    report[0] = kJoystickReportId;
    // Both clutches sweep their travel in opposite directions, the shifters more slowly.
    const uint32_t position = sequence % kPaddlePeriod;
    const uint16_t clutch[2] = {uint16_t(position * 65535 / kPaddlePeriod),
                                uint16_t(65535 - position * 65535 / kPaddlePeriod)};
    const uint16_t clutchRaw[2] = {uint16_t(1200 + clutch[0] / 20),
                                   uint16_t(1200 + clutch[1] / 20)};
    const uint32_t shifter = sequence % kShifterPeriod;
    const uint16_t shifterRaw[2] = {uint16_t(900 + shifter * 2),
                                    uint16_t(910 + (kShifterPeriod - shifter) * 2)};
    // One button held at a time, walking across all 64 every 64 * 16 reports.
    const uint64_t buttons = uint64_t(1) << ((sequence / 16) % 64);
    writeLe16(report.data() + 1, clutch[0]);
    writeLe16(report.data() + 3, clutch[1]);
    writeLe32(report.data() + 5, uint32_t(buttons));
    writeLe32(report.data() + 9, uint32_t(buttons >> 32));
    // Every kind of auxiliary value in turn, and one the tool does not know.
    const uint8_t auxType = uint8_t(sequence % (kAuxTypeCount + 1));
    report[13] = auxType;
    uint8_t* aux = report.data() + 14;
    switch (auxType) {
    case kAuxClutchRaw:
        writeLe16(aux, clutchRaw[0]);
        writeLe16(aux + 2, clutchRaw[1]);
        break;
    case kAuxShifterRaw:
        writeLe16(aux, shifterRaw[0]);
        writeLe16(aux + 2, shifterRaw[1]);
        break;
    case kAuxBattery:
        aux[0] = batteryAt(sequence);
        break;
    case kAuxTimestamp:
        writeLe32(aux, sequence * 4);
        break;
    case kAuxBitePoint: {
        float bitePoint =
            profiles.empty() ? 0.0f : profiles[activeProfile % profiles.size()].clutchBitePoint;
        std::memcpy(aux, &bitePoint, sizeof bitePoint);
        break;
    }
    default:
        break;
    }
    setJoystickSequence(report, sequence);
    send(report);
}
