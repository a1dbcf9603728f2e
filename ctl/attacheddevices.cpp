#include "ctl/attacheddevices.h"

#include "app/accesstexts.h"
#include "app/devicekinds.h"
#include "ctl/exitstatus.h"
#include "firmware/usbdevicetarnbootloader.h"
#include "usb/usbsettingsdevice.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>

#include <atomic>
#include <csignal>

namespace {

std::atomic<bool> interruptSeen{false};

void noteInterrupt(int) {
    interruptSeen = true;
}

TarnDeviceKind kindOf(const InaccessibleDevice& device) {
    return tarnDeviceKind(device.productId, device.productName);
}

} // namespace

AttachedDevices::AttachedDevices()
    : manager(openTarnDevice) {}

AttachedDevices::~AttachedDevices() {
    manager.stop();
}

bool AttachedDevices::take() {
    if (!devicesLock.tryLock())
        return false;
    held = true;
    // Every product id, not only up to the first that adds a device as the periodic scan does.
    for (uint16_t productId : kScannedProductIds)
        manager.doRescanForTarnDevices(kTarnVendorId, productId);
    manager.start(false);
    return true;
}

void AttachedDevices::release() {
    manager.stop();
    devicesLock.unlock();
    held = false;
}

QList<UsbDevice*> AttachedDevices::devices() {
    return manager.getDevices();
}

NamedDevice AttachedDevices::find(const QString& name) {
    NamedDevice named;
    const DeviceKind* kind = deviceKindNamed(name);
    QList<UsbDevice*> matches;
    for (UsbDevice* device : devices()) {
        if (kind ? kind->isKindOf(device) : device->serialNumber == name)
            matches.append(device);
    }
    if (matches.size() == 1) {
        named.device = matches.first();
        named.kind = deviceKindOf(named.device);
        return named;
    }
    if (matches.size() > 1) {
        QStringList serials;
        for (const UsbDevice* device : qAsConst(matches))
            serials.append(device->serialNumber);
        named.status = ExitStatus::Usage;
        named.message = QStringLiteral("%1 %2 devices are attached: name one by its serial "
                                       "number (%3)")
                            .arg(matches.size())
                            .arg(name, serials.join(QLatin1String(", ")));
        return named;
    }
    for (const InaccessibleDevice& device : inaccessible()) {
        if (kind && kindOf(device) == kind->kind) {
            named.status = ExitStatus::NoAccess;
            named.message = inaccessibleText(device);
            return named;
        }
    }
    named.status = ExitStatus::Missing;
    named.message = kind ? QStringLiteral("no %1 is attached").arg(name)
                         : QStringLiteral("no device of the kind or with the serial number "
                                          "\"%1\" is attached")
                               .arg(name);
    return named;
}

NamedDevice AttachedDevices::findLoadedSettings(const QString& name) {
    NamedDevice named = find(name);
    if (!named.device)
        return named;
    auto* device = qobject_cast<UsbSettingsDevice*>(named.device);
    if (!device) {
        named.status = ExitStatus::Usage;
        named.message = QStringLiteral("a bootloader has no profiles");
        return named;
    }
    const QString error = load(device);
    if (!error.isEmpty()) {
        named.status = ExitStatus::Failed;
        named.message = QStringLiteral("%1 failed to load: %2").arg(device->productName, error);
        return named;
    }
    named.settings = device;
    return named;
}

QString AttachedDevices::load(UsbDevice* device) {
    const QPointer<UsbDevice> alive = device;
    bool loaded = false;
    QString failure;
    QObject context;
    auto* settings = qobject_cast<UsbSettingsDevice*>(device);
    auto* bootloader = qobject_cast<UsbDeviceTarnBootloader*>(device);
    if (settings) {
        connect(settings, &UsbSettingsDevice::onSettingsLoaded, &context, [&] { loaded = true; });
        connect(settings, &UsbSettingsDevice::onSettingsLoadFailed, &context,
                [&](UsbDevice*, const QString& message) { failure = message; });
        settings->liveUpdatesEnabled = false;
        settings->loadSettings();
    } else if (bootloader) {
        connect(bootloader, &UsbDeviceTarnBootloader::onSettingsLoaded, &context,
                [&] { loaded = true; });
        bootloader->loadSettings();
    } else {
        return QStringLiteral("the device is of no kind this tool knows");
    }
    waitUntil([&] { return loaded || !failure.isEmpty() || !alive; }, kAnswerTimeoutMs);
    if (!alive)
        return QStringLiteral("the device left the bus");
    if (!failure.isEmpty())
        return failure;
    if (!loaded)
        return wasInterrupted() ? QStringLiteral("interrupted")
                                : QStringLiteral("the device did not answer");
    if (settings)
        settings->liveUpdatesEnabled = true;
    return QString();
}

QString inaccessibleText(const InaccessibleDevice& device) {
    return inaccessibleDeviceLine(device.productName, device.path, device.error);
}

bool waitUntil(const std::function<bool()>& done, int timeoutMs) {
    QElapsedTimer clock;
    clock.start();
    // Wakes the loop while no device sends anything.
    QTimer tick;
    tick.start(20);
    while (!done()) {
        if (interruptSeen || clock.hasExpired(timeoutMs))
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

void catchInterrupt() {
    std::signal(SIGINT, noteInterrupt);
    std::signal(SIGTERM, noteInterrupt);
}

bool wasInterrupted() {
    return interruptSeen;
}

void forgetInterrupt() {
    interruptSeen = false;
}
