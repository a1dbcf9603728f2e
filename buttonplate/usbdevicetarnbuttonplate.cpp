#include "buttonplate/usbdevicetarnbuttonplate.h"

#include <cstring>

namespace {
const SettingsProtocol kButtonPlateProtocol{UsbDeviceTarnButtonPlate::kProtocolVersion,
                                            UsbDeviceTarnButtonPlate::kMarkerOffset,
                                            sizeof(TarnUsbBleButtonPlateProfile),
                                            UsbDeviceTarnButtonPlate::kCapacity,
                                            /*restartDebounce=*/true,
                                            /*awaitEnterBootloader=*/true};
} // namespace

UsbDeviceTarnButtonPlate::UsbDeviceTarnButtonPlate(const QString& path,
                                                   std::unique_ptr<HidDevice> handle)
    : UsbSettingsDevice(path, std::move(handle), kButtonPlateProtocol) {}

uint8_t* UsbDeviceTarnButtonPlate::profileRecord(int index) {
    return reinterpret_cast<uint8_t*>(&profiles[index]);
}

void UsbDeviceTarnButtonPlate::handleReport(TarnUsbReport* report, uint64_t) {
    stopRetryUnlessJoystick(report);
    const uint8_t* data = report->data;
    if (data[0] != kResponseReportId)
        return;
    if (data[1] == kCmdLoadSettings) {
        if (!checkProtocolVersion(data[2]))
            return;
        firmwareHash = readLe32(data + 10);
        std::memcpy(firmwareBuildDate, data + 14, 12);
        if (takeLoadAnswer(report))
            startReadingProfiles();
        return;
    }
    handleProfileTransfer(report);
}
