#pragma once
// The behaviour of one virtual device, apart from how it is reached (virtual bus or UHID).
// A transport host calls handleOutputReport for every output report the host wrote, and
// nextJoystickReport at the model's stream rate; the model answers through the sink. Models
// are called from one thread at a time (their host serialises the calls).

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

using ReportSink = std::function<void(const std::vector<uint8_t>& report)>;

class DeviceModel {
public:
    virtual ~DeviceModel() = default;

    // One 64-byte output report (byte 0 the report id 0x64) from the host.
    virtual void handleOutputReport(const uint8_t* data, size_t length, const ReportSink& send) = 0;
    // The next live report (id 0x01), numbered so that a test can count what was lost; the
    // sink may also receive unsolicited reports (wheel-base telemetry, command 2).
    virtual void streamReport(uint32_t sequence, const ReportSink& send) = 0;

    // Requests that must leave the bus and come back as another device (command 1 into the
    // bootloader, command 8 out of it) are reported here; the host acts on them.
    enum class BusRequest { None, RestartIntoBootloader, RestartIntoApplication };
    BusRequest takeBusRequest() {
        BusRequest request = pendingBusRequest;
        pendingBusRequest = BusRequest::None;
        return request;
    }

protected:
    void requestBusChange(BusRequest request) { pendingBusRequest = request; }

private:
    BusRequest pendingBusRequest = BusRequest::None;
};
