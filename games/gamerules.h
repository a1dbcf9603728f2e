#pragma once
// The games' rules: which profile each device switches to while a game runs. They live in one
// file the user may edit by hand, games.ini in the user's configuration folder, one section per
// game:
//
//     [Assetto Corsa Competizione]
//     match = AC2-Win64-Shipping.exe
//     wheelbase = GT3
//     pedals = Hard brake
//     buttonplate = GT
//
// `match` is the game's process name, or its .exe name for games run through Wine or Proton; the
// kind keys name a profile of that kind's device, any of them may be left out. Lines starting
// with '#' or ';' are comments; there are no comments at the end of a line, since a profile's
// name may hold either character. The comment lines right above a game's [name] line are that
// game's; so are those between its lines.
//
// A section the parser cannot take whole is a malformed rule: each of its faults is reported with
// its line, the section is left out of the rules, and the text keeps it as it was, so that an
// editor that writes the rules back never loses what it could not read.

#include <QDateTime>
#include <QList>
#include <QMap>
#include <QMetaType>
#include <QString>
#include <QStringList>

struct GameRule {
    QString name;
    QString match;
    QMap<QString, QString> profiles; // kind name ("wheelbase") to the name of its profile

    bool operator==(const GameRule& other) const {
        return name == other.name && match == other.match && profiles == other.profiles;
    }
    bool operator!=(const GameRule& other) const { return !(*this == other); }
};

Q_DECLARE_METATYPE(GameRule)

struct GameRuleError {
    int line; // counted from 1
    QString message;
};

// "games.ini, line 12: <message>".
QString gameRuleErrorText(const GameRuleError& error);

// The kind keys a rule may hold, in the order a rule is written.
const QStringList& gameRuleKinds();

// $XDG_CONFIG_HOME/tarn-config/games.ini, or the platform's equivalent.
QString gameRulesPath();

// Tells whether the rules file changed since it was last read or written here, by its time of
// modification, so that edits made by hand are taken over without reading it on every look.
class GameRulesChange {
public:
    // Whether `path` changed since the last call or `taken` (the first call: always), and takes
    // its state as seen.
    bool changed(const QString& path);
    // Takes the state of `path` as seen: a write of our own is no change.
    void taken(const QString& path);

private:
    bool seen = false;
    QDateTime modified;
};

// The rules file as a document: its text, the rules read from it and the faults found.
class GameRulesFile {
public:
    void parse(const QString& text);
    QString text() const;
    QList<GameRule> rules() const;
    const QList<GameRuleError>& errors() const { return faults; }

    // Replaces the good rules with `rules`, in their order, and parses the result. Every
    // malformed section stays as it was, after the good section it followed (or at the top). A
    // game that keeps its name keeps its section's comments and the places of its lines; a
    // changed value is written anew, a removed key's line goes, an added key comes after the
    // section's last key. A removed or renamed game's section goes with its comments; the lines
    // above the first section that are not its comments stay. An empty profile name is not
    // written, nor a profile of another kind than gameRuleKinds().
    void setRules(const QList<GameRule>& rules);

    // Reads `path`; a missing file is no error and holds no rules. The error's text otherwise.
    QString load(const QString& path);
    // Replaces `path` once the whole text is written, creating its folder. The error's text on
    // failure, the file left as it was.
    QString save(const QString& path) const;

private:
    // A game's [name] line and the lines up to the next section, after the comment lines right
    // above its [name] line: those belong to it.
    struct Section {
        QStringList lines; // as read
        GameRule rule;
        bool good = true;
    };

    QStringList preamble; // the lines above the first section
    QList<Section> sections;
    QList<GameRuleError> faults;
};
