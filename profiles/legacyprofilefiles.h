#pragma once
// The older, shorter profile files that are still read: no file type, no magic, recognised by
// their size alone, with a checksum that covers only their first 40 bytes. Each conversion
// checks the checksum and fills the current record; false on a checksum mismatch, and then the
// record is left alone.

#include "pedals/pedalsrecords.h"
#include "wheelbase/wheelbaserecords.h"

#include <QByteArray>

// The first 43 bytes of the current wheel-base record, then the checksum.
constexpr int kLegacyWheelBaseFileSize = 47;
// 41 bytes of the older pedals record (byte-sized force adjustments), then the checksum.
constexpr int kLegacyPedalsFileSize = 45;

// `image` holds kLegacyWheelBaseFileSize bytes.
bool convertLegacyWheelBaseImage(const QByteArray& image, TarnUsbWheelBaseProfileV5& profile);
// `image` holds kLegacyPedalsFileSize bytes.
bool convertLegacyPedalsImage(const QByteArray& image, TarnUsbPedalsProfileV2& profile);
