#include "pedals/usbdevicetarnpedals.h"

#include <cstring>

namespace {
const SettingsProtocol kPedalsProtocol{UsbDeviceTarnPedals::kProtocolVersion,
                                       UsbDeviceTarnPedals::kMarkerOffset,
                                       /*restartDebounce=*/false,
                                       /*awaitEnterBootloader=*/true};
} // namespace

UsbDeviceTarnPedals::UsbDeviceTarnPedals(const QString& path, std::unique_ptr<HidDevice> handle)
    : UsbProfileDevice(path, std::move(handle), kPedalsProtocol)
    , retryIntervalMs(UsbTimings().retryIntervalMs) {}

void UsbDeviceTarnPedals::applyTimings(const UsbTimings& timings) {
    UsbProfileDevice::applyTimings(timings);
    retryIntervalMs = timings.retryIntervalMs;
}

void UsbDeviceTarnPedals::loadCalibration() {
    writeRequest(request(kCmdLoadCalibration), true);
}

void UsbDeviceTarnPedals::saveCalibration() {
    calibration = calibrationWizard.record;
    TarnRequest save = request(kCmdSaveCalibration);
    std::memcpy(save.data() + kRecordOffset, &calibration, sizeof calibration);
    writeRequest(save, true);
}

void UsbDeviceTarnPedals::startCalibration() {
    setRetryInterval(kCalibrationStartRetryMs);
    writeRequest(request(kCmdStartCalibration), true);
}

void UsbDeviceTarnPedals::stopCalibration() {
    writeRequest(request(kCmdStopCalibration), false);
}

void UsbDeviceTarnPedals::handleJoystickReport(TarnUsbReport* report, uint64_t readTimeMicros) {
    emit onJoystickUpdate(this, reinterpret_cast<TarnUsbPedalsJoystickUpdate*>(report->data + 1),
                          readTimeMicros);
}

void UsbDeviceTarnPedals::handleAnswer(const TarnUsbReport* report) {
    const uint8_t* data = report->data;
    switch (data[1]) {
    case kCmdLoadSettings:
        if (checkProtocolVersion(data[2]) && takeLoadAnswer(report))
            loadCalibration();
        break;
    case kCmdLoadCalibration:
        std::memcpy(&calibration, data + kRecordOffset, sizeof calibration);
        startReadingProfiles();
        break;
    case kCmdSaveCalibration:
        emit onCalibrationSave();
        break;
    case kCmdStartCalibration:
        setRetryInterval(retryIntervalMs);
        emit onCalibrationStarted();
        break;
    default:
        handleProfileTransfer(report);
        break;
    }
}
