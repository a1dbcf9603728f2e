// The bootloader's reports, with its load and firmware updates of two image sizes asked in
// between: an update's echoes are taken only while it runs.

#include "firmware/usbdevicetarnbootloader.h"
#include "tests/fuzz/devicefuzzing.h"

namespace {
using Bootloader = UsbDeviceTarnBootloader;

void connectReaders(Bootloader& bootloader) {
    connectReader(bootloader, &Bootloader::onSettingsLoaded,
                  [&bootloader] { readArgument(bootloader.deviceInfo); });
    connectReader(bootloader, &Bootloader::onFirmwareUpdateStarted);
    connectReader(bootloader, &Bootloader::onFirmwareUpdateProgress);
    connectReader(bootloader, &Bootloader::onUpdateCompleted);
    connectReader(bootloader, &Bootloader::onUpdateFailed);
}

DeviceCall<Bootloader> update(int imageSize, char fill) {
    return [=](Bootloader& bootloader) {
        bootloader.updateFirmware(QByteArray(imageSize, fill));
    };
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::vector<DeviceCall<Bootloader>> calls = {
        &Bootloader::loadSettings,
        update(Bootloader::kChunkSize, '\0'),
        update(3 * Bootloader::kChunkSize + 5, '\x5a'),
    };
    fuzzDevice<Bootloader>(data, size, calls, connectReaders);
    return 0;
}
