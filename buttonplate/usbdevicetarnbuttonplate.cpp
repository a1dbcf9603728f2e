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

void UsbDeviceTarnButtonPlate::handleAnswer(const TarnUsbReport* report) {
    const uint8_t* data = report->data;
    if (data[1] != kCmdLoadSettings) {
        handleProfileTransfer(report);
        return;
    }
    if (!checkProtocolVersion(data[2]))
        return;
    firmwareHash = readLe32(data + kFirmwareHashOffset);
    std::memcpy(firmwareBuildDate, data + kFirmwareBuildDateOffset, 12);
    if (takeLoadAnswer(report))
        startReadingProfiles();
}
