#pragma once
// A virtual device of the family on the virtual HID bus (the directory named by TARN_HID_BUS):
// a listening SOCK_SEQPACKET socket NAME.sock with its NAME.info, one connection at a time, and
// a thread that passes the tool's reports to the model and sends the answers and the live
// reports back. Qt-free, so tests drive it in-process and tarn-device-sim hosts it in its own
// process.
//
//     VirtualDevice wheel(busDir, "wheelbase", std::make_unique<WheelBaseModel>());
//     wheel.plug();                       // NAME.sock listens, then NAME.info appears
//     wheel.waitForConnection(5000);      // the tool opened it
//     wheel.withModel<WheelBaseModel>([](WheelBaseModel& m) { m.protocolVersion = 6; });
//     wheel.waitForReceived(1, 5000);     // the tool wrote its first request
//     wheel.unplug();                     // NAME.info goes, connections close, NAME.sock goes
//
// On command 1 the wheel base leaves the bus and comes back as NAME-bootloader; leaving the
// bootloader brings NAME back.

#include "sim/devicehost.h"

#include <atomic>
#include <string>

class VirtualDevice : public DeviceHost {
public:
    VirtualDevice(std::string busDirectory, std::string name, std::unique_ptr<DeviceModel> model);
    // The same, enumerating with `identity` instead of the model's own.
    VirtualDevice(std::string busDirectory, std::string name, const VirtualDeviceIdentity& identity,
                  std::unique_ptr<DeviceModel> model);
    ~VirtualDevice() override; // leaves the bus

    bool isConnected() const override;

    // Connections the tool opened since construction; a second connection while one is open is
    // accepted and closed at once (the tool then reads end of file), and counts too.
    int connectionCount() const;
    // Absolute path of NAME.sock, the path the tool opens.
    std::string socketPath() const;

protected:
    SendResult transmit(const uint8_t* data, size_t length) override;
    bool appear() override;
    void disappear() override;
    void runLoop() override;

private:
    void acceptConnection();
    void closeConnection();
    // Reads every queued message of the connection; false when the model asked to restart.
    bool readConnection();
    std::string entryPath(const std::string& suffix) const;

    const std::string directory;
    std::atomic<int> connections{0};
    int listenFd = -1;     // loop thread while plugged
    int connectionFd = -1; // loop thread while plugged
};
