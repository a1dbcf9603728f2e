#pragma once
// The rows of the pedals' telemetry log, built without a file: the three outputs and the raw
// readings of the inputs. Lines end with CR LF.

#include "pedals/pedalsrecords.h"

#include <QByteArray>

#include <cstdint>

QByteArray pedalsLogHeader();
// The row of one update read at `timeMicros`; dt counts from the last report before the log.
QByteArray pedalsLogRow(const TarnUsbPedalsJoystickUpdate& update, uint64_t timeMicros,
                        uint64_t dtMicros);
