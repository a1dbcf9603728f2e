#pragma once
// What the pedals page shows and how its controls convert, computed without widgets: the output
// and telemetry texts, the curve points' neighbour rule and reset order, and the force
// adjustments' percent scale.

#include "pedals/pedalsrecords.h"

#include <QString>

#include <array>
#include <cstdint>
#include <utility>

// An output on 0..65535 as a percentage with one decimal: "37.5%".
QString pedalOutputPercentText(uint16_t value);
// "Clutch: 32767 (50.0%)", with `caption` = "Clutch: ".
QString pedalOutputDebugText(const QString& caption, uint16_t value);
// "X raw: -100 (-0.0%)": the reading less the centre 8388608, and that as a share of 2147450.
QString pedalRawText(const QString& caption, uint32_t raw);
// "X connected: True".
QString pedalConnectedText(const QString& caption, uint8_t connected);
// A curve point's label: "40%".
QString curvePointText(int value);

// The value curve point `point` takes when moved to `value`: no lower than the point before it,
// no higher than the point after it, and within 0..100.
int clampCurvePoint(const uint8_t (&curve)[6], int point, int value);
// The moves (point, value) that bring any curve back to 0, 20, 40, 60, 80, 100 when each is
// clamped by clampCurvePoint in turn: the ends first, then the inner points up, then down again
// for those the first pass held back below their default.
const std::array<std::pair<int, int>, 9>& curveResetMoves();

// The force adjustments: a raw output on 0..65535 for 0..100 %.
// The raw value of an entered percentage, truncated.
int forceRawFromPercent(double percent);
// The percentage a stored raw value is shown as; a little above the exact share, so that the
// entry shown converts back to the same raw value.
double forcePercentShown(uint16_t raw);
// The percentage an edit that was refused puts back.
double forcePercentRestored(uint16_t raw);
// Whether a maximum and a minimum keep the required 10 raw units apart.
bool forceRangeAllowed(int maxRaw, int minRaw);
