#pragma once
// tarnctl's exit statuses, as its help and the README list them.

namespace ExitStatus {
enum : int {
    Done = 0,
    Usage = 1,    // unknown command, bad argument, ambiguous device
    Missing = 2,  // the device, profile or file named is not there
    NoAccess = 3, // a device cannot be opened; the fix is on standard error
    Failed = 4,   // the device or a file refused or failed
    InUse = 5,    // another program holds the devices
};
} // namespace ExitStatus
