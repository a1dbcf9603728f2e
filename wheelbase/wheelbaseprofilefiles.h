#pragma once
// The wheel base's profile files: the current .tprf image (file type 4) and the older 47-byte
// file, which has no file type and no magic and is recognised by its size alone.

#include "profiles/profilesmanager.h"
#include "wheelbase/wheelbaserecords.h"

// The first 43 bytes of the current wheel-base record, then a checksum of their first 40.
constexpr int kLegacyWheelBaseFileSize = 47;

// Checks the older file's checksum and fills the current record; false on a mismatch, and then
// the record is left alone. `image` holds kLegacyWheelBaseFileSize bytes.
bool convertLegacyWheelBaseImage(const QByteArray& image, TarnUsbWheelBaseProfileV5& profile);

class WheelBaseProfilesManager : public ProfilesManager<TarnUsbWheelBaseProfileV5, 4> {
public:
    QString loadLegacyFile(QIODevice& file, TarnUsbWheelBaseProfileV5& profile) override;
};
