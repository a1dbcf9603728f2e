#include "pedals/pedalsprofilefiles.h"

#include "profiles/profilefile.h"

#include <cstring>

namespace {
constexpr size_t kLegacyRecordSize = 41;
} // namespace

bool convertLegacyPedalsImage(const QByteArray& image, TarnUsbPedalsProfileV2& profile) {
    const uint8_t* old = reinterpret_cast<const uint8_t*>(image.constData());
    // The checksum covers the record's whole words, its first 40 bytes.
    if (!legacyProfileChecksumMatches(old, kLegacyRecordSize))
        return false;
    TarnUsbPedalsProfileV2 converted{};
    converted.index = old[0];
    std::memcpy(converted.name, old + 1, sizeof converted.name);
    converted.name[sizeof converted.name - 1] = '\0';
    // The older record held the force adjustments in single bytes.
    converted.clutchMaxForceAdjustment = uint16_t(1000 - old[17]);
    converted.brakeMaxForceAdjustment = uint16_t(1000 - old[18]);
    converted.throttleMaxForceAdjustment = uint16_t(1000 - old[19]);
    converted.clutchMinForceAdjustment = old[20];
    converted.brakeMinForceAdjustment = old[21];
    converted.throttleMinForceAdjustment = old[22];
    std::memcpy(converted.clutchCurve, old + 23, sizeof converted.clutchCurve);
    std::memcpy(converted.brakeCurve, old + 29, sizeof converted.brakeCurve);
    std::memcpy(converted.throttleCurve, old + 35, sizeof converted.throttleCurve);
    profile = converted;
    return true;
}

QString PedalsProfilesManager::loadLegacyFile(QIODevice& file, TarnUsbPedalsProfileV2& profile) {
    QByteArray image;
    QString error = readLegacyImage(file, kLegacyPedalsFileSize, image);
    if (error.isEmpty() && !convertLegacyPedalsImage(image, profile))
        error = ProfileFileError::corrupted();
    return error;
}
