#include "sim/bootloadermodel.h"

#include "profiles/crc.h"
#include "usb/tarnusbreport.h"

#include <cstring>

namespace {
constexpr size_t kDataOffset = 2;
constexpr size_t kIndexOffset = 34;
constexpr size_t kCountOffset = 36;
constexpr size_t kCrcOffset = 38;

enum : uint8_t { kStatusOk = 0, kStatusEraseFailed = 1, kStatusProgramFailed = 2 };
} // namespace

BootloaderModel::BootloaderModel(std::unique_ptr<DeviceModel> application,
                                 const VirtualDeviceIdentity& identity)
    : applicationModel(std::move(application)) {
    deviceIdentity = identity;
}

std::vector<uint8_t> BootloaderModel::status(uint8_t code, uint16_t chunk) const {
    std::vector<uint8_t> report(kReportSize, 0);
    report[0] = kResponseReportId;
    report[1] = kCmdFirmwareStatus;
    report[2] = kProtocolVersion;
    report[3] = code;
    writeLe16(report.data() + kIndexOffset, chunk);
    return report;
}

void BootloaderModel::handleOutputReport(const uint8_t* data, size_t length,
                                         const ReportSink& send) {
    if (length != size_t(kReportSize) || data[0] != kCommandReportId)
        return;
    switch (data[1]) {
    case kCmdEnterBootloader: // in the bootloader, command 1 carries a firmware chunk
        handleChunk(data, send);
        return;
    case kCmdLoadSettings: {
        std::vector<uint8_t> info(kReportSize, 0);
        info[0] = kResponseReportId;
        info[1] = kCmdLoadSettings;
        info[2] = kProtocolVersion;
        std::memcpy(info.data() + kRecordOffset, deviceInfo, sizeof deviceInfo);
        send(info);
        return;
    }
    case kCmdReset:
        if (data[kExitBootloaderFlagOffset] == kFlagSet)
            requestRestart();
        return;
    default:
        return;
    }
}

void BootloaderModel::handleChunk(const uint8_t* data, const ReportSink& send) {
    const uint16_t index = readLe16(data + kIndexOffset);
    const uint16_t count = readLe16(data + kCountOffset);
    if (index >= count) {
        // The end request: restart into the firmware just written.
        applicationModel->installFirmware(image);
        requestRestart();
        return;
    }
    if (index == 0) {
        image.clear();
        if (failErase) {
            send(status(kStatusEraseFailed, 0));
            return;
        }
        send(status(kStatusOk, 0));
    }
    const uint8_t* chunk = data + kDataOffset;
    if (tarnCrc32(chunk, kChunkSize) != readLe32(data + kCrcOffset) ||
        int(index) == failProgramAtChunk) {
        send(status(int(index) == failProgramAtChunk ? programFailureStatus
                                                     : uint8_t(kStatusProgramFailed),
                    index));
        return;
    }
    const size_t start = size_t(index) * kChunkSize;
    if (image.size() < start + kChunkSize)
        image.resize(start + kChunkSize, 0);
    std::memcpy(image.data() + start, chunk, kChunkSize);

    std::vector<uint8_t> echo(data, data + kReportSize);
    echo[0] = kResponseReportId;
    if (int(index) == corruptEchoAtChunk) {
        echo[kDataOffset] ^= 0xFF;
        writeLe32(echo.data() + kCrcOffset, tarnCrc32(echo.data() + kDataOffset, kChunkSize));
    }
    send(echo);
}

std::unique_ptr<DeviceModel> BootloaderModel::restartInto(std::unique_ptr<DeviceModel>) {
    return std::move(applicationModel);
}
