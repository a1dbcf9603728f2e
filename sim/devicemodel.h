#pragma once
// The behaviour of one virtual device, apart from how it is reached (virtual bus or UHID).
// A host (DeviceHost) calls handleOutputReport for every output report the tool wrote and
// streamReport at the device's live-report rate; the model answers through the sink. A host
// serialises every call into its model, so models need no locks of their own.

#include "usb/tarnusbreport.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// What the enumeration record and the opened device say of themselves.
struct VirtualDeviceIdentity {
    uint16_t vendorId = kTarnVendorId;
    uint16_t productId = 0;
    std::string product; // enumeration record's product string
    std::string serial;
    std::string manufacturer = "TARN";
    // The product string the opened device returns; absent: same as product. An empty value
    // models the button plate over Bluetooth LE, which returns none of its own.
    bool hasDeviceProduct = false;
    std::string deviceProduct;
};

// One input report for the tool (byte 0 the report id, 64 bytes for this family).
using ReportSink = std::function<void(const std::vector<uint8_t>& report)>;

// Every joystick report of the virtual devices carries the stream's sequence number in bytes
// 60..63 (little-endian). No device record reaches that far into a report with its fields (the
// wheel base's payload tail, the pedals' and the button plate's unused bytes), so the tool never
// interprets it, and a test or benchmark can count the reports that did not arrive.
constexpr size_t kJoystickSequenceOffset = 60;

inline uint32_t joystickSequence(const uint8_t* report) {
    return uint32_t(report[60]) | (uint32_t(report[61]) << 8) | (uint32_t(report[62]) << 16) |
           (uint32_t(report[63]) << 24);
}

inline void setJoystickSequence(std::vector<uint8_t>& report, uint32_t sequence) {
    for (size_t i = 0; i < 4; ++i)
        report[kJoystickSequenceOffset + i] = uint8_t(sequence >> (8 * i));
}

class DeviceModel {
public:
    virtual ~DeviceModel() = default;

    // One output report from the tool, exactly as written (byte 0 the report id 0x64).
    virtual void handleOutputReport(const uint8_t* data, size_t length, const ReportSink& send) = 0;
    // Live input: the joystick report numbered `sequence` (see kJoystickSequenceOffset). The
    // sink may also receive unsolicited reports (the wheel base's command-2 telemetry).
    virtual void streamReport(uint32_t sequence, const ReportSink& send) = 0;
    // Joystick reports per second that the device sends on its own; 0 for none.
    virtual int defaultJoystickRate() const = 0;

    // How the device enumerates. Tests may change it before the device is plugged in.
    const VirtualDeviceIdentity& identity() const { return deviceIdentity; }
    void setIdentity(const VirtualDeviceIdentity& identity) { deviceIdentity = identity; }
    // Appended to the host's bus name while this model runs, so that a device restarted into
    // its bootloader comes back as a new entry, as a re-enumerated USB device does.
    virtual std::string busNameSuffix() const { return {}; }

    // The device asked to restart as another device (into its bootloader, or back into its
    // application). The host leaves the bus, runs the model that restart() returns and comes
    // back with that model's identity.
    bool restartRequested() const { return restartPending; }
    static std::unique_ptr<DeviceModel> restart(std::unique_ptr<DeviceModel> model) {
        model->restartPending = false;
        DeviceModel* running = model.get();
        return running->restartInto(std::move(model));
    }

    // The image the bootloader last wrote into this device (empty: the factory firmware).
    std::vector<uint8_t> installedFirmware;
    // The bootloader wrote `image` into this device.
    virtual void installFirmware(std::vector<uint8_t> image) {
        installedFirmware = std::move(image);
    }

protected:
    void requestRestart() { restartPending = true; }
    // Takes ownership of this model (`self`) and returns the model that runs after a restart.
    virtual std::unique_ptr<DeviceModel> restartInto(std::unique_ptr<DeviceModel> self) = 0;

    VirtualDeviceIdentity deviceIdentity;

private:
    bool restartPending = false;
};
