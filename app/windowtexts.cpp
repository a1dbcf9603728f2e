#include "app/windowtexts.h"

#include "profiles/profilelist.h"

#include <cstring>

QString profileNameText(const uint8_t* record) {
    const char* name = reinterpret_cast<const char*>(record + kProfileNameOffset);
    return QString::fromUtf8(name, int(strnlen(name, kProfileNameSize)));
}

QString withVersionSuffix(const QString& deviceText, const uint8_t* deviceInfo) {
    return QStringLiteral("%1 (SW version: %2.%3, HW version: %4.%5)")
        .arg(deviceText)
        .arg(deviceInfo[3])
        .arg(deviceInfo[4])
        .arg(deviceInfo[1])
        .arg(deviceInfo[2]);
}

QString buildInfoText(const char* buildDate, uint32_t firmwareHash) {
    return QStringLiteral("Build date: %1, hash: %2")
        .arg(QString::fromLatin1(buildDate))
        .arg(firmwareHash, 0, 16);
}
