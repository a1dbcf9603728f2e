#pragma once
// A loaded device as the game switcher sees it, in the window and in tarnctl watch: a switch makes
// the profile the active one by a live update after the device's debounce, as tarnctl activate
// does, and is never saved in the device.

#include "games/gameswitchtarget.h"

#include <QObject>
#include <QPointer>

#include <map>
#include <memory>

struct DeviceKind;
class GameSwitcher;
class UsbDevice;
class UsbSettingsDevice;

class DeviceSwitchTarget : public QObject, public GameSwitchTarget {
    Q_OBJECT

public:
    DeviceSwitchTarget(UsbSettingsDevice& device, const DeviceKind& kind);

    QString kindName() const override;
    QString productName() const override;
    QStringList profileNames() const override;
    int activeProfile() const override;
    void activateProfile(int index) override;

    // A switch is asked for and its live update not yet written whole.
    bool isUpdating() const { return updating; }

signals:
    // Profile `index` was made the active one: the window shows it when the device is selected.
    void activated(int index);
    void updated();

private:
    QPointer<UsbSettingsDevice> device;
    const DeviceKind& kind;
    bool updating = false;
};

// The loaded devices a switcher may switch, each with its target.
class DeviceSwitchTargets {
public:
    using Map = std::map<UsbDevice*, std::unique_ptr<DeviceSwitchTarget>>;

    explicit DeviceSwitchTargets(GameSwitcher& switcher)
        : switcher(switcher) {}

    // The loaded `device` becomes switchable: its edits go out live again, and the switcher may
    // switch it at once. A device that is a target already keeps its target.
    DeviceSwitchTarget& add(UsbSettingsDevice& device, const DeviceKind& kind);
    // The device left: the switcher forgets it. False when it was no target.
    bool remove(UsbDevice* device);
    // Null when the device is no target.
    DeviceSwitchTarget* find(UsbDevice* device) const;
    // Some switch's live update is not written whole yet.
    bool anyUpdating() const;
    const Map& all() const { return targets; }

private:
    GameSwitcher& switcher;
    Map targets;
};
