// The button plate's reports, with loads, saves, live updates, the statistics read and reset,
// the factory settings and the paddle calibrations asked in between.

#include "buttonplate/usbdevicetarnbuttonplate.h"
#include "tests/fuzz/devicefuzzing.h"

namespace {
using Plate = UsbDeviceTarnButtonPlate;

void connectReaders(Plate& plate) {
    connectSettingsReaders(plate, [&plate] {
        readArgument(QString::fromUtf8(plate.firmwareBuildDate));
        readArgument(plate.factorySettingsBlock);
    });
    connectReader(plate, &Plate::onJoystickUpdate);
    connectReader(plate, &Plate::onCalibrationSave, [&plate] {
        readArgument(plate.clutchCalibration.record);
        readArgument(plate.shifterCalibration.record);
    });
    connectReader(plate, &Plate::onStatisticsLoad);
    connectReader(plate, &Plate::onStatisticsReset, [&plate] { readArgument(plate.statistics); });
    connectReader(plate, &Plate::onAccelerometerTested);
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const auto calls =
        settingsCalls<Plate>({&Plate::loadStatistics, &Plate::resetStatistics,
                              &Plate::saveFactorySettings, &Plate::loadFactorySettings,
                              &Plate::saveClutchesCalibration, &Plate::saveShiftersCalibration});
    fuzzDevice<Plate>(data, size, calls, connectReaders);
    return 0;
}
