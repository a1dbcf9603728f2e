#include "buttonplate/usbdevicetarnbuttonplate.h"

#include <cstring>

namespace {
const SettingsProtocol kButtonPlateProtocol{UsbDeviceTarnButtonPlate::kProtocolVersion,
                                            UsbDeviceTarnButtonPlate::kMarkerOffset,
                                            /*restartDebounce=*/true,
                                            /*awaitEnterBootloader=*/true};
} // namespace

UsbDeviceTarnButtonPlate::UsbDeviceTarnButtonPlate(const QString& path,
                                                   std::unique_ptr<HidDevice> handle)
    : UsbProfileDevice(path, std::move(handle), kButtonPlateProtocol) {}

void UsbDeviceTarnButtonPlate::handleReport(TarnUsbReport* report, uint64_t) {
    stopRetryUnlessJoystick(report);
    const uint8_t* data = report->data;
    if (data[0] != kResponseReportId)
        return;
    if (data[1] == kCmdLoadSettings) {
        if (!checkProtocolVersion(data[2]))
            return;
        firmwareHash = readLe32(data + kFirmwareHashOffset);
        std::memcpy(firmwareBuildDate, data + kFirmwareBuildDateOffset, 12);
        if (takeLoadAnswer(report))
            startReadingProfiles();
        return;
    }
    handleProfileTransfer(report);
}
