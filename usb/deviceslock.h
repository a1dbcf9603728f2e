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
    // Gives the devices up to the next program that asks.
    void unlock() { lockFile.unlock(); }

    // The program holding the lock, and its process id; false when that cannot be read.
    bool holder(QString& program, qint64& pid) const;
    // "tarn-config (process 1234)", or "another program" when the holder is unknown.
    QString holderText() const;

    // The lock file of this user and bus.
    static QString lockFilePath();

private:
    QLockFile lockFile;
};

// The window holds this lock for as long as it runs, whether or not it has the devices yet:
// tarnctl watch, which gives the devices up to an open window, sees from it that one is open.
class WindowPresenceLock {
public:
    WindowPresenceLock();

    // Held from now on, until this object goes; false when another window holds it.
    bool tryLock() { return lockFile.tryLock(0); }

    // Whether a window of this user and bus holds the lock now.
    static bool isHeldByAWindow();

private:
    static QString lockFilePath();

    QLockFile lockFile;
};
