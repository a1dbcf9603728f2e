// A device of the family that is on the bus but cannot be opened: the texts that name it, the
// fix and why; the manager telling it once and opening it when it comes back with access; the
// window's device selector; the probe's line on standard error.

#include "app/accesstexts.h"
#include "app/devicekinds.h"
#include "app/tarn_wheel_tool.h"
#include "tests/support/testtimings.h"
#include "tests/support/virtualbus.h"
#include "tests/support/windowlookup.h"

#include <QComboBox>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QtTest>

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace {

constexpr int kTimeoutMs = 10000;
const QString kWheelBase = QStringLiteral("TARN Torvane Wheel Base");

// A wheel base whose socket is left behind without a listener: every connect is refused.
void addRefusingWheelBase(VirtualBus& bus, const std::string& name = "wheelbase") {
    bus.addStaleSocket(name, infoFileText(0xA355, kWheelBase.toStdString()));
}

// Takes the refusing device off the bus, as unplugging it would.
void unplugRefusing(VirtualBus& bus, const std::string& name = "wheelbase") {
    QFile::remove(bus.path() + "/" + QString::fromStdString(name) + ".info");
    QFile::remove(bus.path() + "/" + QString::fromStdString(name) + ".sock");
}

struct Probe {
    int exitCode = -1;
    QByteArray output;
    QByteArray errors;
};

// Runs `program arguments` (tarn-config --has-usb-device, possibly under another user) to its end.
Probe runProbe(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    Probe probe;
    if (!process.waitForStarted(kTimeoutMs) || !process.waitForFinished(30000)) {
        process.kill();
        process.waitForFinished(kTimeoutMs);
        return probe;
    }
    probe.exitCode = process.exitCode();
    probe.output = process.readAllStandardOutput();
    probe.errors = process.readAllStandardError();
    return probe;
}

QByteArray lineAbout(const VirtualBus& bus, int error) {
    return inaccessibleDeviceLine(kWheelBase, bus.path() + "/wheelbase.sock", error).toLocal8Bit() +
           '\n';
}

} // namespace

class TestDeviceAccess : public QObject {
    Q_OBJECT

private slots:
    void texts_data();
    void texts();
    void managerTellsOnceAndOpensWhenReplugged();
    void windowListsItAndLoadsItWhenReplugged();
    void windowSelectsAUsableDeviceOverIt();
    void probeNamesARefusingDevice();
    void probeNamesADeviceWithoutPermission();
};

void TestDeviceAccess::texts_data() {
    QTest::addColumn<int>("error");
    QTest::addColumn<QString>("problem");
    QTest::addColumn<QString>("fix");
    const QString replug = QStringLiteral("unplug the device and plug it in again");
    const QString rules = QStringLiteral("install the tarn-config package, or its udev rules "
                                         "(tarn-udev-rules), then ") +
                          replug;
    QTest::newRow("EACCES") << EACCES << "no permission to open it" << rules;
    QTest::newRow("EPERM") << EPERM << "no permission to open it" << rules;
    QTest::newRow("EBUSY") << EBUSY << "in use by another program"
                           << "close the program that uses it, then " + replug;
    QTest::newRow("ECONNREFUSED") << ECONNREFUSED
                                  << QString::fromLocal8Bit(std::strerror(ECONNREFUSED)).toLower()
                                  << replug;
}

void TestDeviceAccess::texts() {
    QFETCH(int, error);
    QFETCH(QString, problem);
    QFETCH(QString, fix);
    QCOMPARE(accessProblemText(error), problem);
    QCOMPARE(accessFixText(error), fix);
    QCOMPARE(inaccessibleDeviceEntry(kWheelBase, error),
             QStringLiteral("TARN Torvane Wheel Base (not accessible: %1; %2)").arg(problem, fix));
    QCOMPARE(inaccessibleDeviceLine(QString(), "/dev/hidraw3", error),
             QStringLiteral("TARN device at /dev/hidraw3 is present but not accessible: %1; %2.")
                 .arg(problem, fix));
}

void TestDeviceAccess::managerTellsOnceAndOpensWhenReplugged() {
    VirtualBus bus;
    addRefusingWheelBase(bus);
    // Refusing too, but no device of the family by its product string.
    bus.addStaleSocket("gadget", infoFileText(0xA355, "TARN Gadget"));
    UsbManager manager(openTarnDevice);
    int told = 0;
    QStringList gone;
    int connected = 0;
    connect(&manager, &UsbManager::onDeviceInaccessible, this, [&] { ++told; });
    connect(&manager, &UsbManager::onInaccessibleDeviceGone, this,
            [&](const QString& path) { gone.append(path); });
    connect(&manager, &UsbManager::onDeviceConnected, this, [&] { ++connected; });

    for (int scan = 0; scan < 3; ++scan)
        QVERIFY(!manager.rescanForTarnDevices());
    QCOMPARE(told, 1);
    const QList<InaccessibleDevice> listed = manager.getInaccessibleDevices();
    QCOMPARE(listed.size(), 1);
    QCOMPARE(listed[0].path, bus.path() + "/wheelbase.sock");
    QCOMPARE(listed[0].productName, kWheelBase);
    QCOMPARE(listed[0].error, ECONNREFUSED);

    unplugRefusing(bus);
    bus.addWheelBase("wheelbase");
    QVERIFY(manager.rescanForTarnDevices());
    QCOMPARE(gone, QStringList{listed[0].path});
    QCOMPARE(connected, 1);
    QVERIFY(manager.getInaccessibleDevices().isEmpty());
    QCOMPARE(told, 1);
}

void TestDeviceAccess::windowListsItAndLoadsItWhenReplugged() {
    VirtualBus bus;
    addRefusingWheelBase(bus);
    TARN_wheel_tool window(nullptr, fastTimings());
    auto* selector = windowWidget<QComboBox>(window, "comboBox_UsbDevice");
    const QString entry = inaccessibleDeviceEntry(kWheelBase, ECONNREFUSED);
    QTRY_COMPARE_WITH_TIMEOUT(selector->currentText(), entry, kTimeoutMs);
    QCOMPARE(selector->count(), 1);
    QCOMPARE(selector->itemData(0, Qt::ToolTipRole).toString(), entry);
    QVERIFY(!window.selectedDevice());
    QVERIFY(!windowWidget<QPushButton>(window, "pushButton_LoadConfig")->isEnabled());

    unplugRefusing(bus);
    VirtualDevice& wheel = bus.addWheelBase("wheelbase", false);
    wheel.setJoystickRate(0);
    wheel.plug();
    QTRY_VERIFY_WITH_TIMEOUT(wheelBasePageLoaded(window), kTimeoutMs);
    QCOMPARE(selector->count(), 1);
    QVERIFY(selector->currentText().startsWith(kWheelBase + " (SW version: "));
}

void TestDeviceAccess::windowSelectsAUsableDeviceOverIt() {
    VirtualBus bus;
    addRefusingWheelBase(bus);
    TARN_wheel_tool window(nullptr, fastTimings());
    auto* selector = windowWidget<QComboBox>(window, "comboBox_UsbDevice");
    QTRY_COMPARE_WITH_TIMEOUT(selector->count(), 1, kTimeoutMs);

    VirtualDevice& usable = bus.addWheelBase("usable", false);
    usable.setJoystickRate(0);
    usable.plug();
    QTRY_VERIFY_WITH_TIMEOUT(wheelBasePageLoaded(window), kTimeoutMs);
    QCOMPARE(window.selectedDevice()->path, QString::fromStdString(usable.socketPath()));
    QCOMPARE(selector->itemText(0), inaccessibleDeviceEntry(kWheelBase, ECONNREFUSED));

    unplugRefusing(bus);
    QTRY_COMPARE_WITH_TIMEOUT(selector->count(), 1, kTimeoutMs);
    QVERIFY(wheelBasePageLoaded(window));
}

void TestDeviceAccess::probeNamesARefusingDevice() {
    VirtualBus bus;
    addRefusingWheelBase(bus);
    Probe probe = runProbe(qEnvironmentVariable("TARN_CONFIG_BINARY"), {"--has-usb-device"});
    QCOMPARE(probe.output, QByteArray("No TARN USB device found.\n"));
    QCOMPARE(probe.exitCode, 1);
    QCOMPARE(probe.errors, lineAbout(bus, ECONNREFUSED));
}

void TestDeviceAccess::probeNamesADeviceWithoutPermission() {
    VirtualBus bus;
    bus.addWheelBase();
    const QString socket = bus.path() + "/wheelbase.sock";
    const QString tool = qEnvironmentVariable("TARN_CONFIG_BINARY");
    QString program = tool;
    QStringList arguments{"--has-usb-device"};
    QVERIFY(QFile::setPermissions(socket, QFile::ReadOwner | QFile::WriteOwner));
    if (::geteuid() == 0) {
        // Root connects to any socket: the probe runs as the unprivileged user nobody, for whom
        // the bus is readable and the device's socket is not writable.
        program = QStandardPaths::findExecutable("setpriv");
        if (program.isEmpty())
            QSKIP("running as root without setpriv (util-linux): cannot probe as another user");
        arguments =
            QStringList{"--reuid=65534", "--regid=65534", "--clear-groups", "--", tool} + arguments;
        QVERIFY(QFile::setPermissions(bus.path(), QFile::ReadOwner | QFile::WriteOwner |
                                                      QFile::ExeOwner | QFile::ReadOther |
                                                      QFile::ExeOther));
        if (runProbe(program,
                     {"--reuid=65534", "--regid=65534", "--clear-groups", "--", "test", "-x", tool})
                .exitCode != 0)
            QSKIP("running as root, and the user nobody cannot run the tool from this build "
                  "directory: no unprivileged probe");
    } else {
        QVERIFY(QFile::setPermissions(socket, QFile::Permissions()));
    }

    Probe denied = runProbe(program, arguments);
    QCOMPARE(denied.output, QByteArray("No TARN USB device found.\n"));
    QCOMPARE(denied.exitCode, 1);
    QCOMPARE(denied.errors, lineAbout(bus, EACCES));

    // Access granted, as the udev rules grant it: the same scan opens the device.
    QVERIFY(QFile::setPermissions(socket, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther |
                                              QFile::WriteOther));
    Probe found = runProbe(program, arguments);
    QCOMPARE(found.output, QByteArray("Found TARN USB device.\n"));
    QCOMPARE(found.exitCode, 0);
    QCOMPARE(found.errors, QByteArray());
}

QTEST_MAIN(TestDeviceAccess)
#include "tst_deviceaccess.moc"
