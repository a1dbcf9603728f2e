#include "app/accesstexts.h"

#include <cerrno>
#include <cstring>

namespace {

// A device that enumerates without a product string (the button plate over Bluetooth LE) is
// still named.
QString deviceName(const QString& productName) {
    return productName.isEmpty() ? QStringLiteral("TARN device") : productName;
}

} // namespace

QString accessProblemText(int error) {
    switch (error) {
    case EACCES:
    case EPERM:
        return QStringLiteral("no permission to open it");
    case EBUSY:
        return QStringLiteral("in use by another program");
    default:
        return QString::fromLocal8Bit(std::strerror(error)).toLower();
    }
}

QString accessFixText(int error) {
    switch (error) {
    case EACCES:
    case EPERM:
        return QStringLiteral("install the tarn-config package, or its udev rules "
                              "(tarn-udev-rules), then unplug the device and plug it in again");
    case EBUSY:
        return QStringLiteral("close the program that uses it, then unplug the device and plug "
                              "it in again");
    default:
        return QStringLiteral("unplug the device and plug it in again");
    }
}

QString inaccessibleDeviceEntry(const QString& productName, int error) {
    return QStringLiteral("%1 (not accessible: %2; %3)")
        .arg(deviceName(productName), accessProblemText(error), accessFixText(error));
}

QString inaccessibleDeviceLine(const QString& productName, const QString& path, int error) {
    return QStringLiteral("%1 at %2 is present but not accessible: %3; %4.")
        .arg(deviceName(productName), path, accessProblemText(error), accessFixText(error));
}
