#pragma once
// A virtual device of the family as a kernel HID device, created through /dev/uhid: the kernel
// gives it a hidraw node and lists it like real hardware, so the tool finds it with the system's
// hidapi (no TARN_HID_BUS). The report descriptor declares the family's reports: 64-byte input
// reports 0x01 and 0x65 and output report 0x64, report id included.
//
// It enumerates on the Bluetooth bus with the model's vendor and product id. hidapi's hidraw
// backend drops a USB-bus device that has no USB parent in sysfs, which a UHID device never
// has; a Bluetooth one it lists with the kernel device's name as product string and its `uniq`
// as serial number. "The tool holds the device open" is the kernel's UHID_OPEN..UHID_CLOSE.
//
//     UhidDevice wheel(std::make_unique<WheelBaseModel>(), "wheelbase");
//     if (!wheel.plug())                  // needs read/write access to /dev/uhid
//         std::cerr << wheel.errorText();
//     wheel.waitForConnection(5000);      // the tool opened its hidraw node
//     wheel.unplug();                     // the kernel device goes away
//
// A model that asks to restart (into its bootloader and back) makes the kernel device go away
// and come back with the new model's identity, as the re-enumerating USB device does.

#include "sim/devicehost.h"

#include <string>

struct uhid_event;

class UhidDevice : public DeviceHost {
public:
    // `name` goes into the kernel device's physical path, to tell several devices apart.
    explicit UhidDevice(std::unique_ptr<DeviceModel> model, std::string name = "device");
    ~UhidDevice() override; // the kernel device goes away

    bool isConnected() const override;

    // Why the last plug() failed, e.g. "/dev/uhid: Permission denied".
    std::string errorText() const;

protected:
    SendResult transmit(const uint8_t* data, size_t length) override;
    bool appear() override;
    void disappear() override;
    void runLoop() override;

private:
    bool createKernelDevice();
    void destroyKernelDevice();
    // Reads every pending event; false when /dev/uhid failed.
    bool readEvents();
    void handleEvent(const uhid_event& event);
    void handleOutput(const uint8_t* data, size_t length);
    void rejectReportRequest(const uhid_event& request);
    bool writeEvent(const uhid_event& event);

    std::string error;                 // guarded by mutex
    int uhidFd = -1;                   // open while plugged
    bool numberedOutputReports = true; // loop thread; from UHID_START
};
