#pragma once
// Framing shared by every device of the family: fixed 64-byte reports, the report ids, the
// command codes, the offsets and flags every device reads alike, and the little-endian field
// access. Qt-free and header-only, so everything builds on it, the virtual devices included.

#include <array>
#include <cstdint>

// The vendor id of every device of the family, in application and in bootloader mode.
constexpr uint16_t kTarnVendorId = 0x0483;

constexpr int kReportSize = 64;

enum TarnReportId : uint8_t {
    kJoystickReportId = 0x01, // device to host, live input
    kCommandReportId = 0x64,  // host to device, every request
    kResponseReportId = 0x65, // device to host, answers and unsolicited telemetry
};

// Byte 1 of a command or response report.
enum TarnCommand : uint8_t {
    kCmdEnterBootloader = 1, // bootloader: firmware chunk
    kCmdTelemetry = 2,       // answer only (wheel base)
    kCmdLoadSettings = 3,
    kCmdSaveSettings = 4,
    kCmdReadProfile = 5,
    kCmdWriteProfile = 6,
    kCmdCenterRim = 7,
    kCmdReset = 8,
    kCmdTest = 9,
    kCmdLoadCalibration = 10,
    kCmdSaveCalibration = 11,
    kCmdLiveUpdate = 12,
    kCmdLiveUpdateProfile = 13,
    kCmdStartCalibration = 14,
    kCmdStopCalibration = 15,
    kCmdSaveHallCalibration = 16,
    kCmdSaveFactorySettings = 18,
    kCmdLoadFactorySettings = 19,
    kCmdFirmwareStatus = 20,
    kCmdReadStatistics = 21,
    kCmdResetStatistics = 22,
    kCmdAccelerometerTest = 23,
};

// Marker value that ends a load, save or live-update exchange.
constexpr uint8_t kEndMarker = 0xFF;

// Where a request or an answer carries its payload: a profile record (its index byte first), the
// index of a record to read, the device info block of a load answer.
constexpr int kRecordOffset = 3;

// In the load answer of the wheel base and the button plate, after the device info block: the
// firmware's hash (u32) and its build date (text).
constexpr int kFirmwareHashOffset = 10;
constexpr int kFirmwareBuildDateOffset = 14;

// Flags of command 8 (reset), each a byte set to kFlagSet: restore the factory settings, or (in
// the bootloader) leave the bootloader and start the application.
constexpr int kFactoryResetFlagOffset = 5;
constexpr int kExitBootloaderFlagOffset = 3;
constexpr uint8_t kFlagSet = 1;

// One received report, byte 0 the report id.
struct TarnUsbReport {
    uint8_t data[kReportSize];
};
static_assert(sizeof(TarnUsbReport) == kReportSize, "");

using TarnRequest = std::array<uint8_t, kReportSize>;

// A zero-filled command report with its id, command code and protocol version.
inline TarnRequest makeRequest(uint8_t command, uint8_t protocolVersion) {
    TarnRequest request{};
    request[0] = kCommandReportId;
    request[1] = command;
    request[2] = protocolVersion;
    return request;
}

// Little-endian field access inside a report; reports are byte arrays with no alignment.
inline uint16_t readLe16(const uint8_t* p) {
    return uint16_t(p[0] | (p[1] << 8));
}
inline uint32_t readLe32(const uint8_t* p) {
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
inline void writeLe16(uint8_t* p, uint16_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}
inline void writeLe32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = uint8_t(v >> (8 * i));
}
