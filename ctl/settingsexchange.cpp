#include "ctl/settingsexchange.h"

#include "ctl/attacheddevices.h"
#include "usb/usbsettingsdevice.h"

#include <QPointer>

namespace {

// Starts an exchange and waits for `signal` from the device.
template <class Signal>
QString exchange(UsbSettingsDevice& device, Signal signal, void (*start)(UsbSettingsDevice&)) {
    const QPointer<UsbSettingsDevice> alive = &device;
    bool finished = false;
    QObject context;
    QObject::connect(&device, signal, &context, [&] { finished = true; });
    start(device);
    waitUntil([&] { return finished || !alive; }, AttachedDevices::kAnswerTimeoutMs);
    if (finished)
        return QString();
    if (!alive)
        return QStringLiteral("the device left the bus");
    return wasInterrupted() ? QStringLiteral("interrupted")
                            : QStringLiteral("the device did not answer");
}

} // namespace

QString sendLiveUpdate(UsbSettingsDevice& device) {
    return exchange(device, &UsbSettingsDevice::onSettingsUpdated, [](UsbSettingsDevice& d) {
        d.liveUpdatesEnabled = true;
        d.updateSettings();
    });
}

QString saveInDevice(UsbSettingsDevice& device) {
    return exchange(device, &UsbSettingsDevice::onSettingsSaved,
                    [](UsbSettingsDevice& d) { d.saveSettings(); });
}

QString applyProfileList(UsbSettingsDevice& device, bool save) {
    QString error = sendLiveUpdate(device);
    if (!error.isEmpty() || !save)
        return error;
    return saveInDevice(device);
}
