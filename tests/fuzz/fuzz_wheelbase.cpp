// The wheel base's reports, with loads, saves, live updates and rim centring asked in between.

#include "tests/fuzz/devicefuzzing.h"
#include "wheelbase/usbdevicetarnwheelbase.h"

namespace {
using WheelBase = UsbDeviceTarnWheelBase;

void connectReaders(WheelBase& wheel) {
    connectSettingsReaders(wheel,
                           [&wheel] { readArgument(QString::fromUtf8(wheel.firmwareBuildDate)); });
    connectReader(wheel, &WheelBase::onJoystickUpdate);
    connectReader(wheel, &WheelBase::onDebugOutput);
    connectReader(wheel, &WheelBase::onTestCommand);
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const auto calls = settingsCalls<WheelBase>({[](WheelBase& w) {
        w.centerRim();
    }});
    fuzzDevice<WheelBase>(data, size, calls, connectReaders);
    return 0;
}
