#include "ctl/profilebackup.h"

#include "app/devicekinds.h"
#include "app/windowtexts.h"
#include "usb/usbsettingsdevice.h"

#include <QDir>

namespace {

QString portable(const QString& text) {
    QString result = text;
    for (QChar& c : result) {
        const bool kept = (c >= QLatin1Char('a') && c <= QLatin1Char('z')) ||
                          (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) ||
                          (c >= QLatin1Char('0') && c <= QLatin1Char('9')) ||
                          c == QLatin1Char('.') || c == QLatin1Char('_') || c == QLatin1Char('-');
        if (!kept)
            c = QLatin1Char('_');
    }
    return result;
}

} // namespace

QString backupFileName(const char* kind, const QString& serial, int index, const QString& name) {
    return QStringLiteral("%1-%2-%3-%4.tprf")
        .arg(QLatin1String(kind), portable(serial))
        .arg(index, 2, 10, QLatin1Char('0'))
        .arg(portable(name));
}

QList<ProfileFile> profileFiles(const QString& folder, UsbSettingsDevice& device,
                                const DeviceKind& kind) {
    QList<ProfileFile> files;
    for (int i = 0; i < device.profileCount; ++i) {
        const QString name = backupFileName(kind.name, device.serialNumber, i,
                                            profileNameText(device.profileRecord(i)));
        files.append({&device, &kind, i, QDir(folder).filePath(name)});
    }
    return files;
}

QString writeProfileFiles(const QList<ProfileFile>& files) {
    for (const ProfileFile& file : files) {
        const QString error = file.kind->saveProfileFile(*file.device, file.index, file.path);
        if (!error.isEmpty())
            return QStringLiteral("%1: %2").arg(file.path, error);
    }
    return QString();
}
