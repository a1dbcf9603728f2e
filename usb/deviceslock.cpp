#include "usb/deviceslock.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>

#include <cerrno>

#include <signal.h>
#include <unistd.h>

DevicesLock::DevicesLock()
    : lockFile(lockFilePath()) {
    // Held for as long as the program runs: never taken over for its age, only once its holder
    // has died.
    lockFile.setStaleLockTime(0);
}

bool DevicesLock::tryLock() {
    if (lockFile.isLocked() || lockFile.tryLock(0))
        return true;
    // Where no lock file can be made at all (no writable runtime folder), no other program can
    // hold one either: the devices are free.
    return lockFile.error() != QLockFile::LockFailedError;
}

bool DevicesLock::holder(QString& program, qint64& pid) const {
    QString hostName;
    return lockFile.getLockInfo(&pid, &hostName, &program);
}

QString DevicesLock::holderText() const {
    QString program;
    qint64 pid = 0;
    if (!holder(program, pid))
        return QStringLiteral("another program");
    return QStringLiteral("%1 (process %2)").arg(program).arg(pid);
}

QString DevicesLock::lockFilePath() {
    // The runtime directory is the user's own; without one the file name carries the user id.
    QString folder = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (folder.isEmpty())
        folder = QDir::tempPath();
    QString name = QStringLiteral("tarn-devices-%1").arg(geteuid());
    const QString bus = qEnvironmentVariable("TARN_HID_BUS");
    if (!bus.isEmpty()) {
        const QByteArray busPath = QFileInfo(bus).absoluteFilePath().toUtf8();
        name += QLatin1Char('-') +
                QCryptographicHash::hash(busPath, QCryptographicHash::Sha1).toHex().left(16);
    }
    return folder + QLatin1Char('/') + name + QStringLiteral(".lock");
}

WindowPresenceLock::WindowPresenceLock()
    : lockFile(lockFilePath()) {
    lockFile.setStaleLockTime(0);
}

bool WindowPresenceLock::isHeldByAWindow() {
    // Read, never taken: taking it even for a moment could keep a window that starts just then
    // from holding it, and watch would then never give the devices up.
    const QLockFile probe(lockFilePath());
    qint64 pid = 0;
    QString hostName;
    QString program;
    return probe.getLockInfo(&pid, &hostName, &program) && pid > 0 &&
           (::kill(pid_t(pid), 0) == 0 || errno == EPERM);
}

QString WindowPresenceLock::lockFilePath() {
    QString path = DevicesLock::lockFilePath();
    path.insert(path.lastIndexOf(QLatin1Char('.')), QStringLiteral("-window"));
    return path;
}
