#include "app/devicekinds.h"

#include "buttonplate/buttonplateprofilefiles.h"
#include "buttonplate/usbdevicetarnbuttonplate.h"
#include "firmware/usbdevicetarnbootloader.h"
#include "pedals/pedalsprofilefiles.h"
#include "pedals/usbdevicetarnpedals.h"
#include "wheelbase/usbdevicetarnwheelbase.h"
#include "wheelbase/wheelbaseprofilefiles.h"

#include <cstring>

namespace {

template <class Device> UsbDevice* openAs(const QString& path, std::unique_ptr<HidDevice> handle) {
    return new Device(path, std::move(handle));
}

template <class Device> bool isA(const UsbDevice* device) {
    return qobject_cast<const Device*>(device) != nullptr;
}

template <class Device, class Manager>
QString saveProfile(UsbSettingsDevice& device, int index, const QString& fileName) {
    return Manager().saveToFile(fileName, static_cast<Device&>(device).profiles[index]);
}

template <class Device, class Manager>
QString loadActiveProfile(UsbSettingsDevice& device, const QString& fileName) {
    typename Device::ProfileRecord loaded{};
    QString error = Manager().loadFromFile(fileName, loaded);
    if (error.isEmpty())
        static_cast<Device&>(device).replaceActiveProfile(loaded);
    return error;
}

template <class Device, class Manager>
QString readProfile(const QString& fileName, uint8_t* record) {
    typename Device::ProfileRecord loaded{};
    QString error = Manager().loadFromFile(fileName, loaded);
    if (error.isEmpty())
        std::memcpy(record, &loaded, sizeof loaded);
    return error;
}

template <class Device> DeviceKind kindWithoutSettings(TarnDeviceKind kind, const char* name) {
    return {kind, name, openAs<Device>, isA<Device>, nullptr, nullptr, nullptr};
}

template <class Device, class Manager>
DeviceKind settingsKind(TarnDeviceKind kind, const char* name) {
    return {kind,
            name,
            openAs<Device>,
            isA<Device>,
            saveProfile<Device, Manager>,
            loadActiveProfile<Device, Manager>,
            readProfile<Device, Manager>};
}

} // namespace

const std::vector<DeviceKind>& deviceKinds() {
    using Kind = TarnDeviceKind;
    static const std::vector<DeviceKind> kinds = {
        kindWithoutSettings<UsbDeviceTarnBootloader>(Kind::Bootloader, "bootloader"),
        settingsKind<UsbDeviceTarnWheelBase, WheelBaseProfilesManager>(Kind::WheelBase,
                                                                       "wheelbase"),
        settingsKind<UsbDeviceTarnPedals, PedalsProfilesManager>(Kind::Pedals, "pedals"),
        settingsKind<UsbDeviceTarnButtonPlate, ButtonPlateProfilesManager>(Kind::ButtonPlate,
                                                                           "buttonplate"),
    };
    return kinds;
}

const DeviceKind* deviceKindOf(const UsbDevice* device) {
    for (const DeviceKind& entry : deviceKinds()) {
        if (entry.isKindOf(device))
            return &entry;
    }
    return nullptr;
}

const DeviceKind* deviceKindNamed(const QString& name) {
    for (const DeviceKind& entry : deviceKinds()) {
        if (name == QLatin1String(entry.name))
            return &entry;
    }
    return nullptr;
}

UsbDevice* openTarnDevice(TarnDeviceKind kind, const QString& path,
                          std::unique_ptr<HidDevice> handle) {
    for (const DeviceKind& entry : deviceKinds()) {
        if (entry.kind == kind)
            return entry.open(path, std::move(handle));
    }
    return nullptr;
}
