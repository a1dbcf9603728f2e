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
    return waitUntilSteady([&] { return device.receivedReports().size(); }, quietMs, timeoutMs);
}

bool waitUntilSteady(const std::function<size_t()>& count, int quietMs, int timeoutMs) {
    QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        const size_t now = count();
        if (!QTest::qWaitFor([&] { return count() != now; }, quietMs))
            return true;
    }
    return false;
}
