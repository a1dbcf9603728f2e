#pragma once
// The two exchanges that change a settings device's profile list: the live update, which the
// running device takes at once, and the save that keeps the list. Each waits for its end.

#include <QString>

class UsbSettingsDevice;

// Sends the device's profile list and active index in one live update, after the device's
// debounce, as an edit in the window does. The error text, empty on success.
QString sendLiveUpdate(UsbSettingsDevice& device);

// Keeps the list in the device (Save in the window). The error text, empty on success.
QString saveInDevice(UsbSettingsDevice& device);

// The live update, then the save when `save` is set.
QString applyProfileList(UsbSettingsDevice& device, bool save);
