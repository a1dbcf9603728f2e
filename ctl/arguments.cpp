#include "ctl/arguments.h"

bool splitArguments(const QStringList& words, const QStringList& known, Arguments& arguments,
                    QString& bad) {
    for (const QString& word : words) {
        if (!word.startsWith(QLatin1String("--"))) {
            arguments.operands.append(word);
        } else if (known.contains(word)) {
            arguments.options.insert(word);
        } else {
            bad = word;
            return false;
        }
    }
    return true;
}
