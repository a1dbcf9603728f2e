#pragma once
// What the wheel-base page shows, computed without widgets: the value and telemetry texts, the
// rim angle and the refresh limit. The page's slots only copy these into their widgets.

#include "wheelbase/wheelbaserecords.h"

#include <QString>

#include <cstdint>

// The page redraws the rim and the telemetry at most this often on joystick updates.
constexpr uint32_t kWheelBaseRefreshIntervalMs = 16;

// Whether a redraw is due at nowMs after one at lastMs. Both are the low 32 bits of the wall
// clock in milliseconds, so the difference is taken modulo 2^32 and survives the wrap.
bool wheelBaseRefreshDue(uint32_t nowMs, uint32_t lastMs);

// The low 32 bits of the wall clock in milliseconds.
uint32_t wheelBaseClockMs(uint64_t wallClockMicros);

// The rim angle in whole degrees for a steering position: full scale (32767) turns the rim by
// half the rotation range. Computed as the wheel base's own 32-bit integer arithmetic does,
// truncating each division toward zero: trunc(trunc(axis / 2) * rotationDegrees / 32767).
int32_t rimAngleDegrees(int16_t axis, int32_t rotationDegrees);

// A slider's value label: "80%" or "3".
QString percentText(int value);
QString numberText(int value);

// "Build date: <date>, hash: <hash in lower-case hexadecimal>".
QString buildInfoText(const char* buildDate, uint32_t firmwareHash);

// The centre offset (a fraction of one turn) in degrees: "12.34 deg".
QString centerOffsetText(float centerOffset);

// The name of a motor state, or its number when it has none.
QString motorStateText(uint16_t motorState);

// A fault mask in decimal, followed by the names of its set bits in parentheses when any named
// bit is set: "5 (Encoder error, Reference error)".
QString faultsText(uint32_t faults);

// The seventeen texts of the telemetry labels, in the order the Debug tab shows them.
struct WheelBaseTelemetryTexts {
    QString ticks;
    QString motorState;
    QString encoderState;
    QString bisscRaw;
    QString currentFaults;
    QString clearedFaults;
    QString motorAngle;
    QString encoderRaw;
    QString ffbIn;
    QString ffbOut;
    QString maxMotorCurrent;
    QString psuCurrent;
    QString motorCurrent;
    QString psuTemperature;
    QString motorTemperature;
    QString brakeTemperature;
    QString powerstageTemperature;
};

WheelBaseTelemetryTexts telemetryTexts(const TarnUsbWheelBaseDebugOutput& output);
