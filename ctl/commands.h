#pragma once
// tarnctl's commands. Each gets the devices found at the start and its own arguments, and
// returns the exit status (ctl/exitstatus.h).

#include "ctl/arguments.h"

class AttachedDevices;

int listDevices(AttachedDevices& attached, const Arguments& arguments);
int activateProfile(AttachedDevices& attached, const Arguments& arguments);
int backUpProfiles(AttachedDevices& attached, const Arguments& arguments);
int restoreProfiles(AttachedDevices& attached, const Arguments& arguments);
int flashFirmware(AttachedDevices& attached, const Arguments& arguments);
int watchGames(AttachedDevices& attached, const Arguments& arguments);
