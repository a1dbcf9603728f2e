// tarnctl list: every attached device with its versions and profiles, as text or JSON.

#include "app/accesstexts.h"
#include "app/devicekinds.h"
#include "app/windowtexts.h"
#include "ctl/attacheddevices.h"
#include "ctl/commands.h"
#include "ctl/exitstatus.h"
#include "ctl/output.h"
#include "firmware/usbdevicetarnbootloader.h"
#include "usb/usbsettingsdevice.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

QString version(int major, int minor) {
    return QStringLiteral("%1.%2").arg(major).arg(minor);
}

// Bytes 1..4 of a device info block: hardware major and minor, software major and minor.
void addVersions(QJsonObject& entry, const uint8_t* info) {
    entry[QStringLiteral("hardware")] = version(info[1], info[2]);
    entry[QStringLiteral("software")] = version(info[3], info[4]);
}

QJsonObject describe(UsbDevice* device, const QString& loadError) {
    const DeviceKind* kind = deviceKindOf(device);
    QJsonObject entry{{QStringLiteral("kind"), QLatin1String(kind->name)},
                      {QStringLiteral("product"), device->productName},
                      {QStringLiteral("serial"), device->serialNumber},
                      {QStringLiteral("path"), device->path},
                      {QStringLiteral("access"), QStringLiteral("ok")}};
    if (!loadError.isEmpty()) {
        entry[QStringLiteral("error")] = loadError;
        return entry;
    }
    QJsonArray profiles;
    if (auto* settings = qobject_cast<UsbSettingsDevice*>(device)) {
        addVersions(entry, settings->deviceInfo);
        entry[QStringLiteral("active")] = settings->currentProfile;
        for (int i = 0; i < settings->profileCount; ++i)
            profiles.append(
                QJsonObject{{QStringLiteral("index"), i},
                            {QStringLiteral("name"), profileNameText(settings->profileRecord(i))}});
    } else if (auto* bootloader = qobject_cast<UsbDeviceTarnBootloader*>(device)) {
        addVersions(entry, bootloader->deviceInfo);
        entry[QStringLiteral("active")] = QJsonValue::Null;
    }
    entry[QStringLiteral("profiles")] = profiles;
    return entry;
}

QJsonObject describe(const InaccessibleDevice& device) {
    const TarnDeviceKind kind = tarnDeviceKind(device.productId, device.productName);
    QString kindName;
    for (const DeviceKind& entry : deviceKinds()) {
        if (entry.kind == kind)
            kindName = QLatin1String(entry.name);
    }
    return {{QStringLiteral("kind"), kindName},
            {QStringLiteral("product"), device.productName},
            {QStringLiteral("serial"), device.serialNumber},
            {QStringLiteral("path"), device.path},
            {QStringLiteral("access"), QStringLiteral("denied")},
            {QStringLiteral("reason"), accessProblemText(device.error)},
            {QStringLiteral("fix"), accessFixText(device.error)}};
}

void printText(const QJsonObject& entry) {
    const QString s = QStringLiteral("serial");
    QString head = QStringLiteral("%1: %2").arg(entry[QStringLiteral("kind")].toString(),
                                                entry[QStringLiteral("product")].toString());
    if (!entry[s].toString().isEmpty())
        head += QStringLiteral(", serial ") + entry[s].toString();
    if (entry.contains(QStringLiteral("software")))
        head += QStringLiteral(", hardware %1, software %2")
                    .arg(entry[QStringLiteral("hardware")].toString(),
                         entry[QStringLiteral("software")].toString());
    printLine(head);
    printLine(QStringLiteral("  path: ") + entry[QStringLiteral("path")].toString());
    if (entry[QStringLiteral("access")].toString() != QLatin1String("ok"))
        printLine(QStringLiteral("  not accessible: %1; %2")
                      .arg(entry[QStringLiteral("reason")].toString(),
                           entry[QStringLiteral("fix")].toString()));
    if (entry.contains(QStringLiteral("error")))
        printLine(QStringLiteral("  failed to load: ") + entry[QStringLiteral("error")].toString());
    const int active = entry[QStringLiteral("active")].toInt(-1);
    for (const auto& value : entry[QStringLiteral("profiles")].toArray()) {
        const QJsonObject profile = value.toObject();
        const int index = profile[QStringLiteral("index")].toInt();
        printLine(QStringLiteral("  %1 %2 %3")
                      .arg(index == active ? QLatin1Char('*') : QLatin1Char(' '))
                      .arg(index, 2)
                      .arg(profile[QStringLiteral("name")].toString()));
    }
}

} // namespace

int listDevices(AttachedDevices& attached, const Arguments& arguments) {
    if (!arguments.operands.isEmpty())
        return fail(ExitStatus::Usage, QStringLiteral("list takes no arguments"));
    int status = ExitStatus::Done;
    QJsonArray devices;
    for (UsbDevice* device : attached.devices()) {
        const QString error = attached.load(device);
        if (!error.isEmpty()) {
            printErrorLine(QStringLiteral("%1 at %2 failed to load: %3")
                               .arg(device->productName, device->path, error));
            status = ExitStatus::Failed;
        }
        devices.append(describe(device, error));
    }
    for (const InaccessibleDevice& device : attached.inaccessible()) {
        printErrorLine(inaccessibleText(device));
        if (status == ExitStatus::Done)
            status = ExitStatus::NoAccess;
        devices.append(describe(device));
    }
    if (arguments.has(QStringLiteral("--json"))) {
        printLine(QString::fromUtf8(
            QJsonDocument(QJsonObject{{QStringLiteral("devices"), devices}}).toJson()));
    } else if (devices.isEmpty()) {
        printLine(QStringLiteral("No TARN device attached."));
    } else {
        for (const QJsonValue& entry : qAsConst(devices))
            printText(entry.toObject());
    }
    return status;
}
