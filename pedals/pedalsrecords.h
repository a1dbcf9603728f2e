#pragma once
// Wire records of the pedals. Packed, little-endian.

#include <cstddef>
#include <cstdint>

#pragma pack(push, 1)

// One profile: report offsets 3..49 of commands 5, 6 and 13, and the record of a .tprf file.
// Force adjustments are outputs on a 0..65535 scale for 0..100 %; curves are output percent at
// input 0, 20, 40, 60, 80 and 100 %.
struct TarnUsbPedalsProfileV2 {
    uint8_t index;
    char name[16];
    uint16_t clutchMaxForceAdjustment;
    uint16_t brakeMaxForceAdjustment;
    uint16_t throttleMaxForceAdjustment;
    uint16_t clutchMinForceAdjustment;
    uint16_t brakeMinForceAdjustment;
    uint16_t throttleMinForceAdjustment;
    uint8_t clutchCurve[6];
    uint8_t brakeCurve[6];
    uint8_t throttleCurve[6];
};

// The calibration, report offsets 3..29 of the calibration read answer (10) and the calibration
// save request (11). Raw readings of the inputs X, Y and Z with each pedal pressed and released;
// the channel bytes say which input each pedal is wired to.
struct TarnUsbPedalsCalibrationV2 {
    uint32_t clutchMax;
    uint32_t brakeMax;
    uint32_t throttleMax;
    uint32_t clutchMin;
    uint32_t brakeMin;
    uint32_t throttleMin;
    uint8_t clutchChannel;
    uint8_t brakeChannel;
    uint8_t throttleChannel;
};

// Input channels of the calibration; a pedal on kPedalsNoChannel is not calibrated.
constexpr uint8_t kPedalsChannelX = 0;
constexpr uint8_t kPedalsChannelY = 1;
constexpr uint8_t kPedalsChannelZ = 2;
constexpr uint8_t kPedalsNoChannel = 0xFF;

// The pedals' telemetry of one instant, report offsets 7..25 of input report 0x01. The raw
// readings are centred on 2^23.
struct TarnUsbPedalsDebugOutput {
    uint32_t ticks;
    uint32_t xRaw;
    uint32_t yRaw;
    uint32_t zRaw;
    uint8_t xConnected;
    uint8_t yConnected;
    uint8_t zConnected;
};

// Input report 0x01 from byte 1 on: the three outputs on 0..65535, then the telemetry.
struct TarnUsbPedalsJoystickUpdate {
    uint16_t clutch;
    uint16_t brake;
    uint16_t throttle;
    TarnUsbPedalsDebugOutput debugOutput;
};

#pragma pack(pop)

static_assert(sizeof(TarnUsbPedalsProfileV2) == 47, "pedals profile is 47 bytes");
static_assert(offsetof(TarnUsbPedalsProfileV2, clutchMaxForceAdjustment) == 17, "");
static_assert(offsetof(TarnUsbPedalsProfileV2, throttleMaxForceAdjustment) == 21, "");
static_assert(offsetof(TarnUsbPedalsProfileV2, clutchMinForceAdjustment) == 23, "");
static_assert(offsetof(TarnUsbPedalsProfileV2, throttleMinForceAdjustment) == 27, "");
static_assert(offsetof(TarnUsbPedalsProfileV2, clutchCurve) == 29, "");
static_assert(offsetof(TarnUsbPedalsProfileV2, brakeCurve) == 35, "");
static_assert(offsetof(TarnUsbPedalsProfileV2, throttleCurve) == 41, "");

static_assert(sizeof(TarnUsbPedalsCalibrationV2) == 27, "pedals calibration is 27 bytes");
static_assert(offsetof(TarnUsbPedalsCalibrationV2, brakeMax) == 4, "");
static_assert(offsetof(TarnUsbPedalsCalibrationV2, clutchMin) == 12, "");
static_assert(offsetof(TarnUsbPedalsCalibrationV2, throttleMin) == 20, "");
static_assert(offsetof(TarnUsbPedalsCalibrationV2, clutchChannel) == 24, "");
static_assert(offsetof(TarnUsbPedalsCalibrationV2, throttleChannel) == 26, "");

static_assert(sizeof(TarnUsbPedalsDebugOutput) == 19, "pedals telemetry is 19 bytes");
static_assert(offsetof(TarnUsbPedalsDebugOutput, xRaw) == 4, "");
static_assert(offsetof(TarnUsbPedalsDebugOutput, zRaw) == 12, "");
static_assert(offsetof(TarnUsbPedalsDebugOutput, xConnected) == 16, "");
static_assert(offsetof(TarnUsbPedalsDebugOutput, zConnected) == 18, "");

static_assert(sizeof(TarnUsbPedalsJoystickUpdate) == 25, "pedals joystick update is 25 bytes");
static_assert(offsetof(TarnUsbPedalsJoystickUpdate, brake) == 2, "");
static_assert(offsetof(TarnUsbPedalsJoystickUpdate, throttle) == 4, "");
static_assert(offsetof(TarnUsbPedalsJoystickUpdate, debugOutput) == 6, "");
