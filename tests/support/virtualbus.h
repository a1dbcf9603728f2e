#pragma once
// A private virtual HID bus for one test: a temporary directory exported as TARN_HID_BUS, so
// that a UsbManager (or a window, or a tarn-config child process) created afterwards finds the
// virtual devices started on it and nothing else.
//
//     VirtualBus bus;
//     VirtualDevice& wheel = bus.addWheelBase();       // plugged in, streaming
//     UsbManager manager;                              // sees the bus
//     wheel.withModel<WheelBaseModel>([](WheelBaseModel& m) { m.protocolVersion = 6; });

#include "sim/bootloadermodel.h"
#include "sim/buttonplatemodel.h"
#include "sim/pedalsmodel.h"
#include "sim/virtualdevice.h"
#include "sim/wheelbasemodel.h"

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

#include <memory>
#include <string>
#include <vector>

class VirtualBus {
public:
    VirtualBus();
    // Takes every device off the bus, then restores the previous TARN_HID_BUS.
    ~VirtualBus();
    VirtualBus(const VirtualBus&) = delete;
    VirtualBus& operator=(const VirtualBus&) = delete;

    QString path() const { return directory.path(); }
    std::string pathString() const { return directory.path().toStdString(); }

    // Virtual devices, plugged in at once (plugged = false: the test plugs them itself).
    VirtualDevice& addWheelBase(const std::string& name = "wheelbase", bool plugged = true);
    VirtualDevice& addPedals(const std::string& name = "pedals", bool plugged = true);
    VirtualDevice& addButtonPlate(const std::string& name = "buttonplate", bool plugged = true);
    VirtualDevice& addDevice(const std::string& name, std::unique_ptr<DeviceModel> model,
                             bool plugged = true);

    // Entries that are no working device: a socket file nobody listens on (left behind by a
    // simulator that died) with its info file, and any file with any content.
    void addStaleSocket(const std::string& name, const std::string& infoText);
    void writeFile(const std::string& fileName, const QByteArray& content);

private:
    QTemporaryDir directory;
    QByteArray previousBus;
    bool hadPreviousBus;
    std::vector<std::unique_ptr<VirtualDevice>> devices;
};

// A bootloader enumerating with this product id and string, over a wheel base's application;
// the wheel base's own by default. Scripted before it is added to a bus.
std::unique_ptr<BootloaderModel>
wheelBaseBootloaderModel(uint16_t productId = 0xA355,
                         const std::string& product = "TARN Torvane Wheel Base Bootloader");

// The text of an info file for the given ids and product string.
std::string infoFileText(uint16_t productId, const std::string& product,
                         uint16_t vendorId = 0x0483);
