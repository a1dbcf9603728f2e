#pragma once
// A command's arguments: its operands, and the options it was given out of those it knows.

#include <QSet>
#include <QStringList>

struct Arguments {
    QStringList operands;
    QSet<QString> options;

    bool has(const QString& option) const { return options.contains(option); }
};

// Splits `words` into operands and options; false, with the offending word in `bad`, for an
// option not in `known`.
bool splitArguments(const QStringList& words, const QStringList& known, Arguments& arguments,
                    QString& bad);
