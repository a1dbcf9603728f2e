#include "wheelbase/logbutton.h"

#include "wheelbase/telemetrylog.h"

#include <QDir>
#include <QMessageBox>
#include <QPushButton>

LogButton::LogButton(QPushButton* button, TelemetryLog& log, QObject* parent)
    : QObject(parent)
    , button(button)
    , log(log) {
    connect(&log, &TelemetryLog::closed, this,
            [this] { this->button->setText(tr("Start Logging")); });
}

bool LogButton::toggle(const QString& prefix, const QByteArray& header) {
    if (log.isOpen()) {
        log.stop();
        return false;
    }
    const QString error = log.start(QDir::currentPath(), prefix, header);
    if (!error.isEmpty()) {
        QMessageBox::warning(button->window(), tr("Logging"),
                             tr("Could not create the log file %1: %2")
                                 .arg(QDir::toNativeSeparators(log.fileName()), error));
        return false;
    }
    button->setText(tr("Stop Logging"));
    return true;
}
