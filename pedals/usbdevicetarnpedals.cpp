#include "pedals/usbdevicetarnpedals.h"

#include <cstring>

namespace {
const SettingsProtocol kPedalsProtocol{UsbDeviceTarnPedals::kProtocolVersion,
                                       UsbDeviceTarnPedals::kMarkerOffset,
                                       /*restartDebounce=*/false,
                                       /*awaitEnterBootloader=*/true};
} // namespace

UsbDeviceTarnPedals::UsbDeviceTarnPedals(const QString& path, std::unique_ptr<HidDevice> handle)
    : UsbProfileDevice(path, std::move(handle), kPedalsProtocol) {}

void UsbDeviceTarnPedals::loadCalibration() {
    writeRequest(request(kCmdLoadCalibration), true);
}

void UsbDeviceTarnPedals::handleAnswer(const TarnUsbReport* report) {
    const uint8_t* data = report->data;
    switch (data[1]) {
    case kCmdLoadSettings:
        if (checkProtocolVersion(data[2]) && takeLoadAnswer(report))
            loadCalibration();
        break;
    case kCmdLoadCalibration:
        std::memcpy(calibration, data + kRecordOffset, sizeof calibration);
        startReadingProfiles();
        break;
    default:
        handleProfileTransfer(report);
        break;
    }
}
