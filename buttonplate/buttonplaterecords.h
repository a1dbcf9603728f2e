#pragma once
// Wire records of the wireless button plate. Packed, little-endian: several floats sit at odd
// offsets, so they are read and written as a whole record or copied byte-wise, never through a
// pointer to the field.

#include <cstddef>
#include <cstdint>
#include <cstring>

#pragma pack(push, 1)

// One profile: report offsets 3..41 of commands 5, 6 and 13, and the record of a .tprf file.
struct TarnUsbBleButtonPlateProfile {
    uint8_t index;
    char name[16];
    uint8_t xTopDeadzone;
    uint8_t yTopDeadzone;
    uint8_t xBottomDeadzone;
    uint8_t yBottomDeadzone;
    uint8_t analogInputMode; // 0 dual clutch, 1 throttle and brake
    uint8_t masterClutch;    // 0 left, 1 right
    float clutchBitePoint;   // percent
    uint8_t leftRotarySwitchMode;
    uint8_t rightRotarySwitchMode;
    uint8_t encoderPulseWidth; // index into the page's pulse widths
    float shiftersAttackPoint; // percent
    float shiftersHysteresis;  // percent
    uint8_t ledBrightness;     // percent
};

// The raw hall-sensor readings of one paddle pair at full press and at rest.
struct TarnUsbBlePaddlesCalibration {
    uint16_t leftMax;
    uint16_t rightMax;
    uint16_t leftMin;
    uint16_t rightMin;
};

// Live input: bytes 1..17 of joystick report 0x01. Bit i of `buttons` is button i + 1.
struct TarnUsbBleButtonPlateJoystickUpdate {
    uint16_t leftClutch;
    uint16_t rightClutch;
    uint64_t buttons;
    uint8_t auxType; // what `aux` holds, see ButtonPlateAuxType
    uint8_t aux[4];
};

// The usage counters, read in six pages.
struct TarnUsbButtonPlateUsageStatisticsStructure {
    uint32_t rotaryLeftClicks;
    uint32_t rotaryLeftFullRevolutions;
    uint32_t rotaryLeftContact[12];
    uint32_t rotaryRightClicks;
    uint32_t rotaryRightFullRevolutions;
    uint32_t rotaryRightContact[12];
    uint32_t encoderLeftPushButtonClicks;
    uint32_t encoderLeftClicks;
    uint32_t encoderLeftFullRevolutions;
    uint32_t encoderRightPushButtonClicks;
    uint32_t encoderRightClicks;
    uint32_t encoderRightFullRevolutions;
    uint32_t encoderCenterPushButtonClicks;
    uint32_t encoderCenterClicks;
    uint32_t encoderCenterFullRevolutions;
    uint32_t joystickLeftUpButtonClicks;
    uint32_t joystickLeftLeftButtonClicks;
    uint32_t joystickLeftDownButtonClicks;
    uint32_t joystickLeftRightButtonClicks;
    uint32_t joystickLeftClicks;
    uint32_t joystickLeftFullRevolutions;
    uint32_t joystickRightUpButtonClicks;
    uint32_t joystickRightLeftButtonClicks;
    uint32_t joystickRightDownButtonClicks;
    uint32_t joystickRightRightButtonClicks;
    uint32_t joystickRightClicks;
    uint32_t joystickRightFullRevolutions;
    uint32_t buttonClicks[14];
    uint64_t shifterLeftTravel;
    uint64_t shifterRightTravel;
    uint64_t clutchLeftTravel;
    uint64_t clutchRightTravel;
    uint32_t activeMinutesCounter;
};

#pragma pack(pop)

static_assert(sizeof(TarnUsbBleButtonPlateProfile) == 39, "button-plate profile is 39 bytes");
static_assert(offsetof(TarnUsbBleButtonPlateProfile, name) == 1, "");
static_assert(offsetof(TarnUsbBleButtonPlateProfile, xTopDeadzone) == 17, "");
static_assert(offsetof(TarnUsbBleButtonPlateProfile, yTopDeadzone) == 18, "");
static_assert(offsetof(TarnUsbBleButtonPlateProfile, xBottomDeadzone) == 19, "");
static_assert(offsetof(TarnUsbBleButtonPlateProfile, yBottomDeadzone) == 20, "");
static_assert(offsetof(TarnUsbBleButtonPlateProfile, analogInputMode) == 21, "");
static_assert(offsetof(TarnUsbBleButtonPlateProfile, masterClutch) == 22, "");
static_assert(offsetof(TarnUsbBleButtonPlateProfile, clutchBitePoint) == 23, "");
static_assert(offsetof(TarnUsbBleButtonPlateProfile, leftRotarySwitchMode) == 27, "");
static_assert(offsetof(TarnUsbBleButtonPlateProfile, rightRotarySwitchMode) == 28, "");
static_assert(offsetof(TarnUsbBleButtonPlateProfile, encoderPulseWidth) == 29, "");
static_assert(offsetof(TarnUsbBleButtonPlateProfile, shiftersAttackPoint) == 30, "");
static_assert(offsetof(TarnUsbBleButtonPlateProfile, shiftersHysteresis) == 34, "");
static_assert(offsetof(TarnUsbBleButtonPlateProfile, ledBrightness) == 38, "");

static_assert(sizeof(TarnUsbBlePaddlesCalibration) == 8, "paddles calibration is 8 bytes");
static_assert(offsetof(TarnUsbBlePaddlesCalibration, rightMax) == 2, "");
static_assert(offsetof(TarnUsbBlePaddlesCalibration, leftMin) == 4, "");
static_assert(offsetof(TarnUsbBlePaddlesCalibration, rightMin) == 6, "");

static_assert(sizeof(TarnUsbBleButtonPlateJoystickUpdate) == 17, "joystick update is 17 bytes");
static_assert(offsetof(TarnUsbBleButtonPlateJoystickUpdate, rightClutch) == 2, "");
static_assert(offsetof(TarnUsbBleButtonPlateJoystickUpdate, buttons) == 4, "");
static_assert(offsetof(TarnUsbBleButtonPlateJoystickUpdate, auxType) == 12, "");
static_assert(offsetof(TarnUsbBleButtonPlateJoystickUpdate, aux) == 13, "");

using TarnButtonPlateStatistics = TarnUsbButtonPlateUsageStatisticsStructure;
static_assert(sizeof(TarnButtonPlateStatistics) == 288, "usage statistics are 288 bytes");
static_assert(offsetof(TarnButtonPlateStatistics, rotaryLeftContact) == 8, "");
static_assert(offsetof(TarnButtonPlateStatistics, rotaryRightClicks) == 56, "");
static_assert(offsetof(TarnButtonPlateStatistics, rotaryRightContact) == 64, "");
static_assert(offsetof(TarnButtonPlateStatistics, encoderLeftPushButtonClicks) == 112, "");
static_assert(offsetof(TarnButtonPlateStatistics, encoderCenterFullRevolutions) == 144, "");
static_assert(offsetof(TarnButtonPlateStatistics, joystickLeftUpButtonClicks) == 148, "");
static_assert(offsetof(TarnButtonPlateStatistics, joystickRightUpButtonClicks) == 172, "");
static_assert(offsetof(TarnButtonPlateStatistics, joystickRightFullRevolutions) == 192, "");
static_assert(offsetof(TarnButtonPlateStatistics, buttonClicks) == 196, "");
static_assert(offsetof(TarnButtonPlateStatistics, shifterLeftTravel) == 252, "");
static_assert(offsetof(TarnButtonPlateStatistics, clutchRightTravel) == 276, "");
static_assert(offsetof(TarnButtonPlateStatistics, activeMinutesCounter) == 284, "");

// What the four auxiliary bytes of a joystick update hold.
enum ButtonPlateAuxType : uint8_t {
    kAuxClutchRaw = 0,  // u16 left, u16 right raw clutch hall readings
    kAuxShifterRaw = 1, // u16 left, u16 right raw shifter hall readings
    kAuxBattery = 2,    // u8 battery voltage in hundredths of a volt
    kAuxTimestamp = 3,  // u32 timestamp of the plate
    kAuxBitePoint = 4,  // f32 clutch bite point in percent, as the plate holds it
    kAuxTypeCount = 5,
};

// The auxiliary bytes, read little-endian and byte-wise: they sit at odd report offsets.
inline uint16_t auxWord(const TarnUsbBleButtonPlateJoystickUpdate& update, size_t word) {
    return uint16_t(update.aux[2 * word] | (update.aux[2 * word + 1] << 8));
}
inline uint32_t auxLong(const TarnUsbBleButtonPlateJoystickUpdate& update) {
    return uint32_t(update.aux[0]) | (uint32_t(update.aux[1]) << 8) |
           (uint32_t(update.aux[2]) << 16) | (uint32_t(update.aux[3]) << 24);
}
inline float auxFloat(const TarnUsbBleButtonPlateJoystickUpdate& update) {
    const uint32_t bits = auxLong(update);
    float value = 0.0f;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

// The six statistics pages: where each starts in the structure and how long it is. Page data
// travels at answer offset 4.
constexpr int kStatisticsPages = 6;
constexpr size_t kStatisticsPageStart[kStatisticsPages] = {0, 56, 112, 148, 196, 252};
constexpr size_t kStatisticsPageLength[kStatisticsPages] = {56, 56, 36, 48, 56, 36};
constexpr int kStatisticsPageOffset = 4;
static_assert(kStatisticsPageStart[5] + kStatisticsPageLength[5] == 288, "");

// Requests 16 and 18 (and the factory answer 19) carry the clutch-paddle calibration at bytes
// 21..28 and the shifter calibration at 29..36; the factory block is answer bytes 4..36.
constexpr int kClutchCalibrationOffset = 21;
constexpr int kShifterCalibrationOffset = 29;
constexpr int kFactoryBlockOffset = 4;
constexpr size_t kFactoryBlockSize = 33;
