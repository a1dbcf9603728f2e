#pragma once
// Texts the window frame shows, computed without widgets.

#include <QString>

#include <cstdint>

// The name of a profile record: the NUL-terminated UTF-8 text that starts at its second byte.
QString profileNameText(const uint8_t* record);

// " (SW version: a.b, HW version: c.d)" appended to a device selector entry.
QString withVersionSuffix(const QString& deviceText, int softwareMajor, int softwareMinor,
                          int hardwareMajor, int hardwareMinor);

// The device selector's entry while another program holds the devices.
QString devicesInUseEntry(const QString& holder);
