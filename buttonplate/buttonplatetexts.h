#pragma once
// The button-plate page's texts and conversions, apart from the widgets: what its live labels
// read, how a percentage maps onto a slider of tenths, and the rule the shifter points keep.

#include <QString>

#include <cstdint>

// "Buttons: " and the 64 button bits in 16 lower-case hexadecimal digits.
QString buttonsText(uint64_t buttons);
// `caption` (which ends in ": "), the reading, and its share of 65535 in percent with one
// decimal in parentheses: "Left Clutch (X axis): 32768 (50.0%)".
QString axisText(const QString& caption, uint16_t value);
// "Battery voltage: " and the voltage from hundredths of a volt, with two decimals.
QString batteryText(uint8_t centivolts);
QString timestampText(uint32_t timestamp);
// "Build date: " + the date + ", hash: " + the hash in lower-case hexadecimal.
QString plateBuildInfoText(const char* buildDate, uint32_t firmwareHash);

// A percentage on a slider of tenths between `min` and `max`, rounded to the nearest tenth (a
// stored 37.3 is 37.2999 as a float); a value the slider cannot show becomes its nearest end.
int percentTenths(double percent, int min, int max);

// The shifters switch at the attack point and release at the attack point less the hysteresis:
// the attack point stays strictly above half the hysteresis. Both in tenths of a percent, so
// that the edge (20.0 against 40.0) is exact.
bool shifterPointsFit(int attackTenths, int hysteresisTenths);
