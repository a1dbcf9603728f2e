#include "profiles/profilefile.h"

#include "profiles/crc.h"
#include "usb/tarnusbreport.h"

#include <cstring>

namespace {
const uint8_t* bytes(const QByteArray& image) {
    return reinterpret_cast<const uint8_t*>(image.constData());
}
} // namespace

QByteArray buildProfileFileImage(uint32_t fileType, const void* record, size_t recordSize) {
    const size_t checksumOffset = profileFileChecksumOffset(recordSize);
    QByteArray image(int(profileFileSize(recordSize)), '\0');
    uint8_t* data = reinterpret_cast<uint8_t*>(image.data());
    writeLe32(data, fileType);
    writeLe32(data + 4, kProfileFileMagic);
    std::memcpy(data + kProfileFileHeaderSize, record, recordSize);
    writeLe32(data + checksumOffset, tarnCrc32(data, checksumOffset));
    return image;
}

ProfileImageCheck checkProfileFileImage(const QByteArray& image, uint32_t fileType,
                                        size_t recordSize) {
    if (size_t(image.size()) != profileFileSize(recordSize) || readLe32(bytes(image)) != fileType ||
        readLe32(bytes(image) + 4) != kProfileFileMagic)
        return ProfileImageCheck::OtherFormat;
    const size_t checksumOffset = profileFileChecksumOffset(recordSize);
    if (readLe32(bytes(image) + checksumOffset) != tarnCrc32(bytes(image), checksumOffset))
        return ProfileImageCheck::Corrupted;
    return ProfileImageCheck::Valid;
}

bool legacyProfileChecksumMatches(const uint8_t* image, size_t recordSize) {
    return readLe32(image + recordSize) == tarnCrc32(image, recordSize);
}
