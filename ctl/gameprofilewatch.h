#pragma once
// tarnctl watch's work: follows the games of the rules file and switches each attached device to
// the running game's profile and back. It rereads the rules file when it changes. While a window
// of the tool is open it gives the devices up, and the window switches instead; once the window
// has closed it takes them again with the games running then.

#include "games/deviceswitchtarget.h"
#include "games/gamerules.h"
#include "games/gameswitcher.h"
#include "games/gamewatch.h"

#include <QObject>
#include <QTimer>

class AttachedDevices;
class UsbDevice;

class GameProfileWatch : public QObject {
    Q_OBJECT

public:
    // How often it looks whether the rules file changed and whether a window is open.
    static constexpr int kLookIntervalMs = 1000;

    explicit GameProfileWatch(AttachedDevices& attached);
    ~GameProfileWatch() override;

    // Follows the devices found so far and those plugged in later, and the games.
    void start();
    // Every switched device back to its own profile; true once their live updates are written.
    bool stop(int timeoutMs);

    // How long giving the devices up to a window waits for their live updates.
    static constexpr int kReturnTimeoutMs = 2000;

private:
    // Loads a device of a kind with profiles; once loaded, the switcher may switch it.
    void adopt(UsbDevice* device);
    void drop(UsbDevice* device);
    // Switching off, and every switched device back to its own profile; true once their live
    // updates are written.
    bool returnDevices(int timeoutMs);
    void readRulesWhenChanged();
    // Gives the devices up to an open window, or takes them back once it has closed.
    void yieldToWindow();

    AttachedDevices& attached;
    GameWatch games;
    GameSwitcher switcher;
    QTimer lookTimer;
    GameRulesChange rulesChange;
    bool yielded = false;
    DeviceSwitchTargets targets{switcher};
};
