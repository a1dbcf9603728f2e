#pragma once
// The window's Games tab and the switching behind it: the rules of games.ini in an editable
// table, written back on every edit; the games running and what each device switched to; and
// the switch that turns it off. While a game of a rule runs, each attached device its rule names
// gets the rule's profile live and gets its own back when the game ends. The window loads and
// shows the selected device itself and tells this page of it; the others are loaded here once a
// running game names their kind.

#include "games/deviceswitchtarget.h"
#include "games/gamerules.h"
#include "games/gamerulesmodel.h"
#include "games/gameswitcher.h"
#include "games/gamewatch.h"

#include <QObject>
#include <QSet>
#include <QTimer>

#include <map>
#include <memory>

namespace Ui {
class TARN_wheel_tool;
}

class UsbDevice;
class UsbSettingsDevice;

class GamesPage : public QObject {
    Q_OBJECT

public:
    // How often it looks whether the rules file was changed by someone else.
    static constexpr int kRulesLookIntervalMs = 1000;

    // Reads the rules file and starts watching for its games in `processes`.
    GamesPage(Ui::TARN_wheel_tool& ui, std::unique_ptr<ProcessList> processes, QObject* parent);
    ~GamesPage() override;

    GameWatch& gameWatch() { return watch; }

    // The frame's moments; a device is attached before the window may select it. The selected
    // device is the one the window loads and shows; null when none is, or when it has no settings.
    void deviceAttached(UsbDevice* device);
    void deviceDetached(UsbDevice* device);
    void setSelectedDevice(UsbSettingsDevice* device);
    // The window has loaded the selected device and shows its active profile.
    void selectedDeviceLoaded(UsbSettingsDevice* device);
    // The user made profile `index` of the selected device the active one.
    void profileChosen(UsbSettingsDevice* device, int index);
    // Switching off for good: every switched device gets its own profile back. Waits up to
    // `timeoutMs` for their live updates to be written; true once they are.
    bool returnDevices(int timeoutMs);

signals:
    // The selected device was switched to profile `index`: the window shows it as if the user
    // had picked it.
    void selectedProfileSwitched(int index);

private slots:
    // Loads the attached devices the running games name that are not loaded yet.
    void loadNamedDevices();

private:
    void addRule();
    void removeRule();
    void saveRules();
    void readRulesWhenChanged();
    // The file's path and what is wrong with it: `error`, and its malformed rules.
    void showRulesFile(const QString& error);
    void loadInBackground(UsbSettingsDevice* device);
    void makeReady(UsbSettingsDevice* device);
    void showState();

    Ui::TARN_wheel_tool& ui;
    GameRulesModel model;
    GameWatch watch;
    GameSwitcher switcher;
    QTimer rulesLook;
    QString rulesPath;
    // The file as last read or written, and when; it keeps the sections it could not read.
    GameRulesFile rulesFile;
    GameRulesChange rulesChange;
    // Why the file could not be read: it is not written over while there is one.
    QString rulesLoadError;
    std::map<UsbDevice*, UsbSettingsDevice*> attached;
    DeviceSwitchTargets targets{switcher};
    QSet<UsbDevice*> loading;
    UsbSettingsDevice* selected = nullptr;
};
