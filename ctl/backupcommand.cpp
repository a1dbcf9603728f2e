// tarnctl backup: every profile of every attached device into .tprf files, never overwriting.

#include "app/devicekinds.h"
#include "ctl/attacheddevices.h"
#include "ctl/commands.h"
#include "ctl/exitstatus.h"
#include "ctl/output.h"
#include "ctl/profilebackup.h"
#include "usb/usbsettingsdevice.h"

#include <QDir>
#include <QFileInfo>

int backUpProfiles(AttachedDevices& attached, const Arguments& arguments) {
    if (arguments.operands.size() != 1)
        return fail(ExitStatus::Usage,
                    QStringLiteral("backup takes one folder; see tarnctl backup --help"));
    const QString folder = arguments.operands[0];
    int status = ExitStatus::Done;
    QList<ProfileFile> files;
    int backedUp = 0;
    for (UsbDevice* device : attached.devices()) {
        auto* settings = qobject_cast<UsbSettingsDevice*>(device);
        if (!settings)
            continue;
        ++backedUp;
        const QString error = attached.load(settings);
        if (!error.isEmpty())
            return fail(ExitStatus::Failed, QStringLiteral("%1 at %2 failed to load: %3")
                                                .arg(device->productName, device->path, error));
        files += profileFiles(folder, *settings, *deviceKindOf(settings));
    }
    for (const InaccessibleDevice& device : attached.inaccessible()) {
        printErrorLine(inaccessibleText(device));
        status = ExitStatus::NoAccess;
    }
    if (backedUp == 0)
        return status == ExitStatus::Done
                   ? fail(ExitStatus::Missing, QStringLiteral("no device with profiles attached"))
                   : status;
    QStringList existing;
    for (const ProfileFile& file : qAsConst(files)) {
        if (QFileInfo::exists(file.path))
            existing.append(file.path);
    }
    if (!existing.isEmpty())
        return fail(ExitStatus::Failed, QStringLiteral("nothing written: these files exist "
                                                       "already: %1")
                                            .arg(existing.join(QLatin1String(", "))));
    if (!QDir().mkpath(folder))
        return fail(ExitStatus::Failed, QStringLiteral("cannot make the folder %1").arg(folder));
    const QString error = writeProfileFiles(files);
    if (!error.isEmpty())
        return fail(ExitStatus::Failed, error);
    for (const ProfileFile& file : qAsConst(files))
        printLine(file.path);
    printLine(QStringLiteral("%1 profiles backed up into %2.").arg(files.size()).arg(folder));
    return status;
}
