#pragma once
// tarnctl's help: the program's (the man page is made from it) and each command's.

#include <QString>

QString programHelp();
// The help of `command`; empty for a command tarnctl does not have.
QString commandHelp(const QString& command);
QString versionText();
