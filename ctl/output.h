#pragma once
// What tarnctl prints: results on standard output, errors and fixes on standard error.

#include <QString>

void printLine(const QString& text);
void printErrorLine(const QString& text);

// Prints "tarnctl: message" on standard error and returns `status`.
int fail(int status, const QString& message);
