#pragma once
// The rows of the button plate's telemetry log, built without a file: the two clutch axes and
// their raw hall readings. Only updates that carry the raw clutch readings make a row. Lines end
// with CR LF.

#include "buttonplate/buttonplaterecords.h"

#include <QByteArray>

#include <cstdint>

QByteArray buttonPlateLogHeader();
// The row of one update read at `timeMicros`, or nothing for an update without raw clutch
// readings; dt counts from the last report before the log.
QByteArray buttonPlateLogRow(const TarnUsbBleButtonPlateJoystickUpdate& update, uint64_t timeMicros,
                             uint64_t dtMicros);
