#include "wheelbase/telemetrylog.h"

#include <QDir>

namespace {
// Logs of one second that could not all get their plain name.
constexpr int kMaxLogsPerSecond = 1000;

uint64_t nowMicros() {
    return uint64_t(QDateTime::currentMSecsSinceEpoch()) * 1000;
}
} // namespace

TelemetryLog::TelemetryLog(QObject* parent)
    : QObject(parent)
    , lastLogTimeMicros(nowMicros()) {}

TelemetryLog::~TelemetryLog() {
    // Rows still in the file's buffer reach the disk when the window goes.
    file.close();
}

QString TelemetryLog::fileNameFor(const QString& prefix, const QDateTime& start) {
    return prefix + start.toString(QStringLiteral("yyyy-MM-dd-hh-mm-ss")) + QStringLiteral(".csv");
}

QString TelemetryLog::start(const QString& directory, const QString& prefix,
                            const QByteArray& header) {
    const QString plain =
        QDir(directory).filePath(fileNameFor(prefix, QDateTime::currentDateTime()));
    QString path = plain;
    for (int attempt = 2; QFile::exists(path) && attempt <= kMaxLogsPerSecond; ++attempt)
        path =
            plain.chopped(4) + QLatin1Char('-') + QString::number(attempt) + QStringLiteral(".csv");
    return startAt(path, header);
}

QString TelemetryLog::startAt(const QString& path, const QByteArray& header) {
    stop();
    file.setFileName(path);
    // NewOnly: a file that appeared since the name was chosen is not overwritten either.
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        return file.errorString();
    if (file.write(header) != header.size() || file.error() != QFileDevice::NoError) {
        const QString reason = file.errorString();
        file.close();
        return reason;
    }
    return QString();
}

void TelemetryLog::stop() {
    if (!file.isOpen())
        return;
    if (!file.flush()) {
        fail();
        return;
    }
    file.close();
    emit closed();
}

void TelemetryLog::write(const QByteArray& rows) {
    if (!file.isOpen() || rows.isEmpty())
        return;
    if (file.write(rows) != rows.size() || file.error() != QFileDevice::NoError)
        fail();
}

void TelemetryLog::fail() {
    const QString message = tr("Logging to %1 stopped: %2")
                                .arg(QDir::toNativeSeparators(file.fileName()), file.errorString());
    file.close();
    emit closed();
    emit writeFailed(message);
}
