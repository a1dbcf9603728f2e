#include "games/gamerules.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSaveFile>
#include <QSet>
#include <QStandardPaths>

#include <algorithm>

namespace {

const QString kMatchKey = QStringLiteral("match");

QString tr(const char* text) {
    return QCoreApplication::translate("GameRules", text);
}

enum class LineKind { Blank, Comment, Section, Key, Other };

struct Line {
    LineKind kind;
    QString name; // the game's of a section line, the key's of a key line
    QString value;
};

Line classify(const QString& raw) {
    const QString text = raw.trimmed();
    if (text.isEmpty())
        return {LineKind::Blank, {}, {}};
    if (text.startsWith('#') || text.startsWith(';'))
        return {LineKind::Comment, {}, {}};
    if (text.startsWith('[') && text.endsWith(']'))
        return {LineKind::Section, text.mid(1, text.size() - 2).trimmed(), {}};
    // The trimmed text starts with no blank, so a '=' past its first character has a key before.
    const int equals = text.indexOf('=');
    if (equals > 0)
        return {LineKind::Key, text.left(equals).trimmed(), text.mid(equals + 1).trimmed()};
    return {LineKind::Other, {}, {}};
}

// The keys of a rule in the order they are written: match first, then the kinds.
QStringList keyOrder() {
    return QStringList{kMatchKey} + gameRuleKinds();
}

QString keyLine(const QString& key, const QString& value) {
    return key + QStringLiteral(" = ") + value;
}

// The values `rule` writes: its match and its profiles of the known kinds that have a name.
QMap<QString, QString> ruleValues(const GameRule& rule) {
    QMap<QString, QString> values{{kMatchKey, rule.match}};
    for (const QString& kind : gameRuleKinds()) {
        const QString profile = rule.profiles.value(kind);
        if (!profile.isEmpty())
            values.insert(kind, profile);
    }
    return values;
}

// `lines`, a good section of the same game as `rule`, with its values replaced by the rule's.
QStringList updatedSection(const QStringList& lines, const GameRule& rule) {
    QMap<QString, QString> values = ruleValues(rule);
    QStringList updated;
    int afterLastKey = 0;
    for (const QString& raw : lines) {
        const Line line = classify(raw);
        if (line.kind == LineKind::Key) {
            if (!values.contains(line.name))
                continue;
            const QString value = values.take(line.name);
            updated << (value == line.value ? raw : keyLine(line.name, value));
        } else {
            updated << raw;
        }
        if (line.kind == LineKind::Key || line.kind == LineKind::Section)
            afterLastKey = updated.size();
    }
    for (const QString& key : keyOrder()) {
        if (values.contains(key))
            updated.insert(afterLastKey++, keyLine(key, values.value(key)));
    }
    return updated;
}

QStringList newSection(const GameRule& rule) {
    return updatedSection({QLatin1Char('[') + rule.name + QLatin1Char(']')}, rule);
}

// Removes the comment lines at the end of `lines` and returns them.
QStringList takeTrailingComments(QStringList& lines) {
    int first = lines.size();
    while (first > 0 && classify(lines[first - 1]).kind == LineKind::Comment)
        --first;
    QStringList comments = lines.mid(first);
    lines.erase(lines.begin() + first, lines.end());
    return comments;
}

// Appends `section` to `lines`, a blank line between them.
void appendSection(QStringList& lines, const QStringList& section) {
    if (!lines.isEmpty() && !lines.last().trimmed().isEmpty())
        lines << QString();
    lines += section;
}

} // namespace

QString gameRuleErrorText(const GameRuleError& error) {
    return tr("games.ini, line %1: %2").arg(error.line).arg(error.message);
}

const QStringList& gameRuleKinds() {
    static const QStringList kinds{QStringLiteral("wheelbase"), QStringLiteral("pedals"),
                                   QStringLiteral("buttonplate")};
    return kinds;
}

QString gameRulesPath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/tarn-config/games.ini");
}

void GameRulesFile::parse(const QString& text) {
    preamble.clear();
    sections.clear();
    faults.clear();
    QStringList lines = text.split('\n');
    if (text.endsWith('\n') || text.isEmpty())
        lines.removeLast();

    QHash<QString, int> nameLines;
    QSet<QString> keys;
    int sectionLine = 0;
    auto reject = [this](int line, const QString& message) {
        faults.append({line, message});
        if (!sections.isEmpty())
            sections.last().good = false;
    };
    auto finishSection = [&] {
        if (!sections.isEmpty() && sections.last().rule.match.isEmpty())
            reject(sectionLine,
                   tr("the game \"%1\" has no match key").arg(sections.last().rule.name));
    };

    for (int i = 0; i < lines.size(); ++i) {
        QString raw = lines[i];
        if (raw.endsWith('\r'))
            raw.chop(1);
        const int number = i + 1;
        const Line line = classify(raw);
        if (line.kind == LineKind::Section) {
            finishSection();
            Section section;
            section.lines =
                takeTrailingComments(sections.isEmpty() ? preamble : sections.last().lines) << raw;
            section.rule.name = line.name;
            sections.append(section);
            sectionLine = number;
            keys.clear();
            if (line.name.isEmpty())
                reject(number, tr("a game's [name] is empty"));
            else if (nameLines.contains(line.name))
                reject(number, tr("the game \"%1\" has a section already, at line %2")
                                   .arg(line.name)
                                   .arg(nameLines.value(line.name)));
            else
                nameLines.insert(line.name, number);
            continue;
        }
        if (sections.isEmpty()) {
            preamble << raw;
            if (line.kind == LineKind::Key || line.kind == LineKind::Other)
                faults.append({number, tr("text before the first game's [name]")});
            continue;
        }
        Section& section = sections.last();
        section.lines << raw;
        if (line.kind == LineKind::Other) {
            reject(number, tr("neither a [name], a key = value nor a comment"));
        } else if (line.kind == LineKind::Key) {
            if (!keyOrder().contains(line.name))
                reject(number, tr("unknown key \"%1\"; the keys are %2")
                                   .arg(line.name, keyOrder().join(QStringLiteral(", "))));
            else if (keys.contains(line.name))
                reject(number, tr("the key \"%1\" is given twice").arg(line.name));
            else if (line.value.isEmpty())
                reject(number, tr("the key \"%1\" has no value").arg(line.name));
            else if (line.name == kMatchKey)
                section.rule.match = line.value;
            else
                section.rule.profiles.insert(line.name, line.value);
            keys.insert(line.name);
        }
    }
    finishSection();
    std::stable_sort(
        faults.begin(), faults.end(),
        [](const GameRuleError& a, const GameRuleError& b) { return a.line < b.line; });
}

QString GameRulesFile::text() const {
    QStringList lines = preamble;
    for (const Section& section : sections)
        lines += section.lines;
    return lines.isEmpty() ? QString() : lines.join('\n') + '\n';
}

QList<GameRule> GameRulesFile::rules() const {
    QList<GameRule> good;
    for (const Section& section : sections) {
        if (section.good)
            good.append(section.rule);
    }
    return good;
}

void GameRulesFile::setRules(const QList<GameRule>& rules) {
    QSet<QString> staying;
    for (const GameRule& rule : rules)
        staying.insert(rule.name);
    // Each malformed section follows the nearest good section above it that stays; an empty
    // name stands for the top.
    QHash<QString, QList<QStringList>> malformedAfter;
    QHash<QString, QStringList> goodSections;
    QString anchor;
    for (const Section& section : sections) {
        if (!section.good) {
            malformedAfter[anchor].append(section.lines);
            continue;
        }
        goodSections.insert(section.rule.name, section.lines);
        if (staying.contains(section.rule.name))
            anchor = section.rule.name;
    }

    QStringList lines = preamble;
    for (const QStringList& malformed : malformedAfter.value(QString()))
        appendSection(lines, malformed);
    for (const GameRule& rule : rules) {
        const auto old = goodSections.constFind(rule.name);
        appendSection(lines, old == goodSections.constEnd() ? newSection(rule)
                                                            : updatedSection(*old, rule));
        for (const QStringList& malformed : malformedAfter.take(rule.name))
            appendSection(lines, malformed);
    }
    parse(lines.isEmpty() ? QString() : lines.join('\n') + '\n');
}

QString GameRulesFile::load(const QString& path) {
    parse(QString());
    QFile file(path);
    if (!file.exists())
        return QString();
    if (!file.open(QIODevice::ReadOnly))
        return file.errorString();
    parse(QString::fromUtf8(file.readAll()));
    return QString();
}

QString GameRulesFile::save(const QString& path) const {
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder))
        return tr("Cannot create the folder %1").arg(folder);
    QSaveFile file(path);
    // Unbuffered, so that write() reports what really reached the file.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return file.errorString();
    const QByteArray bytes = text().toUtf8();
    if (file.write(bytes) != bytes.size())
        return tr("Cannot write all of %1").arg(path);
    if (!file.commit())
        return file.errorString();
    return QString();
}

bool GameRulesChange::changed(const QString& path) {
    const QDateTime now = QFileInfo(path).lastModified();
    if (seen && now == modified)
        return false;
    seen = true;
    modified = now;
    return true;
}

void GameRulesChange::taken(const QString& path) {
    seen = true;
    modified = QFileInfo(path).lastModified();
}
