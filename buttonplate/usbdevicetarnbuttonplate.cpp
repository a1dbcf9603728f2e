#include "buttonplate/usbdevicetarnbuttonplate.h"

#include <cstring>

namespace {
const SettingsProtocol kButtonPlateProtocol{UsbDeviceTarnButtonPlate::kProtocolVersion,
                                            UsbDeviceTarnButtonPlate::kMarkerOffset,
                                            /*restartDebounce=*/true,
                                            /*awaitEnterBootloader=*/true};

// Command 16 names the paddle pair at byte 3; a statistics request and its answer name the page
// there.
constexpr int kSelectorOffset = 3;
constexpr uint8_t kClutchSelector = 0;
constexpr uint8_t kShifterSelector = 1;
constexpr AnswerIndex kPageIndex{kSelectorOffset, 1};
// The page number that ends a statistics read.
constexpr int kStatisticsEndPage = kStatisticsPages;
constexpr int kAccelerometerResultOffset = 3;
} // namespace

UsbDeviceTarnButtonPlate::UsbDeviceTarnButtonPlate(const QString& path,
                                                   std::unique_ptr<HidDevice> handle)
    : UsbProfileDevice(path, std::move(handle), kButtonPlateProtocol) {}

void UsbDeviceTarnButtonPlate::handleJoystickReport(TarnUsbReport* report,
                                                    uint64_t readTimeMicros) {
    emit onJoystickUpdate(this,
                          reinterpret_cast<TarnUsbBleButtonPlateJoystickUpdate*>(report->data + 1),
                          readTimeMicros);
}

bool UsbDeviceTarnButtonPlate::handleUnaskedReport(TarnUsbReport* report, uint64_t) {
    const uint8_t* data = report->data;
    switch (data[1]) {
    case kCmdAccelerometerTest:
        emit onAccelerometerTested(data[kAccelerometerResultOffset] != 0);
        return true;
    case kCmdReadStatistics:
        // The end of a read is never awaited; a plate that answers it is not asked again.
        return data[kSelectorOffset] >= kStatisticsEndPage;
    default:
        return false;
    }
}

void UsbDeviceTarnButtonPlate::handleAnswer(const TarnUsbReport* report) {
    const uint8_t* data = report->data;
    switch (data[1]) {
    case kCmdLoadSettings:
        handleLoadAnswer(report);
        break;
    case kCmdSaveHallCalibration:
        emit onCalibrationSave();
        break;
    case kCmdSaveFactorySettings:
        emit onSettingsSaved(this);
        break;
    case kCmdLoadFactorySettings:
        std::memcpy(factorySettingsBlock, data + kFactoryBlockOffset, kFactoryBlockSize);
        emit onSettingsLoaded(this);
        break;
    case kCmdReadStatistics:
        handleStatisticsPage(report);
        break;
    case kCmdResetStatistics:
        emit onStatisticsReset();
        break;
    default:
        handleProfileTransfer(report);
        break;
    }
}

void UsbDeviceTarnButtonPlate::handleLoadAnswer(const TarnUsbReport* report) {
    const uint8_t* data = report->data;
    if (!checkProtocolVersion(data[2]))
        return;
    if (!takeLoadAnswer(report))
        return;
    firmwareHash = readLe32(data + kFirmwareHashOffset);
    std::memcpy(firmwareBuildDate, data + kFirmwareBuildDateOffset, sizeof firmwareBuildDate - 1);
    startReadingProfiles();
}

void UsbDeviceTarnButtonPlate::handleStatisticsPage(const TarnUsbReport* report) {
    // Only the page asked for is taken, so the page number lies in 0..5.
    const int page = report->data[kSelectorOffset];
    std::memcpy(reinterpret_cast<uint8_t*>(&statistics) + kStatisticsPageStart[page],
                report->data + kStatisticsPageOffset, kStatisticsPageLength[page]);
    if (page + 1 < kStatisticsPages) {
        sendStatisticsPage(page + 1);
        return;
    }
    emit onStatisticsLoad(statistics);
    sendStatisticsPage(kStatisticsEndPage);
}

void UsbDeviceTarnButtonPlate::sendStatisticsPage(int page) {
    TarnRequest read = request(kCmdReadStatistics);
    read[kSelectorOffset] = uint8_t(page);
    const bool last = page == kStatisticsEndPage;
    writeRequest(read, !last, kPageIndex);
}

void UsbDeviceTarnButtonPlate::loadStatistics() {
    sendStatisticsPage(0);
}

void UsbDeviceTarnButtonPlate::resetStatistics() {
    writeRequest(request(kCmdResetStatistics), true);
}

void UsbDeviceTarnButtonPlate::saveCalibration(uint8_t selector,
                                               const TarnUsbBlePaddlesCalibration& record) {
    TarnRequest save = request(kCmdSaveHallCalibration);
    save[kSelectorOffset] = selector;
    const int offset =
        selector == kClutchSelector ? kClutchCalibrationOffset : kShifterCalibrationOffset;
    std::memcpy(save.data() + offset, &record, sizeof record);
    writeRequest(save, true);
}

void UsbDeviceTarnButtonPlate::saveClutchesCalibration() {
    saveCalibration(kClutchSelector, clutchCalibration.record);
}

void UsbDeviceTarnButtonPlate::saveShiftersCalibration() {
    saveCalibration(kShifterSelector, shifterCalibration.record);
}

void UsbDeviceTarnButtonPlate::saveFactorySettings() {
    TarnRequest save = request(kCmdSaveFactorySettings);
    std::memcpy(save.data() + kClutchCalibrationOffset, &clutchCalibration.record,
                sizeof(TarnUsbBlePaddlesCalibration));
    std::memcpy(save.data() + kShifterCalibrationOffset, &shifterCalibration.record,
                sizeof(TarnUsbBlePaddlesCalibration));
    writeRequest(save, true);
}

void UsbDeviceTarnButtonPlate::loadFactorySettings() {
    writeRequest(request(kCmdLoadFactorySettings), true);
}

void UsbDeviceTarnButtonPlate::accelerometerTest() {
    writeRequest(request(kCmdAccelerometerTest), false);
}
