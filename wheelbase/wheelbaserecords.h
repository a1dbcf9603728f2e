#pragma once
// Wire records of the wheel base. Packed, little-endian, exactly as they travel in the
// 64-byte reports; the offsets are checked below so that a layout change cannot go unnoticed.

#include <cstddef>
#include <cstdint>

#pragma pack(push, 1)

// One profile: report offsets 3..56 of commands 5, 6, 7 and 13, and the record of a .tprf file.
struct TarnUsbWheelBaseProfileV5 {
    uint8_t index;
    char name[16];
    float centerOffset; // fraction of one turn
    int32_t rotationDegrees;
    uint8_t encoderType;
    int32_t encoderResolution;
    int32_t force;
    uint8_t smoothing;
    uint8_t damping;
    uint8_t friction;
    uint8_t inertia;
    uint8_t spring;
    uint8_t dampingEffect;
    uint8_t frictionEffect;
    uint8_t inertiaEffect;
    uint8_t springEffect;
    uint8_t reserved; // the wheel base's own; passed through unchanged
    uint8_t staticForceReduction;
    uint8_t nonLinearity;
    uint8_t slewRate;
    uint8_t endStopMaxForce;
    uint8_t endStopStiffness;
    uint32_t softEndStopDegrees;
    uint8_t softEndStopEnabled;
};

// Telemetry: offsets 3..50 of a command-2 reply, or the kind-1 payload of a joystick update.
struct TarnUsbWheelBaseDebugOutput {
    uint8_t reserved;
    uint32_t ticks;
    uint16_t motorState;
    int16_t encoderState;
    float motorAngle;
    int32_t encoderRaw;
    float ffbIn;
    float ffbOut;
    uint64_t bisscRaw;
    uint32_t currentFaults;
    uint32_t clearedFaults;
    uint8_t maxMotorCurrent;
    int8_t psuCurrent;
    int8_t motorCurrent;
    uint8_t psuTemperature;
    uint8_t motorTemperature;
    uint8_t brakeTemperature;
    uint8_t powerstageTemperature;
};

// What the payload of a joystick update holds.
enum TarnWheelBaseLogKind : uint8_t {
    kWheelBaseLogTelemetry = 1,
    kWheelBaseLogTorqueTrace = 2,
    kWheelBaseLogCommutationTrace = 3,
};

constexpr int kTorqueTraceSamples = 11;

struct TarnUsbWheelBaseTorqueTrace {
    int16_t torqueIn; // hundredths of a percent
    uint8_t torqueInSample;
    uint8_t sampleCount;
    int16_t torqueOut[kTorqueTraceSamples];
    int16_t torqueActual[kTorqueTraceSamples];
    float rotorPosition;
};

struct TarnUsbWheelBaseCommutationTrace {
    uint32_t ticks;
    float mechAngle;
    float elAngle;
    float elAngleEncoder;
    float pwmU;
    float pwmV;
    float pwmW;
    float hallU;
    float hallV;
    float hallPsu;
};

constexpr int kWheelBaseJoystickPayloadSize = 59;

// Offsets 1..63 of input report 0x01.
struct TarnUsbWheelBaseJoystickUpdate {
    int16_t axis;
    uint8_t reserved;
    uint8_t logKind;
    union {
        uint8_t payload[kWheelBaseJoystickPayloadSize];
        TarnUsbWheelBaseDebugOutput telemetry;
        TarnUsbWheelBaseTorqueTrace torqueTrace;
        TarnUsbWheelBaseCommutationTrace commutationTrace;
    };
};

enum TarnWheelBaseTest : uint8_t {
    kWheelBaseTestConstantForce = 0,
    kWheelBaseTestBrakeResistorOn = 1,
    kWheelBaseTestBrakeResistorOff = 2,
    kWheelBaseTestRealignMotor = 3,
};

// Offsets 3..7 of a command-9 request or reply.
struct TarnUsbWheelBaseTestCommand {
    uint8_t command;
    float constantForce;
};

#pragma pack(pop)

static_assert(sizeof(TarnUsbWheelBaseProfileV5) == 54, "wheel-base profile is 54 bytes");
static_assert(offsetof(TarnUsbWheelBaseProfileV5, centerOffset) == 17, "");
static_assert(offsetof(TarnUsbWheelBaseProfileV5, rotationDegrees) == 21, "");
static_assert(offsetof(TarnUsbWheelBaseProfileV5, encoderType) == 25, "");
static_assert(offsetof(TarnUsbWheelBaseProfileV5, encoderResolution) == 26, "");
static_assert(offsetof(TarnUsbWheelBaseProfileV5, force) == 30, "");
static_assert(offsetof(TarnUsbWheelBaseProfileV5, smoothing) == 34, "");
static_assert(offsetof(TarnUsbWheelBaseProfileV5, springEffect) == 42, "");
static_assert(offsetof(TarnUsbWheelBaseProfileV5, reserved) == 43, "");
static_assert(offsetof(TarnUsbWheelBaseProfileV5, staticForceReduction) == 44, "");
static_assert(offsetof(TarnUsbWheelBaseProfileV5, endStopStiffness) == 48, "");
static_assert(offsetof(TarnUsbWheelBaseProfileV5, softEndStopDegrees) == 49, "");
static_assert(offsetof(TarnUsbWheelBaseProfileV5, softEndStopEnabled) == 53, "");

static_assert(sizeof(TarnUsbWheelBaseDebugOutput) == 48, "wheel-base telemetry is 48 bytes");
static_assert(offsetof(TarnUsbWheelBaseDebugOutput, ticks) == 1, "");
static_assert(offsetof(TarnUsbWheelBaseDebugOutput, motorState) == 5, "");
static_assert(offsetof(TarnUsbWheelBaseDebugOutput, encoderState) == 7, "");
static_assert(offsetof(TarnUsbWheelBaseDebugOutput, motorAngle) == 9, "");
static_assert(offsetof(TarnUsbWheelBaseDebugOutput, encoderRaw) == 13, "");
static_assert(offsetof(TarnUsbWheelBaseDebugOutput, ffbIn) == 17, "");
static_assert(offsetof(TarnUsbWheelBaseDebugOutput, ffbOut) == 21, "");
static_assert(offsetof(TarnUsbWheelBaseDebugOutput, bisscRaw) == 25, "");
static_assert(offsetof(TarnUsbWheelBaseDebugOutput, currentFaults) == 33, "");
static_assert(offsetof(TarnUsbWheelBaseDebugOutput, clearedFaults) == 37, "");
static_assert(offsetof(TarnUsbWheelBaseDebugOutput, maxMotorCurrent) == 41, "");
static_assert(offsetof(TarnUsbWheelBaseDebugOutput, powerstageTemperature) == 47, "");

static_assert(sizeof(TarnUsbWheelBaseTorqueTrace) == 52, "");
static_assert(sizeof(TarnUsbWheelBaseCommutationTrace) == 40, "");
static_assert(sizeof(TarnUsbWheelBaseJoystickUpdate) == 63, "joystick update fills bytes 1..63");
static_assert(offsetof(TarnUsbWheelBaseJoystickUpdate, logKind) == 3, "");
static_assert(offsetof(TarnUsbWheelBaseJoystickUpdate, payload) == 4, "");
static_assert(offsetof(TarnUsbWheelBaseJoystickUpdate, torqueTrace) +
                      offsetof(TarnUsbWheelBaseTorqueTrace, torqueOut) ==
                  8,
              "");
static_assert(offsetof(TarnUsbWheelBaseJoystickUpdate, torqueTrace) +
                      offsetof(TarnUsbWheelBaseTorqueTrace, torqueActual) ==
                  30,
              "");
static_assert(offsetof(TarnUsbWheelBaseJoystickUpdate, torqueTrace) +
                      offsetof(TarnUsbWheelBaseTorqueTrace, rotorPosition) ==
                  52,
              "");
static_assert(offsetof(TarnUsbWheelBaseJoystickUpdate, commutationTrace) +
                      offsetof(TarnUsbWheelBaseCommutationTrace, hallPsu) ==
                  40,
              "");
static_assert(sizeof(TarnUsbWheelBaseTestCommand) == 5, "");
