#pragma once
// The one table of the family's USB product ids: the scan, the kind each device is opened as and
// the udev rules all come from it. Which class serves a kind is the application's business.

#include "usb/hidtransport.h"
#include "usb/tarnusbreport.h"

#include <QString>

#include <cstdint>

enum class TarnDeviceKind { None, Bootloader, WheelBase, Pedals, ButtonPlate };

struct TarnProductId {
    uint16_t productId;
    const char* productStringContains; // null: any product string
    TarnDeviceKind kind;
    // Over Bluetooth LE the device returns no strings of its own: attach the enumeration record
    // to the open device first, so its product and serial strings come from there.
    bool stringsFromEnumeration;
};

// First matching row wins, so "Bootloader" is tested before "Wheel Base" and "Pedals".
constexpr TarnProductId kTarnProductIds[] = {
    {0x5C05, nullptr, TarnDeviceKind::Bootloader, false},
    {0xA110, nullptr, TarnDeviceKind::Bootloader, false},
    {0xA111, nullptr, TarnDeviceKind::WheelBase, false},
    {0xA112, nullptr, TarnDeviceKind::Pedals, false},
    {0xA113, nullptr, TarnDeviceKind::ButtonPlate, true},
    {0xA355, "Bootloader", TarnDeviceKind::Bootloader, false},
    {0xA355, "Wheel Base", TarnDeviceKind::WheelBase, false},
    {0xA3BE, "Bootloader", TarnDeviceKind::Bootloader, false},
    {0xA3BE, "Pedals", TarnDeviceKind::Pedals, false},
    {0xA44C, nullptr, TarnDeviceKind::ButtonPlate, true},
};

// The ids the periodic scan asks for, in this order.
constexpr uint16_t kScannedProductIds[] = {0xA355, 0xA3BE, 0xA113, 0xA44C};

// Whether the class of this product id depends on the product string.
bool productStringDecidesKind(uint16_t productId);
// The kind for a product id and the device's product string.
TarnDeviceKind tarnDeviceKind(uint16_t productId, const QString& productString);

// The kind of an open device, asking it for its product string where the id alone does not
// tell; attaches the enumeration record where the table says so.
TarnDeviceKind identifyTarnDevice(uint16_t productId, HidDevice& device, const HidDeviceInfo& info);

// udev rules giving the logged-in user access to every hidraw node of the family.
QString tarnUdevRules();
