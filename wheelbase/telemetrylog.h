#pragma once
// The telemetry log the three device pages share: one CSV file at a time, opened by a page's
// "Start Logging" button and closed by any of them. Rows come from the pages' joystick
// handlers, for every report; each page builds its own rows.

#include <QByteArray>
#include <QDateTime>
#include <QFile>
#include <QObject>
#include <QString>

#include <cstdint>

class TelemetryLog : public QObject {
    Q_OBJECT

public:
    explicit TelemetryLog(QObject* parent = nullptr);
    ~TelemetryLog() override;

    // "<prefix><yyyy-MM-dd-hh-mm-ss>.csv" for a log started at `start`.
    static QString fileNameFor(const QString& prefix, const QDateTime& start);

    bool isOpen() const { return file.isOpen(); }
    // The file of the open log, or of the last one.
    QString fileName() const { return file.fileName(); }

    // Opens a new log in `directory` named for the current local time and writes `header`. A
    // log started in the same second as an earlier one gets "-2", "-3" … before ".csv", so no
    // log is overwritten. Returns why the file could not be created, or an empty string.
    QString start(const QString& directory, const QString& prefix, const QByteArray& header);
    // Opens `path` as the log and writes `header`; fails when the file exists.
    QString startAt(const QString& path, const QByteArray& header);
    void stop();
    // Appends rows. A write error closes the log, keeping the rows written so far, and emits
    // writeFailed once.
    void write(const QByteArray& rows);

    // Read time of an earlier report, the base of the dt columns; the pages keep it.
    uint64_t lastLogTimeMicros;

signals:
    // The log was closed, by a button or by a write error: every logging button reads "Start
    // Logging" again.
    void closed();
    void writeFailed(const QString& message);

private:
    void fail();

    QFile file;
};
