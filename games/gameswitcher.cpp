#include "games/gameswitcher.h"

#include "games/gameswitchtarget.h"

#include <algorithm>
#include <utility>

QString GameSwitcher::currentGame() const {
    return runningGames.isEmpty() ? QString() : runningGames.last().name;
}

GameSwitcher::DeviceSwitch GameSwitcher::deviceSwitch(const GameSwitchTarget* target) const {
    const auto found = switchedTargets.constFind(target);
    if (found == switchedTargets.constEnd() || found->userChose)
        return {};
    return {found->game, found->profile};
}

void GameSwitcher::gameStarted(const QString& game, const QMap<QString, QString>& profiles) {
    // A game started again while it runs counts from its new start.
    runningGames.erase(
        std::remove_if(runningGames.begin(), runningGames.end(),
                       [&](const RunningGame& running) { return running.name == game; }),
        runningGames.end());
    runningGames.append({game, profiles, {}});
    if (!switching)
        return;
    for (GameSwitchTarget* target : std::as_const(readyTargets)) {
        const int index = profileIndex(target, runningGames.last());
        if (index >= 0)
            switchTo(target, runningGames.last(), index);
    }
}

void GameSwitcher::gameEnded(const QString& game) {
    const auto ended =
        std::find_if(runningGames.begin(), runningGames.end(),
                     [&](const RunningGame& running) { return running.name == game; });
    if (ended == runningGames.end())
        return;
    runningGames.erase(ended);
    if (!switching)
        return;
    for (GameSwitchTarget* target : std::as_const(readyTargets)) {
        const auto found = switchedTargets.constFind(target);
        if (found != switchedTargets.constEnd() && found->game == game)
            follow(target);
    }
}

void GameSwitcher::deviceReady(GameSwitchTarget* target) {
    if (readyTargets.contains(target))
        return;
    readyTargets.append(target);
    if (switching)
        follow(target);
}

void GameSwitcher::deviceGone(GameSwitchTarget* target) {
    readyTargets.removeAll(target);
    switchedTargets.remove(target);
    // Another device may come at the same address.
    for (RunningGame& game : runningGames)
        game.reported.remove(target);
}

void GameSwitcher::profileChosen(GameSwitchTarget* target, int index) {
    const auto found = switchedTargets.find(target);
    if (found == switchedTargets.end() || found->lastIndex == index)
        return;
    found->returnIndex = index;
    found->lastIndex = index;
    found->userChose = true;
}

void GameSwitcher::setEnabled(bool enabled) {
    if (enabled == switching)
        return;
    switching = enabled;
    for (GameSwitchTarget* target : std::as_const(readyTargets)) {
        if (switching)
            follow(target);
        else
            goBack(target);
    }
}

// The index of the profile `game` names for the kind of `target`; -1 when it names none or
// `target` has no profile of that name, which is reported once for each start of the game.
int GameSwitcher::profileIndex(GameSwitchTarget* target, RunningGame& game) {
    const auto named = game.profiles.constFind(target->kindName());
    if (named == game.profiles.constEnd())
        return -1;
    const int index = target->profileNames().indexOf(*named);
    if (index < 0 && !game.reported.contains(target)) {
        game.reported.insert(target);
        emit problem(
            tr("%1 has no profile \"%2\" for %3").arg(target->productName(), *named, game.name));
    }
    return index;
}

void GameSwitcher::switchTo(GameSwitchTarget* target, const RunningGame& game, int index) {
    const int active = target->activeProfile();
    const QString profile = target->profileNames().at(index);
    const auto found = switchedTargets.constFind(target);
    const int returnIndex = found == switchedTargets.constEnd() ? active : found->returnIndex;
    // Recorded before the device is told, so that the owner's report of it is no user's choice.
    switchedTargets.insert(target, {game.name, profile, returnIndex, index, false});
    if (index == active)
        return;
    target->activateProfile(index);
    emit switched(tr("%1: profile \"%2\" for %3").arg(target->productName(), profile, game.name));
}

// The running game started last that names a profile `target` has gets it; with none, `target`
// goes back.
void GameSwitcher::follow(GameSwitchTarget* target) {
    for (int i = runningGames.size() - 1; i >= 0; --i) {
        const int index = profileIndex(target, runningGames[i]);
        if (index >= 0) {
            switchTo(target, runningGames[i], index);
            return;
        }
    }
    goBack(target);
}

void GameSwitcher::goBack(GameSwitchTarget* target) {
    const auto found = switchedTargets.constFind(target);
    if (found == switchedTargets.constEnd())
        return;
    const int index = found->returnIndex;
    switchedTargets.erase(found);
    // The user may have removed that profile meanwhile.
    const QStringList names = target->profileNames();
    if (index == target->activeProfile() || index >= names.size())
        return;
    target->activateProfile(index);
    emit switched(tr("%1: back to profile \"%2\"").arg(target->productName(), names.at(index)));
}
