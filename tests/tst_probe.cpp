// `tarn-config --has-usb-device` end to end: the executable probes the test's virtual bus once,
// prints one line and exits with 0 (found) or 1 (not found).

#include "tests/support/virtualbus.h"

#include <QProcess>
#include <QTest>

namespace {

const QByteArray kFound = "Found TARN USB device.\n";
const QByteArray kNotFound = "No TARN USB device found.\n";

struct Run {
    bool finished = false;
    int exitCode = -1;
    QByteArray output;
};

// Starts tarn-config on the bus in TARN_HID_BUS.
void startTool(QProcess& process, const QStringList& arguments) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    process.setProcessEnvironment(environment);
    process.start(qEnvironmentVariable("TARN_CONFIG_BINARY"), arguments);
}

// Runs tarn-config to its end; a run still going after `timeoutMs` is killed.
Run runTool(const QStringList& arguments, int timeoutMs = 30000) {
    QProcess process;
    startTool(process, arguments);
    Run run;
    if (!process.waitForStarted(10000))
        return run;
    run.finished = process.waitForFinished(timeoutMs);
    if (!run.finished) {
        process.kill();
        process.waitForFinished(10000);
    }
    run.exitCode = process.exitCode();
    run.output = process.readAllStandardOutput();
    return run;
}

std::unique_ptr<DeviceModel> deviceWith(uint16_t productId, const std::string& product,
                                        uint16_t vendorId = 0x0483) {
    auto model = std::make_unique<WheelBaseModel>();
    VirtualDeviceIdentity identity = model->identity();
    identity.vendorId = vendorId;
    identity.productId = productId;
    identity.product = product;
    model->setIdentity(identity);
    return model;
}

} // namespace

class TestProbe : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QVERIFY2(QFile::exists(qEnvironmentVariable("TARN_CONFIG_BINARY")),
                 "TARN_CONFIG_BINARY names the tarn-config executable");
    }

    void probesTheFamilysIdsAndStrings_data() {
        QTest::addColumn<int>("vendorId");
        QTest::addColumn<int>("productId");
        QTest::addColumn<QString>("product");
        QTest::addColumn<bool>("found");

        QTest::newRow("wheel base") << 0x0483 << 0xA355 << "TARN Torvane Wheel Base" << true;
        QTest::newRow("A355 bootloader") << 0x0483 << 0xA355 << "TARN Bootloader" << true;
        QTest::newRow("A355 naming neither") << 0x0483 << 0xA355 << "TARN Gadget" << false;
        QTest::newRow("A355 named pedals") << 0x0483 << 0xA355 << "TARN Torvane Pedals" << false;
        QTest::newRow("pedals") << 0x0483 << 0xA3BE << "TARN Torvane Pedals" << true;
        QTest::newRow("A3BE bootloader") << 0x0483 << 0xA3BE << "Pedals Bootloader" << true;
        QTest::newRow("A3BE naming neither") << 0x0483 << 0xA3BE << "TARN Gadget" << false;
        QTest::newRow("button plate") << 0x0483 << 0xA44C << "anything" << true;
        QTest::newRow("button plate, older id") << 0x0483 << 0xA113 << "" << true;
        // In the product table, but not among the ids the scan asks for.
        QTest::newRow("A110") << 0x0483 << 0xA110 << "TARN Bootloader" << false;
        QTest::newRow("A111") << 0x0483 << 0xA111 << "TARN Torvane Wheel Base" << false;
        QTest::newRow("A112") << 0x0483 << 0xA112 << "TARN Torvane Pedals" << false;
        QTest::newRow("5C05") << 0x0483 << 0x5C05 << "TARN Bootloader" << false;
        QTest::newRow("other vendor") << 0x0484 << 0xA355 << "TARN Torvane Wheel Base" << false;
    }

    void probesTheFamilysIdsAndStrings() {
        QFETCH(int, vendorId);
        QFETCH(int, productId);
        QFETCH(QString, product);
        QFETCH(bool, found);
        VirtualBus bus;
        VirtualDevice& device = bus.addDevice(
            "device", deviceWith(uint16_t(productId), product.toStdString(), uint16_t(vendorId)));

        Run run = runTool({"--has-usb-device"});
        QVERIFY(run.finished);
        QCOMPARE(run.output, found ? kFound : kNotFound);
        QCOMPARE(run.exitCode, found ? 0 : 1);
        if (found) // the probe opened the device and closed it on its way out
            QTRY_VERIFY_WITH_TIMEOUT(device.connectionCount() == 1 && !device.isConnected(), 5000);
    }

    void emptyBusFindsNothing() {
        VirtualBus bus;
        Run run = runTool({"--has-usb-device"});
        QVERIFY(run.finished);
        QCOMPARE(run.output, kNotFound);
        QCOMPARE(run.exitCode, 1);
    }

    void extraArgumentsAreIgnored() {
        VirtualBus bus;
        Run none = runTool({"--has-usb-device", "--verbose", "wheelbase"});
        QCOMPARE(none.output, kNotFound);
        QCOMPARE(none.exitCode, 1);
        bus.addPedals();
        Run some = runTool({"--has-usb-device", "--has-usb-device", "x"});
        QCOMPARE(some.output, kFound);
        QCOMPARE(some.exitCode, 0);
    }

    // Anything but the exact first argument starts the window, which runs until it is closed:
    // it asks the wheel base for its settings, which the probe never does, and goes on running.
    void otherwiseTheWindowStarts_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("second position") << QStringList{"-x", "--has-usb-device"};
        QTest::newRow("capitals") << QStringList{"--HAS-USB-DEVICE"};
        QTest::newRow("prefix only") << QStringList{"--has-usb"};
    }

    void otherwiseTheWindowStarts() {
        QFETCH(QStringList, arguments);
        VirtualBus bus;
        VirtualDevice& wheel = bus.addWheelBase();
        QProcess process;
        startTool(process, arguments);
        QVERIFY(process.waitForStarted(10000));
        QVERIFY(wheel.waitForReceived(1, 30000) >= 1);
        QVERIFY2(!process.waitForFinished(0), "the window keeps running");
        process.kill();
        process.waitForFinished(10000);
        QVERIFY(!process.readAllStandardOutput().contains("TARN USB device"));
    }
};

QTEST_GUILESS_MAIN(TestProbe)
#include "tst_probe.moc"
