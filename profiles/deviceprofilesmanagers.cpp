#include "profiles/deviceprofilesmanagers.h"

#include "profiles/legacyprofilefiles.h"

namespace {
// Reads an older file whole, recognised by its size alone. The error text, empty on success.
QString readLegacyImage(QIODevice& file, int size, QByteArray& image) {
    if (file.size() != size)
        return ProfileFileError::unknownFormat();
    image = file.read(size);
    return image.size() == size ? QString() : ProfileFileError::shortRead();
}
} // namespace

QString WheelBaseProfilesManager::loadLegacyFile(QIODevice& file,
                                                 TarnUsbWheelBaseProfileV5& profile) {
    QByteArray image;
    QString error = readLegacyImage(file, kLegacyWheelBaseFileSize, image);
    if (error.isEmpty() && !convertLegacyWheelBaseImage(image, profile))
        error = ProfileFileError::corrupted();
    return error;
}

QString PedalsProfilesManager::loadLegacyFile(QIODevice& file, TarnUsbPedalsProfileV2& profile) {
    QByteArray image;
    QString error = readLegacyImage(file, kLegacyPedalsFileSize, image);
    if (error.isEmpty() && !convertLegacyPedalsImage(image, profile))
        error = ProfileFileError::corrupted();
    return error;
}

QString ButtonPlateProfilesManager::loadLegacyFile(QIODevice&, TarnUsbBleButtonPlateProfile&) {
    return ProfileFileError::unknownFormat();
}
