// The pedals' reports, with loads, saves, live updates and the calibration's start, stop and save
// asked in between.

#include "pedals/usbdevicetarnpedals.h"
#include "tests/fuzz/devicefuzzing.h"

namespace {
using Pedals = UsbDeviceTarnPedals;

void connectReaders(Pedals& pedals) {
    const auto readCalibration = [&pedals] {
        readArgument(pedals.calibration);
    };
    connectSettingsReaders(pedals, readCalibration);
    connectReader(pedals, &Pedals::onJoystickUpdate);
    connectReader(pedals, &Pedals::onCalibrationStarted, readCalibration);
    connectReader(pedals, &Pedals::onCalibrationSave, readCalibration);
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const auto calls =
        settingsCalls<Pedals>({&Pedals::startCalibration, &Pedals::stopCalibration,
                               &Pedals::saveCalibration, &Pedals::loadCalibration});
    fuzzDevice<Pedals>(data, size, calls, connectReaders);
    return 0;
}
