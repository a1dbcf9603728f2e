#pragma once
// Whole files in tests, written and read in one go.

#include <QByteArray>
#include <QFile>
#include <QString>

// Whether `path` now holds exactly `content`.
inline bool writeFile(const QString& path, const QByteArray& content) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

// The file's content; empty when it cannot be read.
inline QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
