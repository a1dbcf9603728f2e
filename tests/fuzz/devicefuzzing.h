#pragma once
// What the device fuzzers share: one device class opened on a HID device in memory that accepts
// every write, fed the fuzz input as reports the way the manager delivers them. The input is a run
// of 65-byte steps: a byte that may choose one of the tool's calls (a load, a save, a calibration
// start...), made first, then a 64-byte report; answers a device class takes only after the tool
// asked are reached that way. After each step the due timers run (the retry, the live-update
// debounce). Receivers of the signals copy what the arguments point at, the way the pages read
// them, so that AddressSanitizer reports a pointer outside its report or record.

#include "tests/support/fakehiddevice.h"
#include "usb/usbsettingsdevice.h"

#include <QCoreApplication>
#include <QString>

#include <cstring>
#include <functional>
#include <memory>
#include <vector>

// Copies what `value` is or, for a pointer, points at.
template <class Value> void readArgument(const Value& value) {
    static std::vector<uint8_t> copy;
    const auto* bytes = reinterpret_cast<const uint8_t*>(&value);
    copy.assign(bytes, bytes + sizeof value);
}
template <class Record> void readArgument(Record* record) {
    readArgument(*record);
}
// A text is read by copying all of it.
inline void readArgument(const QString& text) {
    readArgument(text.toStdU16String());
}

// Connects a receiver that reads every argument of `signal`, then what `alsoRead` reads.
template <class Device, class Sender, class... Args>
void connectReader(
    Device& device, void (Sender::*signal)(Args...),
    const std::function<void()>& alsoRead = [] {}) {
    QObject::connect(&device, signal, [alsoRead](Args... args) {
        (readArgument(args), ...);
        alsoRead();
    });
}

// The receivers of a settings device's load, save and failure. What the pages read when it has
// loaded or saved: every profile, the active one (which must lie inside the list), the device
// info, and what `readMore` reads.
template <class Device>
void connectSettingsReaders(Device& device, const std::function<void()>& readMore) {
    const auto readSettings = [&device, readMore] {
        if (device.profileCount > Device::kCapacity ||
            (device.currentProfile != 0 && device.currentProfile >= device.profileCount))
            __builtin_trap();
        for (int i = 0; i < device.profileCount; ++i)
            readArgument(&device.profiles[i]);
        readArgument(device.activeProfile());
        readArgument(device.deviceInfo);
        readMore();
    };
    connectReader(device, &Device::onSettingsLoaded, readSettings);
    connectReader(device, &Device::onSettingsSaved, readSettings);
    connectReader(device, &Device::onSettingsLoadFailed);
}

template <class Device> using DeviceCall = std::function<void(Device&)>;

// The profile exchanges and list edits every settings device takes from the tool, then `more`.
template <class Device>
std::vector<DeviceCall<Device>> settingsCalls(std::initializer_list<DeviceCall<Device>> more) {
    std::vector<DeviceCall<Device>> calls{&Device::loadSettings, &Device::saveSettings,
                                          &Device::addProfile, &Device::removeActiveProfile,
                                          [](Device& device) {
                                              device.liveUpdatesEnabled = true;
                                              device.updateSettings();
                                          }};
    calls.insert(calls.end(), more);
    return calls;
}

template <class Device>
void fuzzDevice(const uint8_t* data, size_t size, const std::vector<DeviceCall<Device>>& calls,
                void (*connectReaders)(Device&)) {
    static int argc = 0;
    static QCoreApplication application(argc, nullptr); // the timers need one
    // On the heap, so that a record read past the device's end is caught.
    auto device = std::make_unique<Device>(
        QStringLiteral("fuzz"),
        std::make_unique<FakeHidDevice>(std::make_shared<FakeHidDevice::Log>()));
    device->applyTimings(UsbTimings{1000, 0, 0}); // retry and debounce due at the next step
    connectReaders(*device);
    for (; size >= 1 + kReportSize; data += 1 + kReportSize, size -= 1 + kReportSize) {
        if (data[0] < calls.size())
            calls[data[0]](*device);
        // A report of its own, as the manager hands over, so reads past its end are caught.
        auto report = std::make_unique<TarnUsbReport>();
        std::memcpy(report->data, data + 1, kReportSize);
        device->handleReport(report.get(), 0);
        QCoreApplication::processEvents();
    }
}
