#pragma once
// A device of the family restarted into its bootloader. It answers command 3 with its protocol
// version 2 and device info; takes a firmware image in 32-byte chunks (command 1: data at bytes
// 2..33, index 34..35, count 36..37, CRC of the data 38..41), erasing its memory on chunk 0
// (status report 20 with byte 3 = 0 when that worked), checking each chunk's CRC and echoing it;
// and restarts into its application after the end request (index = count), with the new image
// installed, or on command 8 with byte 3 = 1. Failures can be scripted for tests.

#include "sim/devicemodel.h"

class BootloaderModel : public DeviceModel {
public:
    static constexpr uint8_t kProtocolVersion = 2;
    static constexpr size_t kChunkSize = 32;

    // `application` is the model the device returns to; `identity` is how the bootloader
    // enumerates.
    BootloaderModel(std::unique_ptr<DeviceModel> application,
                    const VirtualDeviceIdentity& identity);

    uint8_t deviceInfo[7] = {0x02, 1, 0, 1, 3, 0, 0};
    std::vector<uint8_t> image; // what was programmed since the last chunk 0

    // Scripted failures: erasing fails (status 1), programming chunk n fails (status 2 with
    // the index), or the echo of chunk n comes back with its data altered and a CRC recomputed
    // to fit the altered data, so that only the comparison with the chunk sent can catch it.
    bool failErase = false;
    int failProgramAtChunk = -1;
    uint8_t programFailureStatus = 2; // the status code that failure reports
    int corruptEchoAtChunk = -1;

    DeviceModel& application() { return *applicationModel; }

    void handleOutputReport(const uint8_t* data, size_t length, const ReportSink& send) override;
    void streamReport(uint32_t, const ReportSink&) override {}
    int defaultJoystickRate() const override { return 0; }
    std::string busNameSuffix() const override { return "-bootloader"; }

protected:
    std::unique_ptr<DeviceModel> restartInto(std::unique_ptr<DeviceModel> self) override;

private:
    void handleChunk(const uint8_t* data, const ReportSink& send);
    std::vector<uint8_t> status(uint8_t code, uint16_t chunk) const;

    std::unique_ptr<DeviceModel> applicationModel;
};
