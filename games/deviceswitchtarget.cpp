#include "games/deviceswitchtarget.h"

#include "app/devicekinds.h"
#include "app/windowtexts.h"
#include "games/gameswitcher.h"
#include "usb/usbsettingsdevice.h"

DeviceSwitchTarget::DeviceSwitchTarget(UsbSettingsDevice& device, const DeviceKind& kind)
    : device(&device)
    , kind(kind) {
    connect(&device, &UsbSettingsDevice::onSettingsUpdated, this, [this] {
        // An update that ends while a newer one waits out its debounce is not the switch's: the
        // newer one carries it.
        if (this->device && this->device->updateTimer.isActive())
            return;
        updating = false;
        emit updated();
    });
}

QString DeviceSwitchTarget::kindName() const {
    return QLatin1String(kind.name);
}

QString DeviceSwitchTarget::productName() const {
    return device ? device->productName : QString();
}

QStringList DeviceSwitchTarget::profileNames() const {
    QStringList names;
    for (int i = 0; device && i < device->profileCount; ++i)
        names.append(profileNameText(device->profileRecord(i)));
    return names;
}

int DeviceSwitchTarget::activeProfile() const {
    return device ? device->currentProfile : -1;
}

void DeviceSwitchTarget::activateProfile(int index) {
    if (!device || index < 0 || index >= device->profileCount)
        return;
    device->currentProfile = uint8_t(index);
    updating = true;
    device->updateSettings();
    emit activated(index);
}

DeviceSwitchTarget& DeviceSwitchTargets::add(UsbSettingsDevice& device, const DeviceKind& kind) {
    // A target the switcher knows is kept: replacing it would leave the switcher a dangling one.
    auto [entry, added] = targets.try_emplace(&device);
    if (!added)
        return *entry->second;
    device.liveUpdatesEnabled = true;
    entry->second = std::make_unique<DeviceSwitchTarget>(device, kind);
    switcher.deviceReady(entry->second.get());
    return *entry->second;
}

bool DeviceSwitchTargets::remove(UsbDevice* device) {
    const auto found = targets.find(device);
    if (found == targets.end())
        return false;
    switcher.deviceGone(found->second.get());
    targets.erase(found);
    return true;
}

DeviceSwitchTarget* DeviceSwitchTargets::find(UsbDevice* device) const {
    const auto found = targets.find(device);
    return found == targets.end() ? nullptr : found->second.get();
}

bool DeviceSwitchTargets::anyUpdating() const {
    for (const auto& entry : targets) {
        if (entry.second->isUpdating())
            return true;
    }
    return false;
}
