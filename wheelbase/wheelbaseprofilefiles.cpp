#include "wheelbase/wheelbaseprofilefiles.h"

#include "profiles/profilefile.h"

#include <cstring>

namespace {
constexpr size_t kLegacyRecordSize = 43;
} // namespace

bool convertLegacyWheelBaseImage(const QByteArray& image, TarnUsbWheelBaseProfileV5& profile) {
    const uint8_t* old = reinterpret_cast<const uint8_t*>(image.constData());
    // The checksum covers the record's whole words, its first 40 bytes.
    if (!legacyProfileChecksumMatches(old, kLegacyRecordSize))
        return false;
    TarnUsbWheelBaseProfileV5 converted{};
    std::memcpy(&converted, old, kLegacyRecordSize);
    // The fields the older record lacks.
    converted.slewRate = 2;
    converted.endStopMaxForce = 100;
    converted.endStopStiffness = 1;
    converted.softEndStopDegrees = 900;
    profile = converted;
    return true;
}

QString WheelBaseProfilesManager::loadLegacyFile(QIODevice& file,
                                                 TarnUsbWheelBaseProfileV5& profile) {
    QByteArray image;
    QString error = readLegacyImage(file, kLegacyWheelBaseFileSize, image);
    if (error.isEmpty() && !convertLegacyWheelBaseImage(image, profile))
        error = ProfileFileError::corrupted();
    return error;
}
