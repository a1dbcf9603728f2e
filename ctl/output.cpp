#include "ctl/output.h"

#include <cstdio>

void printLine(const QString& text) {
    std::fprintf(stdout, "%s\n", text.toLocal8Bit().constData());
    std::fflush(stdout);
}

void printErrorLine(const QString& text) {
    std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
}

int fail(int status, const QString& message) {
    printErrorLine(QStringLiteral("tarnctl: ") + message);
    return status;
}
