#pragma once
// The fixed texts with which saving or loading a profile file fails. Failures the file system
// reports itself carry the file's own error string instead.

#include <QCoreApplication>
#include <QString>

namespace ProfileFileError {
inline QString emptyFileName() {
    return QCoreApplication::translate("ProfilesManager", "File name can't be empty");
}
inline QString shortRead() {
    return QCoreApplication::translate("ProfilesManager", "Can't read all data from file");
}
inline QString corrupted() {
    return QCoreApplication::translate("ProfilesManager", "Corrupted file");
}
inline QString unknownFormat() {
    return QCoreApplication::translate("ProfilesManager", "Unknown file format");
}
inline QString shortWrite() {
    return QCoreApplication::translate("ProfilesManager", "Can't write all data");
}
} // namespace ProfileFileError
