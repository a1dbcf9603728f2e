#pragma once
// Gives each ready device the profile the running game names for its kind, and gives it back the
// profile it had once no game wants it any longer. A game is its name and its map from kind names
// to profile names. The owner of the devices reports every change of a device's active profile,
// its own included: the switcher tells the user's choices from its own switches, keeps them while
// the game runs and returns to the last one chosen. QtCore only.

#include <QHash>
#include <QMap>
#include <QObject>
#include <QSet>
#include <QString>
#include <QVector>

class GameSwitchTarget;

class GameSwitcher : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    // The game a device follows and the profile the switcher made active on it; both empty when
    // it follows none or the user has chosen another profile since.
    struct DeviceSwitch {
        QString game;
        QString profile;
    };

    // The game started last of those running; empty when none runs.
    QString currentGame() const;
    DeviceSwitch deviceSwitch(const GameSwitchTarget* target) const;

public slots:
    void gameStarted(const QString& game, const QMap<QString, QString>& profiles);
    void gameEnded(const QString& game);
    // `target` is attached and its profiles are loaded; it stays valid until deviceGone.
    void deviceReady(GameSwitchTarget* target);
    void deviceGone(GameSwitchTarget* target);
    // Profile `index` of `target` has become the active one.
    void profileChosen(GameSwitchTarget* target, int index);
    // Off: every switched device gets its own profile back at once and nothing is switched until
    // on again, which switches to the running game. The games are followed meanwhile.
    void setEnabled(bool enabled);

signals:
    // A device was switched, for the status bar or tarnctl's output.
    void switched(const QString& text);
    // A game names a profile a device does not have.
    void problem(const QString& text);

private:
    struct RunningGame {
        QString name;
        QMap<QString, QString> profiles;
        // The devices told already that they lack this game's profile.
        QSet<const GameSwitchTarget*> reported;
    };
    // A device a game has switched.
    struct Switched {
        QString game;
        QString profile;
        // The profile it goes back to: its own before the first game, or the user's last choice.
        int returnIndex;
        // The last profile switched to or chosen: a report of it is no new choice.
        int lastIndex;
        bool userChose;
    };

    int profileIndex(GameSwitchTarget* target, RunningGame& game);
    void switchTo(GameSwitchTarget* target, const RunningGame& game, int index);
    void follow(GameSwitchTarget* target);
    void goBack(GameSwitchTarget* target);

    // In the order they started.
    QVector<RunningGame> runningGames;
    // In the order they became ready, which is the order of the messages.
    QVector<GameSwitchTarget*> readyTargets;
    QHash<const GameSwitchTarget*, Switched> switchedTargets;
    bool switching = true;
};
