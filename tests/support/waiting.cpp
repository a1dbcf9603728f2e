#include "tests/support/waiting.h"

#include <QDeadlineTimer>
#include <QTest>

bool waitForWrites(const DeviceHost& device, size_t count, int timeoutMs) {
    return QTest::qWaitFor([&] { return device.receivedReports().size() >= count; }, timeoutMs);
}

bool receivesMoreThan(const DeviceHost& device, size_t count, int ms) {
    return QTest::qWaitFor([&] { return device.receivedReports().size() > count; }, ms);
}

bool waitUntilQuiet(const DeviceHost& device, int quietMs, int timeoutMs) {
    QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        if (!receivesMoreThan(device, device.receivedReports().size(), quietMs))
            return true;
    }
    return false;
}
