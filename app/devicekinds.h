#pragma once
// The device kinds the tool serves. For each kind: the class a device of that kind is opened as,
// the page that shows it and the manager of its profile files. The frame reaches a device's page
// and files only through its entry here, so adding a kind adds one line to the list.

#include "usb/devicetable.h"
#include "usb/hidtransport.h"

#include <QString>

#include <memory>
#include <vector>

namespace Ui {
class TARN_wheel_tool;
}

class DevicePage;
class QObject;
class TelemetryLog;
class UsbDevice;
class UsbSettingsDevice;

struct DeviceKind {
    TarnDeviceKind kind;
    UsbDevice* (*open)(const QString& path, std::unique_ptr<HidDevice> handle);
    bool (*isKindOf)(const UsbDevice* device);
    // Kinds with settings only; null for the bootloader. The pages share one telemetry log.
    DevicePage* (*createPage)(Ui::TARN_wheel_tool& ui, TelemetryLog& log, QObject* parent);
    // The active profile of `device`, which is of this kind, to or from a profile file. The
    // error text, empty on success.
    QString (*saveProfileFile)(UsbSettingsDevice& device, const QString& fileName);
    QString (*loadProfileFile)(UsbSettingsDevice& device, const QString& fileName);
};

const std::vector<DeviceKind>& deviceKinds();

// The entry of an open device; null for a device of no kind of the list.
const DeviceKind* deviceKindOf(const UsbDevice* device);

// The device manager's opener: a device of the family as the class of its kind.
UsbDevice* openTarnDevice(TarnDeviceKind kind, const QString& path,
                          std::unique_ptr<HidDevice> handle);
