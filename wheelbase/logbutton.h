#pragma once
// A page's "Start Logging" button over the shared telemetry log: it starts a log of the page's
// device, or stops the open log whichever page started it, and reads "Start Logging" again
// whenever the log closes.

#include <QByteArray>
#include <QObject>
#include <QString>

class QPushButton;
class TelemetryLog;

class LogButton : public QObject {
    Q_OBJECT

public:
    LogButton(QPushButton* button, TelemetryLog& log, QObject* parent);

    // Stops the open log; otherwise starts one in the working directory named with `prefix`
    // and headed by `header`. True when a log was started. A file that cannot be created is
    // reported in a warning box, and the button keeps "Start Logging".
    bool toggle(const QString& prefix, const QByteArray& header);

private:
    QPushButton* button;
    TelemetryLog& log;
};
