#pragma once
// Building and picking apart reports in tests.

#include "sim/devicehost.h"

#include <cstdint>
#include <vector>

// A 64-byte response report (0x65) answering `command`, byte 2 = `byte2`.
std::vector<uint8_t> responseReport(uint8_t command, uint8_t byte2 = 0);
// A 64-byte joystick report (0x01).
std::vector<uint8_t> joystickReport();
// The command codes (byte 1) of the reports the tool wrote, in order.
std::vector<int> commandsOf(const std::vector<ReceivedReport>& reports);
// The reports the tool wrote with command code `command`.
std::vector<ReceivedReport> withCommand(const std::vector<ReceivedReport>& reports,
                                        uint8_t command);
