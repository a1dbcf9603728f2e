#pragma once
// The rows of the wheel base's telemetry log, built without a file: a joystick update in, CSV
// text out. What the update carries decides the columns: telemetry (kind 1), a torque trace of
// several samples (kind 2) or a commutation trace (kind 3). Lines end with CR LF.

#include "wheelbase/wheelbaserecords.h"

#include <QByteArray>

#include <cstdint>

// What the wheel base's log carries from one report, and one log, to the next.
struct WheelBaseLogState {
    uint8_t logKind = 0;        // the kind of the latest update; picks the header of a new log
    uint32_t reportCounter = 0; // reports seen while a log was open; never reset
    uint32_t logModulo = 1;     // every logModulo-th report is written; fixed at the start
    float lastTorqueIn = 0.0f;  // the torque trace's input, sampled less often than its output
    float lastElAngle = -1.0f;  // commutation rows are written only when the angle moves
    // A log started before any report said its kind has no header yet: the first row of a
    // known kind brings it.
    bool headerPending = false;
};

// The header line of a log started while updates of `kind` arrive; empty for unknown kinds.
QByteArray wheelBaseLogHeader(uint8_t kind);

// The rows of one update read at `timeMicros`, `dtMicros` after the report before it.
QByteArray wheelBaseLogRows(const TarnUsbWheelBaseJoystickUpdate& update, uint64_t timeMicros,
                            uint64_t dtMicros, WheelBaseLogState& state);
