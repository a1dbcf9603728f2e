#pragma once
// The device kinds of the family. For each kind: its name, the class a device of that kind is
// opened as and the manager of its profile files. Both programs, the window and tarnctl, reach
// a device's class and files only through its entry here, so adding a kind adds one line to
// this list (and one to the window's page list, app/devicepages.cpp). QtCore only.

#include "usb/devicetable.h"
#include "usb/hidtransport.h"

#include <QString>

#include <memory>
#include <vector>

class UsbDevice;
class UsbSettingsDevice;

struct DeviceKind {
    TarnDeviceKind kind;
    // How tarnctl and its file names call the kind: "wheelbase", "pedals", ...
    const char* name;
    UsbDevice* (*open)(const QString& path, std::unique_ptr<HidDevice> handle);
    bool (*isKindOf)(const UsbDevice* device);
    // Kinds with settings only; null for the bootloader. Each returns the error text, empty on
    // success.
    // Profile `index` of `device`, which is of this kind, to a profile file.
    QString (*saveProfileFile)(UsbSettingsDevice& device, int index, const QString& fileName);
    // A profile file over the active profile of `device`, which keeps its index.
    QString (*loadProfileFile)(UsbSettingsDevice& device, const QString& fileName);
    // A profile file's record into `record`, which holds one record of this kind.
    QString (*readProfileFile)(const QString& fileName, uint8_t* record);
};

const std::vector<DeviceKind>& deviceKinds();

// The entry of an open device; null for a device of no kind of the list.
const DeviceKind* deviceKindOf(const UsbDevice* device);

// The entry named `name`; null when no kind is called so.
const DeviceKind* deviceKindNamed(const QString& name);

// The device manager's opener: a device of the family as the class of its kind.
UsbDevice* openTarnDevice(TarnDeviceKind kind, const QString& path,
                          std::unique_ptr<HidDevice> handle);
