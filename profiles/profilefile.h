#pragma once
// The .tprf file image: u32 file type, u32 magic, the profile record exactly as it travels on the
// wire, zero pad up to a whole word, then the word-wise CRC of everything before it. Building and
// checking an image touch no file, so the layout can be checked byte for byte.

#include <QByteArray>

#include <cstddef>
#include <cstdint>

constexpr uint32_t kProfileFileMagic = 0xF0BADEAFu;
constexpr size_t kProfileFileHeaderSize = 8; // file type and magic

// Zero bytes after the record, so that the checksum starts on a multiple of 4.
constexpr size_t profileFilePadSize(size_t recordSize) {
    return (4 - (kProfileFileHeaderSize + recordSize) % 4) % 4;
}
constexpr size_t profileFileChecksumOffset(size_t recordSize) {
    return kProfileFileHeaderSize + recordSize + profileFilePadSize(recordSize);
}
constexpr size_t profileFileSize(size_t recordSize) {
    return profileFileChecksumOffset(recordSize) + 4;
}

QByteArray buildProfileFileImage(uint32_t fileType, const void* record, size_t recordSize);

enum class ProfileImageCheck {
    Valid,       // the record at offset 8 may be taken
    OtherFormat, // wrong size, file type or magic: perhaps an older format
    Corrupted,   // ours, but the checksum does not match
};

ProfileImageCheck checkProfileFileImage(const QByteArray& image, uint32_t fileType,
                                        size_t recordSize);

// The older profile files have no header: the record, then the checksum of its whole words.
// Whether the checksum after the record at `image` matches.
bool legacyProfileChecksumMatches(const uint8_t* image, size_t recordSize);
