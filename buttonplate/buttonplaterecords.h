#pragma once
// Wire records of the wireless button plate. Packed, little-endian.

#include <cstddef>
#include <cstdint>

#pragma pack(push, 1)

// One profile: report offsets 3..41 of commands 5, 6 and 13, and the record of a .tprf file.
struct TarnUsbBleButtonPlateProfile {
    uint8_t index;
    char name[16];
    uint8_t xTopDeadzone;
    uint8_t yTopDeadzone;
    uint8_t xBottomDeadzone;
    uint8_t yBottomDeadzone;
    uint8_t analogInputMode;
    uint8_t masterClutch;
    float clutchBitePoint;
    uint8_t leftRotarySwitchMode;
    uint8_t rightRotarySwitchMode;
    uint8_t encoderPulseWidth;
    float shiftersAttackPoint;
    float shiftersHysteresis;
    uint8_t ledBrightness;
};

#pragma pack(pop)

static_assert(sizeof(TarnUsbBleButtonPlateProfile) == 39, "button-plate profile is 39 bytes");
static_assert(offsetof(TarnUsbBleButtonPlateProfile, xTopDeadzone) == 17, "");
static_assert(offsetof(TarnUsbBleButtonPlateProfile, clutchBitePoint) == 23, "");
static_assert(offsetof(TarnUsbBleButtonPlateProfile, leftRotarySwitchMode) == 27, "");
static_assert(offsetof(TarnUsbBleButtonPlateProfile, shiftersAttackPoint) == 30, "");
static_assert(offsetof(TarnUsbBleButtonPlateProfile, shiftersHysteresis) == 34, "");
static_assert(offsetof(TarnUsbBleButtonPlateProfile, ledBrightness) == 38, "");
