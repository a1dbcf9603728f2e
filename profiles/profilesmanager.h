#pragma once
// Writes one profile record to a .tprf file and reads it back. One instance per device kind,
// told apart by the file type N in the file; each kind also reads its older file format, if it
// had one. Every operation returns an error text, empty on success.

#include "profiles/profilefile.h"
#include "profiles/profilefileerrors.h"

#include <QByteArray>
#include <QFile>
#include <QIODevice>
#include <QSaveFile>
#include <QString>

#include <cstring>
#include <type_traits>

template <typename Profile, uint32_t N> class ProfilesManager {
    static_assert(std::is_trivially_copyable<Profile>::value, "profiles are raw wire records");

public:
    static constexpr uint32_t kFileType = N;
    static constexpr qint64 kFileSize = qint64(profileFileSize(sizeof(Profile)));

    virtual ~ProfilesManager() = default;

    // The file is replaced only once the whole image has been written, so a failed save leaves
    // an existing file as it was.
    QString saveToFile(const QString& fileName, const Profile& profile) {
        if (fileName.isEmpty())
            return ProfileFileError::emptyFileName();
        QSaveFile file(fileName);
        // Unbuffered, so that write() reports what really reached the file: a buffered write
        // that fails while flushing can still be committed as a truncated file.
        if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
            return file.errorString();
        fileImage = buildProfileFileImage(N, &profile, sizeof(Profile));
        if (file.write(fileImage) != fileImage.size())
            return ProfileFileError::shortWrite();
        if (!file.commit())
            return file.errorString();
        return QString();
    }

    // `profile` is written only on success.
    QString loadFromFile(const QString& fileName, Profile& profile) {
        if (fileName.isEmpty())
            return ProfileFileError::emptyFileName();
        QFile file(fileName);
        if (!file.open(QIODevice::ReadOnly))
            return file.errorString();
        return loadFromDevice(file, profile);
    }

    // The rest of loadFromFile, on a device open for reading at position 0.
    QString loadFromDevice(QIODevice& file, Profile& profile) {
        if (file.size() == kFileSize) {
            fileImage = file.read(kFileSize);
            if (fileImage.size() != kFileSize)
                return ProfileFileError::shortRead();
            switch (checkProfileFileImage(fileImage, N, sizeof(Profile))) {
            case ProfileImageCheck::Valid:
                std::memcpy(&profile, fileImage.constData() + kProfileFileHeaderSize,
                            sizeof(Profile));
                return QString();
            case ProfileImageCheck::Corrupted:
                return ProfileFileError::corrupted();
            case ProfileImageCheck::OtherFormat:
                if (!file.seek(0))
                    return file.errorString();
                break;
            }
        }
        return loadLegacyFile(file, profile);
    }

    // Reads and converts the device kind's older format from `file`, open at position 0;
    // `profile` is written only on success.
    virtual QString loadLegacyFile(QIODevice& file, Profile& profile) = 0;

protected:
    // Reads an older file whole, recognised by its size alone. The error text, empty on success.
    static QString readLegacyImage(QIODevice& file, int size, QByteArray& image) {
        if (file.size() != size)
            return ProfileFileError::unknownFormat();
        image = file.read(size);
        return image.size() == size ? QString() : ProfileFileError::shortRead();
    }

private:
    QByteArray fileImage;
};
