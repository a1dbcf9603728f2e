#include "profiles/legacyprofilefiles.h"

#include "profiles/crc.h"
#include "usb/tarnusbreport.h"

#include <cstring>

namespace {
constexpr size_t kLegacyWheelBaseRecordSize = 43;
constexpr size_t kLegacyPedalsRecordSize = 41;

// The stored checksum follows the record and covers its whole words, the first 40 bytes.
bool legacyChecksumMatches(const uint8_t* data, size_t recordSize) {
    return readLe32(data + recordSize) == tarnCrc32(data, recordSize);
}
} // namespace

bool convertLegacyWheelBaseImage(const QByteArray& image, TarnUsbWheelBaseProfileV5& profile) {
    const uint8_t* old = reinterpret_cast<const uint8_t*>(image.constData());
    if (!legacyChecksumMatches(old, kLegacyWheelBaseRecordSize))
        return false;
    TarnUsbWheelBaseProfileV5 converted{};
    std::memcpy(&converted, old, kLegacyWheelBaseRecordSize);
    // The fields the older record lacks.
    converted.slewRate = 2;
    converted.endStopMaxForce = 100;
    converted.endStopStiffness = 1;
    converted.softEndStopDegrees = 900;
    profile = converted;
    return true;
}

bool convertLegacyPedalsImage(const QByteArray& image, TarnUsbPedalsProfileV2& profile) {
    const uint8_t* old = reinterpret_cast<const uint8_t*>(image.constData());
    if (!legacyChecksumMatches(old, kLegacyPedalsRecordSize))
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
