// The window against a kernel HID device whose hidraw node the user may not open: the device
// selector names the device, the reason and the fix, and once the device is plugged in again with
// access (what the udev rules give) it is opened and its settings loaded. Runs as root inside the
// kernel-HID VM: root creates the UHID device, and the window scans as an unprivileged user id.

#include "app/accesstexts.h"
#include "app/tarn_wheel_tool.h"
#include "sim/uhiddevice.h"
#include "sim/wheelbasemodel.h"
#include "tests/support/testtimings.h"
#include "tests/support/windowlookup.h"

#include <QComboBox>
#include <QDir>
#include <QtTest>

#include <cerrno>
#include <chrono>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

// Generous: everything runs in an emulated CPU on a possibly loaded machine.
constexpr int kTimeoutMs = 30000;
// An unprivileged user and group id; no account is needed to hold them.
constexpr uid_t kUser = 4242;

// The hidraw node of the UHID wheel base, waited for without running the event loop, so that the
// window scans nothing meanwhile; empty when none appears.
QString wheelBaseNode() {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kTimeoutMs);
    while (std::chrono::steady_clock::now() < deadline) {
        for (const QString& device : QDir("/sys/bus/hid/devices").entryList({"0005:0483:A355.*"})) {
            const QStringList nodes =
                QDir("/sys/bus/hid/devices/" + device + "/hidraw").entryList({"hidraw*"});
            if (!nodes.isEmpty() && QFile::exists("/dev/" + nodes.first()))
                return "/dev/" + nodes.first();
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return {};
}

// Root's rights, for creating UHID devices and changing nodes, or the user's, for everything the
// tool does. The effective ids hold for every thread of the process.
bool actAsRoot() {
    return ::seteuid(0) == 0 && ::setegid(0) == 0;
}
bool actAsUser() {
    return ::setegid(kUser) == 0 && ::seteuid(kUser) == 0;
}

} // namespace

class UhidAccessCheck : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        if (::geteuid() != 0 || ::access("/dev/uhid", R_OK | W_OK) != 0)
            QSKIP("not root with access to /dev/uhid: no UHID devices for another user here");
        qunsetenv("TARN_HID_BUS");
    }
    void cleanup() { QVERIFY(actAsRoot()); }
    void noAccessIsShownUntilReplugged();
};

void UhidAccessCheck::noAccessIsShownUntilReplugged() {
    UhidDevice wheel(std::make_unique<WheelBaseModel>(), "wheelbase");
    QVERIFY2(wheel.plug(), wheel.errorText().c_str());
    QString node = wheelBaseNode();
    QVERIFY2(!node.isEmpty(), "the UHID wheel base has no hidraw node");
    QCOMPARE(::chmod(qPrintable(node), 0600), 0); // root's alone, as without the rules

    QVERIFY(actAsUser());
    TARN_wheel_tool window(nullptr, fastTimings());
    auto* selector = windowWidget<QComboBox>(window, "comboBox_UsbDevice");
    const QString entry =
        inaccessibleDeviceEntry(QStringLiteral("TARN Torvane Wheel Base"), EACCES);
    QTRY_COMPARE_WITH_TIMEOUT(selector->currentText(), entry, kTimeoutMs);
    QVERIFY(!window.selectedDevice());

    wheel.unplug();
    QTRY_COMPARE_WITH_TIMEOUT(selector->count(), 0, kTimeoutMs);
    // Plugged in again, and its new node given to the user as the udev rules give it.
    QVERIFY(actAsRoot());
    QVERIFY2(wheel.plug(), wheel.errorText().c_str());
    node = wheelBaseNode();
    QVERIFY2(!node.isEmpty(), "the UHID wheel base has no hidraw node");
    QCOMPARE(::chown(qPrintable(node), kUser, kUser), 0);
    QVERIFY(actAsUser());

    QTRY_VERIFY_WITH_TIMEOUT(wheelBasePageLoaded(window), kTimeoutMs);
    QCOMPARE(selector->count(), 1);
    QVERIFY(selector->currentText().startsWith(QStringLiteral("TARN Torvane Wheel Base (SW")));
}

QTEST_MAIN(UhidAccessCheck)
#include "uhidaccesscheck.moc"
