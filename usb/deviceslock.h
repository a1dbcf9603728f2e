#pragma once
// Only one program talks to the family's devices at a time: the window and tarnctl take this
// per-user lock before they open any device. With TARN_HID_BUS set the lock belongs to that bus,
// so programs on separate virtual buses run side by side. The lock file names the program that
// holds it and its process id.

#include <QLockFile>
#include <QString>

class DevicesLock {
public:
    DevicesLock();

    // True when this program now holds the lock (or held it already), or when no lock file can
    // be made; false while another program holds it.
    bool tryLock();
    bool isLocked() const { return lockFile.isLocked(); }

    // The program holding the lock, and its process id; false when that cannot be read.
    bool holder(QString& program, qint64& pid) const;
    // "tarn-config (process 1234)", or "another program" when the holder is unknown.
    QString holderText() const;

    // The lock file of this user and bus.
    static QString lockFilePath();

private:
    QLockFile lockFile;
};
