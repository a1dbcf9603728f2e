#pragma once
// What the window and the probe say about a device of the family that is on the bus but cannot
// be opened: which device, why, and what gets it opened.

#include <QString>

// Why the open failed, from its errno: "no permission to open it", "in use by another
// program", else the system's description.
QString accessProblemText(int error);

// What to do about it: without permission, the package or its udev rules and plugging in again.
QString accessFixText(int error);

// The device selector's entry: the device's name, the problem and the fix.
QString inaccessibleDeviceEntry(const QString& productName, int error);

// The probe's line on standard error: the same, with the device's path.
QString inaccessibleDeviceLine(const QString& productName, const QString& path, int error);
