#pragma once
// The pedals' profile files: the current .tprf image (file type 2) and the older 45-byte file,
// which has no file type and no magic and is recognised by its size alone.

#include "pedals/pedalsrecords.h"
#include "profiles/profilesmanager.h"

// 41 bytes of the older pedals record (byte-sized force adjustments), then a checksum of their
// first 40.
constexpr int kLegacyPedalsFileSize = 45;

// Checks the older file's checksum and fills the current record; false on a mismatch, and then
// the record is left alone. `image` holds kLegacyPedalsFileSize bytes.
bool convertLegacyPedalsImage(const QByteArray& image, TarnUsbPedalsProfileV2& profile);

class PedalsProfilesManager : public ProfilesManager<TarnUsbPedalsProfileV2, 2> {
public:
    QString loadLegacyFile(QIODevice& file, TarnUsbPedalsProfileV2& profile) override;
};
