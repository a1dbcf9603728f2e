#pragma once
// One device class opened straight on a virtual device, with its reports delivered on the GUI
// thread as the manager delivers them, but without the manager's scan and reader thread: for
// tests of one device class. It runs with the tests' fast intervals (tests/support/testtimings.h).
//
//     DirectDevice<UsbDeviceTarnWheelBase> wheel(virtualWheel);
//     QSignalSpy loaded(wheel.get(), &UsbDeviceTarnWheelBase::onSettingsLoaded);
//     wheel->loadSettings();

#include "sim/virtualdevice.h"
#include "tests/support/testtimings.h"
#include "usb/usbdevice.h"

#include <QObject>
#include <QSocketNotifier>

#include <memory>

// Reads every report the device has sent whenever its connection becomes readable and hands the
// 64-byte ones to the device's handleReport; end of file stops it.
class ReportPump : public QObject {
public:
    explicit ReportPump(UsbDevice* device);

private:
    void readAll();

    UsbDevice* device;
    std::unique_ptr<QSocketNotifier> notifier;
};

// Opens the socket of a plugged virtual device; null when that fails.
std::unique_ptr<HidDevice> openVirtualDevice(const VirtualDevice& device);

template <class Device> class DirectDevice {
public:
    explicit DirectDevice(const VirtualDevice& virtualDevice) {
        if (std::unique_ptr<HidDevice> handle = openVirtualDevice(virtualDevice)) {
            device = std::make_unique<Device>(QString::fromStdString(virtualDevice.socketPath()),
                                              std::move(handle));
            device->applyTimings(fastTimings());
            pump = std::make_unique<ReportPump>(device.get());
        }
    }

    Device* get() const { return device.get(); }
    Device* operator->() const { return device.get(); }

private:
    std::unique_ptr<Device> device;
    std::unique_ptr<ReportPump> pump; // declared last: stops before the device goes
};
