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

void UsbDeviceTarnPedals::handleReport(TarnUsbReport* report, uint64_t) {
    stopRetryUnlessJoystick(report);
    const uint8_t* data = report->data;
    if (data[0] != kResponseReportId)
        return;
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
