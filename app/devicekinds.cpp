#include "app/devicekinds.h"

#include "buttonplate/buttonplatepage.h"
#include "buttonplate/buttonplateprofilefiles.h"
#include "firmware/usbdevicetarnbootloader.h"
#include "pedals/pedalspage.h"
#include "pedals/pedalsprofilefiles.h"
#include "wheelbase/wheelbasepage.h"
#include "wheelbase/wheelbaseprofilefiles.h"

namespace {

template <class Device> UsbDevice* openAs(const QString& path, std::unique_ptr<HidDevice> handle) {
    return new Device(path, std::move(handle));
}

template <class Device> bool isA(const UsbDevice* device) {
    return qobject_cast<const Device*>(device) != nullptr;
}

template <class Page>
DevicePage* createPage(Ui::TARN_wheel_tool& ui, TelemetryLog& log, QObject* parent) {
    return new Page(ui, log, parent);
}

template <class Device, class Manager>
QString saveActiveProfile(UsbSettingsDevice& device, const QString& fileName) {
    return Manager().saveToFile(fileName, static_cast<Device&>(device).activeProfile());
}

template <class Device, class Manager>
QString loadActiveProfile(UsbSettingsDevice& device, const QString& fileName) {
    typename Device::ProfileRecord loaded{};
    QString error = Manager().loadFromFile(fileName, loaded);
    if (error.isEmpty())
        static_cast<Device&>(device).replaceActiveProfile(loaded);
    return error;
}

template <class Device> DeviceKind kindWithoutSettings(TarnDeviceKind kind) {
    return {kind, openAs<Device>, isA<Device>, nullptr, nullptr, nullptr};
}

template <class Device, class Page, class Manager> DeviceKind settingsKind(TarnDeviceKind kind) {
    return {kind,
            openAs<Device>,
            isA<Device>,
            createPage<Page>,
            saveActiveProfile<Device, Manager>,
            loadActiveProfile<Device, Manager>};
}

} // namespace

const std::vector<DeviceKind>& deviceKinds() {
    using Kind = TarnDeviceKind;
    static const std::vector<DeviceKind> kinds = {
        kindWithoutSettings<UsbDeviceTarnBootloader>(Kind::Bootloader),
        settingsKind<UsbDeviceTarnWheelBase, WheelBasePage, WheelBaseProfilesManager>(
            Kind::WheelBase),
        settingsKind<UsbDeviceTarnPedals, PedalsPage, PedalsProfilesManager>(Kind::Pedals),
        settingsKind<UsbDeviceTarnButtonPlate, ButtonPlatePage, ButtonPlateProfilesManager>(
            Kind::ButtonPlate),
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

UsbDevice* openTarnDevice(TarnDeviceKind kind, const QString& path,
                          std::unique_ptr<HidDevice> handle) {
    for (const DeviceKind& entry : deviceKinds()) {
        if (entry.kind == kind)
            return entry.open(path, std::move(handle));
    }
    return nullptr;
}
