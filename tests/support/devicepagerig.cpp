#include "tests/support/devicepagerig.h"

#include <QDir>
#include <QFile>

QString shownBy(const TARN_wheel_tool& window, const QString& names) {
    QStringList texts;
    for (const QString& name : names.split(QLatin1Char(' '))) {
        const QWidget* control = windowWidget<QWidget>(window, qPrintable(name));
        for (const char* property : {"currentText", "value", "checked", "text"}) {
            if (control->property(property).isValid()) {
                texts << control->property(property).toString();
                break;
            }
        }
    }
    return texts.join(QLatin1Char('|'));
}

WorkingDirectory::WorkingDirectory()
    : previous(QDir::currentPath()) {
    QDir::setCurrent(directory.path());
}

WorkingDirectory::~WorkingDirectory() {
    QDir::setCurrent(previous);
}

QStringList WorkingDirectory::logs(const QString& prefix) const {
    return QDir(directory.path()).entryList({prefix + QStringLiteral("*.csv")}, QDir::Files);
}

QList<QByteArray> WorkingDirectory::lines(const QString& prefix) const {
    const QStringList found = logs(prefix);
    QFile file(directory.filePath(found.value(0)));
    if (found.size() != 1 || !file.open(QIODevice::ReadOnly))
        return {};
    QList<QByteArray> lines = file.readAll().split('\n');
    return lines.takeLast().isEmpty() ? lines : QList<QByteArray>();
}
