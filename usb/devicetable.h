#pragma once
// The one table of the family's USB product ids: the scan, the class chosen for each device and
// the udev rules all come from it.

#include "usb/hidtransport.h"

#include <QString>

#include <cstdint>
#include <memory>

class UsbDevice;

enum class TarnDeviceKind { None, Bootloader, WheelBase, Pedals, ButtonPlate };

struct TarnProductId {
    uint16_t productId;
    const char* productStringContains; // null: any product string
    TarnDeviceKind kind;
};

constexpr uint16_t kTarnVendorId = 0x0483;

// First matching row wins, so "Bootloader" is tested before "Wheel Base" and "Pedals".
constexpr TarnProductId kTarnProductIds[] = {
    {0x5C05, nullptr, TarnDeviceKind::Bootloader},
    {0xA110, nullptr, TarnDeviceKind::Bootloader},
    {0xA111, nullptr, TarnDeviceKind::WheelBase},
    {0xA112, nullptr, TarnDeviceKind::Pedals},
    {0xA113, nullptr, TarnDeviceKind::ButtonPlate},
    {0xA355, "Bootloader", TarnDeviceKind::Bootloader},
    {0xA355, "Wheel Base", TarnDeviceKind::WheelBase},
    {0xA3BE, "Bootloader", TarnDeviceKind::Bootloader},
    {0xA3BE, "Pedals", TarnDeviceKind::Pedals},
    {0xA44C, nullptr, TarnDeviceKind::ButtonPlate},
};

// The ids the periodic scan asks for, in this order.
constexpr uint16_t kScannedProductIds[] = {0xA355, 0xA3BE, 0xA113, 0xA44C};

// Whether the class of this product id depends on the product string.
bool productStringDecidesKind(uint16_t productId);
// The class for a product id and the device's product string.
TarnDeviceKind tarnDeviceKind(uint16_t productId, const QString& productString);

// Opens the device as its class, or closes it again (returns null) when the table has none.
// The button plate's ids attach the enumeration record first, since over Bluetooth LE the device
// returns no strings of its own.
UsbDevice* createTarnDevice(uint16_t productId, const QString& path,
                            std::unique_ptr<HidDevice> handle, const HidDeviceInfo& info);

// udev rules giving the logged-in user access to every hidraw node of the family.
QString tarnUdevRules();
