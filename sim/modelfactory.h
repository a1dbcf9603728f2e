#pragma once
// The device kinds a simulator host can run, by the names used on its command line.

#include "sim/devicemodel.h"

#include <memory>
#include <string>
#include <vector>

// "wheelbase", "pedals", "buttonplate" or "buttonplate-ble" (the plate over Bluetooth LE); null
// for any other name.
std::unique_ptr<DeviceModel> makeDeviceModel(const std::string& kind);
std::vector<std::string> deviceModelKinds();
