// tarnctl restore: a device's profile list replaced by profile files, after a safety copy of
// the list it had.

#include "app/devicekinds.h"
#include "ctl/attacheddevices.h"
#include "ctl/commands.h"
#include "ctl/exitstatus.h"
#include "ctl/output.h"
#include "ctl/profilebackup.h"
#include "ctl/settingsexchange.h"
#include "usb/usbsettingsdevice.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <cstring>
#include <vector>

namespace {

// A new folder named after the time under the user's data folder.
QString newSafetyFolder() {
    const QString parent = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                           QStringLiteral("/tarn-config/backups");
    const QString stamp =
        QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd-HHmmss"));
    QDir().mkpath(parent);
    for (int attempt = 1;; ++attempt) {
        QString folder = parent + QLatin1Char('/') + stamp +
                         (attempt > 1 ? QStringLiteral("-%1").arg(attempt) : QString());
        if (QDir().mkdir(folder))
            return folder;
        if (!QFileInfo::exists(folder))
            return QString();
    }
}

} // namespace

int restoreProfiles(AttachedDevices& attached, const Arguments& arguments) {
    if (arguments.operands.size() < 2)
        return fail(ExitStatus::Usage, QStringLiteral("restore takes DEVICE and one or more "
                                                      "files; see tarnctl restore --help"));
    const NamedDevice named = attached.findLoadedSettings(arguments.operands[0]);
    if (!named.settings)
        return fail(named.status, named.message);
    UsbSettingsDevice* device = named.settings;

    const QString safety = newSafetyFolder();
    QString error = safety.isEmpty()
                        ? QStringLiteral("cannot make a folder for the safety copy")
                        : writeProfileFiles(profileFiles(safety, *device, *named.kind));
    if (!error.isEmpty())
        return fail(ExitStatus::Failed, error);
    printLine(QStringLiteral("The profiles the device had are backed up in %1").arg(safety));

    const QStringList files = arguments.operands.mid(1);
    const ProfileListView list = device->profileList();
    if (files.size() > list.capacity)
        return fail(ExitStatus::Failed, QStringLiteral("%1 holds at most %2 profiles; nothing "
                                                       "sent")
                                            .arg(device->productName)
                                            .arg(list.capacity));
    std::vector<uint8_t> records(list.recordSize * size_t(files.size()));
    for (int i = 0; i < files.size(); ++i) {
        if (!QFileInfo::exists(files[i]))
            return fail(ExitStatus::Missing, QStringLiteral("%1: no such file").arg(files[i]));
        error = named.kind->readProfileFile(files[i], records.data() + list.recordSize * i);
        if (!error.isEmpty())
            return fail(ExitStatus::Failed, QStringLiteral("%1: %2 (not a %3 profile?); nothing "
                                                           "sent")
                                                .arg(files[i], error, named.kind->name));
    }
    for (int i = 0; i < files.size(); ++i) {
        uint8_t* record = list.record(i);
        std::memcpy(record, records.data() + list.recordSize * i, list.recordSize);
        record[0] = uint8_t(i);
    }
    list.profileCount = uint8_t(files.size());
    list.currentProfile = 0;
    error = applyProfileList(*device, arguments.has(QStringLiteral("--save")));
    if (!error.isEmpty())
        return fail(ExitStatus::Failed, error);
    printLine(QStringLiteral("%1: %2 profiles restored%3.")
                  .arg(device->productName)
                  .arg(files.size())
                  .arg(arguments.has(QStringLiteral("--save"))
                           ? QStringLiteral(" and saved in the device")
                           : QString()));
    return ExitStatus::Done;
}
