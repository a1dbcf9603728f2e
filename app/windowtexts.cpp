#include "app/windowtexts.h"

#include "profiles/profilelist.h"

#include <cstring>

QString profileNameText(const uint8_t* record) {
    const char* name = reinterpret_cast<const char*>(record + kProfileNameOffset);
    return QString::fromUtf8(name, int(strnlen(name, kProfileNameSize)));
}

QString withVersionSuffix(const QString& deviceText, int softwareMajor, int softwareMinor,
                          int hardwareMajor, int hardwareMinor) {
    return QStringLiteral("%1 (SW version: %2.%3, HW version: %4.%5)")
        .arg(deviceText)
        .arg(softwareMajor)
        .arg(softwareMinor)
        .arg(hardwareMajor)
        .arg(hardwareMinor);
}

QString devicesInUseEntry(const QString& holder) {
    return QStringLiteral("Devices in use by %1: opened as soon as it is done").arg(holder);
}
