#include "tests/support/waiting.h"

#include <QTest>

bool waitForWrites(const DeviceHost& device, size_t count, int timeoutMs) {
    return QTest::qWaitFor([&] { return device.receivedReports().size() >= count; }, timeoutMs);
}

bool receivesMoreThan(const DeviceHost& device, size_t count, int ms) {
    return QTest::qWaitFor([&] { return device.receivedReports().size() > count; }, ms);
}
