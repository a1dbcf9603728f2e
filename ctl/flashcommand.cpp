// tarnctl flash: a firmware update as the window does it (the device restarted into its
// bootloader, the image sent chunk by chunk), with the progress on standard output and the
// software version before and after.

#include "app/devicekinds.h"
#include "ctl/attacheddevices.h"
#include "ctl/commands.h"
#include "ctl/exitstatus.h"
#include "ctl/flashprogress.h"
#include "ctl/output.h"
#include "firmware/usbdevicetarnbootloader.h"
#include "usb/usbsettingsdevice.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QPointer>

#include <climits>
#include <cstdio>
#include <unistd.h>

namespace {

// How long a device may take to restart into its bootloader or back into its application.
constexpr int kRestartTimeoutMs = 30000;
// How long a transfer may go without progress: the first chunk waits for the memory's erase.
constexpr qint64 kStalledTransferMs = qint64(UsbDeviceTarnBootloader::kFirstChunkRetryMs) * 3;

QString softwareVersion(const UsbSettingsDevice& device) {
    return QStringLiteral("%1.%2").arg(device.softwareMajor()).arg(device.softwareMinor());
}

// The device of class Device that the manager opens from now on: the one with `serial` when
// the device had one, else the first.
template <class Device> class Arrival {
public:
    Arrival(UsbManager& manager, const QString& serial) {
        QObject::connect(&manager, &UsbManager::onDeviceConnected, &context,
                         [this, serial](UsbDevice* connected) {
                             auto* found = qobject_cast<Device*>(connected);
                             if (found && (!device || found->serialNumber == serial))
                                 device = found;
                         });
    }

    // Waits for the device; null when it did not come.
    Device* wait() {
        waitUntil([this] { return !device.isNull(); }, kRestartTimeoutMs);
        return device;
    }

private:
    QObject context;
    QPointer<Device> device;
};

int waitsInBootloader(const QString& why, const QString& file) {
    printErrorLine(QStringLiteral("tarnctl: %1").arg(why));
    printErrorLine(QStringLiteral("The device waits in its bootloader; to finish, run: tarnctl "
                                  "flash bootloader %1")
                       .arg(file));
    return ExitStatus::Failed;
}

// Sends the image; the error text, empty once the bootloader has taken the whole image.
QString transfer(UsbDeviceTarnBootloader& bootloader, const QByteArray& image) {
    const QPointer<UsbDeviceTarnBootloader> alive = &bootloader;
    FlashProgress progress(isatty(STDOUT_FILENO) != 0);
    bool completed = false;
    QString failure;
    QElapsedTimer sinceProgress;
    sinceProgress.start();
    QObject context;
    QObject::connect(&bootloader, &UsbDeviceTarnBootloader::onFirmwareUpdateStarted, &context,
                     [&](int chunks) { progress.start(chunks); });
    QObject::connect(&bootloader, &UsbDeviceTarnBootloader::onFirmwareUpdateProgress, &context,
                     [&](int chunk) {
                         sinceProgress.restart();
                         progress.show(chunk);
                     });
    QObject::connect(&bootloader, &UsbDeviceTarnBootloader::onUpdateCompleted, &context,
                     [&] { completed = true; });
    QObject::connect(&bootloader, &UsbDeviceTarnBootloader::onUpdateFailed, &context,
                     [&](UsbDevice*, const QString& message) {
                         failure =
                             message.isEmpty() ? QStringLiteral("the transfer failed") : message;
                     });
    bootloader.updateFirmware(image);
    waitUntil(
        [&] {
            return completed || !failure.isEmpty() || !alive ||
                   sinceProgress.hasExpired(kStalledTransferMs);
        },
        INT_MAX);
    progress.finish();
    if (completed)
        return QString();
    if (!failure.isEmpty())
        return failure;
    if (!alive)
        return QStringLiteral("the bootloader left the bus during the transfer");
    return wasInterrupted() ? QStringLiteral("interrupted")
                            : QStringLiteral("the bootloader stopped answering");
}

} // namespace

int flashFirmware(AttachedDevices& attached, const Arguments& arguments) {
    if (arguments.operands.size() != 2)
        return fail(ExitStatus::Usage, QStringLiteral("flash takes DEVICE and FILE; see tarnctl "
                                                      "flash --help"));
    const QString fileName = arguments.operands[1];
    if (!QFileInfo::exists(fileName))
        return fail(ExitStatus::Missing, QStringLiteral("%1: no such file").arg(fileName));
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return fail(ExitStatus::Failed, QStringLiteral("%1: %2").arg(fileName, file.errorString()));
    // Refused before anything is sent, as in the window.
    const QString refusal = firmwareImageRefusal(file.size());
    if (!refusal.isEmpty())
        return fail(ExitStatus::Failed, QStringLiteral("%1: %2").arg(fileName, refusal));
    const QByteArray image = file.readAll();

    const NamedDevice named = attached.find(arguments.operands[0]);
    if (!named.device)
        return fail(named.status, named.message);
    const QString serial = named.device->serialNumber;
    const QString product = named.device->productName;
    auto* bootloader = qobject_cast<UsbDeviceTarnBootloader*>(named.device);
    if (auto* settings = qobject_cast<UsbSettingsDevice*>(named.device)) {
        const QString error = attached.load(settings);
        if (!error.isEmpty())
            return fail(ExitStatus::Failed,
                        QStringLiteral("%1 failed to load: %2").arg(product, error));
        printLine(QStringLiteral("%1: software %2").arg(product, softwareVersion(*settings)));
        printLine(QStringLiteral("Restarting into the bootloader..."));
        Arrival<UsbDeviceTarnBootloader> arrival(attached.usbManager(), serial);
        settings->enterBootloader();
        bootloader = arrival.wait();
        if (!bootloader)
            return fail(ExitStatus::Failed, wasInterrupted()
                                                ? QStringLiteral("interrupted")
                                                : QStringLiteral("the device did not come back "
                                                                 "as its bootloader"));
    } else {
        printLine(QStringLiteral("%1: software unknown (in its bootloader)").arg(product));
    }

    printLine(QStringLiteral("Sending %1 (%2 bytes)...").arg(fileName).arg(image.size()));
    Arrival<UsbSettingsDevice> arrival(attached.usbManager(), serial);
    const QString error = transfer(*bootloader, image);
    if (!error.isEmpty())
        return waitsInBootloader(error, fileName);
    UsbSettingsDevice* restarted = arrival.wait();
    if (!restarted)
        return fail(ExitStatus::Failed,
                    QStringLiteral("the firmware was sent, but the device did not come back"));
    const QString loadError = attached.load(restarted);
    if (!loadError.isEmpty())
        return fail(ExitStatus::Failed, QStringLiteral("%1 is back but failed to load: %2")
                                            .arg(restarted->productName, loadError));
    printLine(QStringLiteral("%1: software %2. Firmware updated.")
                  .arg(restarted->productName, softwareVersion(*restarted)));
    return ExitStatus::Done;
}
