#include "tests/support/reports.h"

#include "usb/tarnusbreport.h"

std::vector<uint8_t> responseReport(uint8_t command, uint8_t byte2) {
    std::vector<uint8_t> report(kReportSize, 0);
    report[0] = kResponseReportId;
    report[1] = command;
    report[2] = byte2;
    return report;
}

std::vector<uint8_t> joystickReport() {
    std::vector<uint8_t> report(kReportSize, 0);
    report[0] = kJoystickReportId;
    return report;
}

std::vector<int> commandsOf(const std::vector<ReceivedReport>& reports) {
    std::vector<int> commands;
    for (const ReceivedReport& report : reports)
        commands.push_back(report.data.size() > 1 ? report.data[1] : -1);
    return commands;
}

std::vector<ReceivedReport> withCommand(const std::vector<ReceivedReport>& reports,
                                        uint8_t command) {
    std::vector<ReceivedReport> matching;
    for (const ReceivedReport& report : reports) {
        if (report.data.size() > 1 && report.data[1] == command)
            matching.push_back(report);
    }
    return matching;
}
