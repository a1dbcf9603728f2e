#pragma once
// The games compatibility key: the registry value "OEMData" that declares the wheel base (vendor
// 0x0483, product 0xA355) a car controller to games, under its joystick OEM key, for the current
// user and for the machine. Writing the machine's value needs administrator rights, so the tool
// never writes the registry itself: it runs REG in an elevated command interpreter and reads the
// value back.

#include "wheelbase/gameskeyplatform.h"

#include <string>

// How pressing the key's button went, as the registry tells afterwards.
enum class GamesKeyOutcome { Installed, NotInstalled, Uninstalled, NotUninstalled };

// Whether the key is present after `outcome`.
bool gamesKeyPresentAfter(GamesKeyOutcome outcome);

// The interpreter's parameters that write both values, and those that delete them.
std::wstring gamesKeyInstallParameters();
std::wstring gamesKeyUninstallParameters();

class GamesCompatibilityKey {
public:
    explicit GamesCompatibilityKey(GamesKeyPlatform& platform)
        : platform(platform) {}

    // Both the current user's and the machine's key hold the value. Reading opens a missing key
    // by creating it, so the current user's key is left behind empty.
    bool isGamesCompatibilityKeyPresent();
    void installGamesCompatibilityKey();
    void uninstallGamesCompatibilityKey();
    // The button: removes the key when it is present, installs it otherwise, and reads it again.
    GamesKeyOutcome toggle();

private:
    GamesKeyPlatform& platform;
};
