#pragma once
// A virtual device of the family on the virtual HID bus: a listening SOCK_SEQPACKET socket
// NAME.sock with its NAME.info, a model that answers the host's requests, and a thread that
// streams the model's live reports. Qt-free, so tests drive it in-process and tarn-device-sim
// hosts it in its own process. Everything here is thread-safe.

#include "sim/devicemodel.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// What the enumeration record and the opened device say of themselves.
struct VirtualDeviceIdentity {
    uint16_t vendorId = 0x0483;
    uint16_t productId = 0;
    std::string product;       // enumeration record's product string
    std::string serial;
    std::string manufacturer = "TARN";
    // The product string the opened device returns; absent: same as product. An empty value
    // models the button plate over Bluetooth LE, which returns none of its own.
    bool hasDeviceProduct = false;
    std::string deviceProduct;
};

// One report the host wrote, with the time it arrived (wall-clock microseconds since 1970).
struct ReceivedReport {
    std::vector<uint8_t> data;
    uint64_t timeMicros = 0;
};

class VirtualDevice {
public:
    VirtualDevice(std::string busDirectory, std::string name, VirtualDeviceIdentity identity,
                  std::unique_ptr<DeviceModel> model);
    ~VirtualDevice(); // leaves the bus

    // Appear on the bus (socket listening first, then the info file, written atomically) /
    // leave it (info removed, connections and socket closed, socket removed).
    bool plug();
    void unplug();
    bool isPlugged() const;
    // Whether the host holds a connection now.
    bool isConnected() const;

    // Sends one input report of any length to the connected host (dropped when none).
    void injectReport(const uint8_t* data, size_t length);
    // The next n answers the model gives are dropped, as if lost on the way.
    void holdBackAnswers(int n);

    // Every report the host wrote since the last clear, in order.
    std::vector<ReceivedReport> receivedReports() const;
    void clearReceivedReports();
    // Waits until at least `count` reports have been received (since the last clear) or the
    // time-out passes; returns the number received.
    size_t waitForReceived(size_t count, int timeoutMs) const;

    // Live input: joystick reports per second (0 stops the stream).
    void setJoystickRate(int reportsPerSecond);

    DeviceModel& model();
    const std::string& name() const;
    std::string socketPath() const;
    const VirtualDeviceIdentity& identity() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl;
};
