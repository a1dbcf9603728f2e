#pragma once
// Profiles of a device as .tprf files in a folder, one file per profile, in the format the
// window saves and loads. Both tarnctl backup and the safety copy tarnctl restore makes first
// write them.

#include <QList>
#include <QString>

class UsbSettingsDevice;
struct DeviceKind;

// KIND-SERIAL-INDEX-NAME.tprf, the index in two digits; in the serial and the name, every
// character but ASCII letters, digits, '.', '_' and '-' becomes '_'.
QString backupFileName(const char* kind, const QString& serial, int index, const QString& name);

struct ProfileFile {
    UsbSettingsDevice* device;
    const DeviceKind* kind;
    int index;
    QString path;
};

// The files of every profile of a loaded `device` in `folder`.
QList<ProfileFile> profileFiles(const QString& folder, UsbSettingsDevice& device,
                                const DeviceKind& kind);

// Writes the files; the first error (with the file's name), empty when all were written.
QString writeProfileFiles(const QList<ProfileFile>& files);
