#pragma once
// A device as the game switcher sees it, implemented by the device's owner (the window's device
// page, tarnctl watch). QtCore only.

#include <QString>
#include <QStringList>

class GameSwitchTarget {
public:
    virtual ~GameSwitchTarget() = default;

    // The kind the games' rules name: "wheelbase", "pedals", "buttonplate".
    virtual QString kindName() const = 0;
    // The device in the switcher's messages: its product name.
    virtual QString productName() const = 0;
    virtual QStringList profileNames() const = 0;
    virtual int activeProfile() const = 0;
    // Makes profile `index` the active one live, as choosing it in the window or tarnctl activate
    // does; the device does not save it, so unplugging it forgets the switch.
    virtual void activateProfile(int index) = 0;
};
