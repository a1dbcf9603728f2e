// Telling whether a device of the family is there: `tarn-config --has-usb-device` end to end (one
// probe of the test's virtual bus, one line, exit 0 if found and 1 if not), and a device that is
// on the bus but cannot be opened, named with the fix and why by the probe on standard error and
// by the window's device selector until a usable device is there.

#include "app/accesstexts.h"
#include "app/tarn_wheel_tool.h"
#include "tests/support/testtimings.h"
#include "tests/support/virtualbus.h"
#include "tests/support/windowlookup.h"

#include <QComboBox>
#include <QFile>
#include <QProcess>
#include <QtTest>

#include <cerrno>
#include <cstring>

namespace {

const QString kWheelBase = QStringLiteral("TARN Torvane Wheel Base");

// A run to its end: the exit code, a space, what it wrote on standard output, then on standard
// error.
QByteArray runTool(const QStringList& arguments) {
    QProcess process;
    process.start(qEnvironmentVariable("TARN_CONFIG_BINARY"), arguments);
    if (!process.waitForFinished(30000))
        return "did not finish";
    return QByteArray::number(process.exitCode()) + ' ' + process.readAllStandardOutput() +
           process.readAllStandardError();
}

} // namespace

class TestDeviceAccess : public QObject {
    Q_OBJECT

private slots:
    // A device listed without a product string is still named. Any other error: the system's
    // text and the replug (the probe's line below).
    void texts() {
        const QString entry = QStringLiteral("TARN device (not accessible: %1; %2, then unplug the "
                                             "device and plug it in again)");
        QCOMPARE(inaccessibleDeviceEntry(QString(), EACCES),
                 entry.arg("no permission to open it",
                           "install the tarn-config package, or its udev rules (tarn-udev-rules)"));
        QCOMPARE(inaccessibleDeviceEntry(QString(), EBUSY),
                 entry.arg("in use by another program", "close the program that uses it"));
    }

    // Arguments after the first are ignored; the device that refuses is named either way. Any
    // other first argument (the comparison is exact) starts the window, which runs until it is
    // closed: it asks the pedals for their settings, which the probe never does.
    void firstArgumentChoosesProbeOrWindow() {
        VirtualBus bus;
        bus.addStaleSocket("refusing", infoFileText(0xA355, kWheelBase.toStdString()));
        const QString refused = QString::fromLocal8Bit(std::strerror(ECONNREFUSED)).toLower();
        const QByteArray refusing =
            QStringLiteral("TARN Torvane Wheel Base at %1/refusing.sock is present but not "
                           "accessible: %2; unplug the device and plug it in again.\n")
                .arg(bus.path(), refused)
                .toLocal8Bit();
        QCOMPARE(runTool({"--has-usb-device", "--verbose", "wheelbase"}),
                 "1 No TARN USB device found.\n" + refusing);
        VirtualDevice& pedals = bus.addPedals();
        QCOMPARE(runTool({"--has-usb-device", "--has-usb-device", "x"}),
                 "0 Found TARN USB device.\n" + refusing);
        // The probe opened the device and closed it on its way out.
        QTRY_VERIFY_WITH_TIMEOUT(pedals.connectionCount() == 1 && !pedals.isConnected(), 5000);
        QVERIFY(pedals.receivedReports().empty());

        QProcess process;
        process.start(qEnvironmentVariable("TARN_CONFIG_BINARY"), {"-x", "--has-usb-device"});
        QVERIFY(process.waitForStarted(10000));
        QVERIFY(pedals.waitForReceived(1, 30000) >= 1);
        QVERIFY2(!process.waitForFinished(0), "the window keeps running");
        process.kill();
        process.waitForFinished(10000);
        QVERIFY(!process.readAllStandardOutput().contains("TARN USB device"));
    }

    // Listed alone, it is selected and nothing can be loaded; a usable device plugged in is
    // selected over it and loaded; once it leaves the bus, its entry goes and the page stays.
    void windowListsItUntilAUsableDeviceIsThere() {
        VirtualBus bus;
        bus.addStaleSocket("refusing", infoFileText(0xA355, kWheelBase.toStdString()));
        TARN_wheel_tool window(nullptr, fastTimings());
        auto* selector = windowWidget<QComboBox>(window, "comboBox_UsbDevice");
        const QString entry = inaccessibleDeviceEntry(kWheelBase, ECONNREFUSED);
        QTRY_COMPARE_WITH_TIMEOUT(selector->currentText(), entry, 10000);
        QCOMPARE(selector->count(), 1);
        QCOMPARE(selector->itemData(0, Qt::ToolTipRole).toString(), entry);
        QVERIFY(!window.selectedDevice());
        QVERIFY(!windowWidget<QPushButton>(window, "pushButton_LoadConfig")->isEnabled());

        VirtualDevice& usable = bus.addWheelBase("usable", false);
        usable.setJoystickRate(0);
        usable.plug();
        QTRY_VERIFY_WITH_TIMEOUT(showsWheelBase(window, usable), 10000);
        QCOMPARE(selector->itemText(0), entry);

        QFile::remove(bus.path() + "/refusing.info");
        QFile::remove(bus.path() + "/refusing.sock");
        QTRY_COMPARE_WITH_TIMEOUT(selector->count(), 1, 10000);
        QVERIFY(selector->currentText().startsWith(kWheelBase + " (SW version: "));
        QVERIFY(wheelBasePageLoaded(window));
    }
};

QTEST_MAIN(TestDeviceAccess)
#include "tst_deviceaccess.moc"
