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

#pragma pack(pop)

static_assert(sizeof(TarnUsbPedalsProfileV2) == 47, "pedals profile is 47 bytes");
static_assert(offsetof(TarnUsbPedalsProfileV2, clutchMaxForceAdjustment) == 17, "");
static_assert(offsetof(TarnUsbPedalsProfileV2, throttleMaxForceAdjustment) == 21, "");
static_assert(offsetof(TarnUsbPedalsProfileV2, clutchMinForceAdjustment) == 23, "");
static_assert(offsetof(TarnUsbPedalsProfileV2, throttleMinForceAdjustment) == 27, "");
static_assert(offsetof(TarnUsbPedalsProfileV2, clutchCurve) == 29, "");
static_assert(offsetof(TarnUsbPedalsProfileV2, brakeCurve) == 35, "");
static_assert(offsetof(TarnUsbPedalsProfileV2, throttleCurve) == 41, "");

// The calibration, report offsets 3..29 of the calibration read answer and save request.
constexpr size_t kPedalsCalibrationSize = 27;
