// The device manager and its product-id table. The table: which class each id and product string
// opens as, the product string an open device is identified by, the ids the scan asks for, and
// the udev rules that come from it. The manager against virtual devices: which devices a scan
// opens, how the reader thread's reports and disconnections reach the GUI thread, and what pause
// and stop do. Started managers scan at the tests' fast interval, except in the one test of the
// real scan tick.

#include "app/devicekinds.h"
#include "tests/support/fakehiddevice.h"
#include "tests/support/reports.h"
#include "tests/support/testtimings.h"
#include "tests/support/virtualbus.h"
#include "tests/support/waiting.h"
#include "usb/devicetable.h"
#include "usb/usbmanager.h"
#include "wheelbase/usbdevicetarnwheelbase.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QtTest>

namespace {

// What the manager announces, and the live reports of its wheel bases by path.
class ManagerWatch : public QObject {
public:
    explicit ManagerWatch(UsbManager& manager) {
        connect(&manager, &UsbManager::onDeviceConnected, this, [this](UsbDevice* device) {
            connected.append(device->path);
            if (auto* wheel = qobject_cast<UsbDeviceTarnWheelBase*>(device))
                connect(wheel, &UsbDeviceTarnWheelBase::onJoystickUpdate, this,
                        [this, path = device->path] { ++updates[path]; });
        });
        connect(&manager, &UsbManager::onDeviceDisconnected, this,
                [this](UsbDevice* device) { disconnected.append(device->path); });
    }

    int updatesOf(const VirtualDevice& device) const {
        return updates.value(QString::fromStdString(device.socketPath()));
    }

    QStringList connected;
    QStringList disconnected;
    QMap<QString, int> updates;
};

} // namespace

Q_DECLARE_METATYPE(TarnDeviceKind)

class TestUsbManager : public QObject {
    Q_OBJECT

private slots:
    // The kind a listed device is taken for, by its id and the product string it enumerates
    // with, is the kind its own string makes it once open; only the button plate takes the
    // enumeration record's string when the device returns none (over Bluetooth LE).
    void kindByIdAndProductString_data() {
        QTest::addColumn<int>("productId");
        QTest::addColumn<QString>("product");
        QTest::addColumn<TarnDeviceKind>("kind");
        QTest::addColumn<bool>("enumeratedString");
        using Kind = TarnDeviceKind;
        QTest::newRow("old bootloader") << 0x5C05 << "" << Kind::Bootloader << false;
        QTest::newRow("plate over Bluetooth LE") << 0xA44C << "" << Kind::ButtonPlate << true;
        QTest::newRow("plate 0xA113 with its own") << 0xA113 << "x" << Kind::ButtonPlate << false;
        QTest::newRow("wheel base")
            << 0xA355 << "TARN Torvane Wheel Base" << Kind::WheelBase << false;
        QTest::newRow("bootloader beats wheel base")
            << 0xA355 << "Wheel Base Bootloader" << Kind::Bootloader << false;
        QTest::newRow("case matters") << 0xA355 << "wheel base" << Kind::None << false;
        QTest::newRow("pedals") << 0xA3BE << "TARN Pedals" << Kind::Pedals << false;
        QTest::newRow("pedals bootloader")
            << 0xA3BE << "Pedals Bootloader" << Kind::Bootloader << false;
        QTest::newRow("unknown id") << 0x1234 << "Wheel Base" << Kind::None << false;
    }

    void kindByIdAndProductString() {
        QFETCH(int, productId);
        QFETCH(QString, product);
        QFETCH(TarnDeviceKind, kind);
        QFETCH(bool, enumeratedString);
        QCOMPARE(tarnDeviceKind(uint16_t(productId), product), kind);
        FakeHidDevice device(std::make_shared<FakeHidDevice::Log>());
        device.ownProduct = product.toStdWString();
        HidDeviceInfo info;
        info.product = L"Enumerated";
        QCOMPARE(identifyTarnDevice(uint16_t(productId), device, info), kind);
        QCOMPARE(QString::fromStdWString(device.productString()),
                 enumeratedString ? "Enumerated" : product);
    }

    // The older ids are known but not scanned for.
    void scanAsksForTheFourCurrentIdsInOrder() {
        const std::vector<uint16_t> scanned(std::begin(kScannedProductIds),
                                            std::end(kScannedProductIds));
        QCOMPARE(scanned, (std::vector<uint16_t>{0xA355, 0xA3BE, 0xA113, 0xA44C}));
    }

    void udevRulesCoverEveryIdOnce() {
        const QStringList lines =
            tarnUdevRules().split(QLatin1Char('\n'), Qt::SkipEmptyParts).filter("KERNELS");
        QCOMPARE(lines.size(), 8);
        for (const char* id : {"5C05", "A110", "A111", "A112", "A113", "A355", "A3BE", "A44C"})
            QCOMPARE(lines.filter(QStringLiteral("KERNELS==\"*:0483:%1.*\"").arg(id)).size(), 1);
        for (const QString& line : lines)
            QVERIFY(line.startsWith("KERNEL==\"hidraw*\"") && line.contains("TAG+=\"uaccess\""));
    }

    // A scan adds the devices of one id, the wheel base's first, and never opens an open device
    // again. A device whose own string names no kind is opened, closed and tried again at every
    // scan; a device of the family that refuses is told once. (Entries the bus does not list:
    // tst_virtualbus; a refusing device's entry going: tst_deviceaccess.)
    void scansOpenOneIdAtATimeAndPassOverTheRest() {
        VirtualBus bus;
        bus.addPedals("pedals");
        // Over Bluetooth LE the button plate returns no product string of its own.
        VirtualDevice& plate = bus.addDevice(
            "plate", std::make_unique<ButtonPlateModel>(ButtonPlateModel::Link::BluetoothLe));
        VirtualDevice& gadget = bus.addDevice("gadget", wheelBaseBootloaderModel(0xA355, "Gadget"));
        bus.addStaleSocket("refusing", infoFileText(0xA355, "TARN Torvane Wheel Base"));
        bus.addStaleSocket("refusinggadget", infoFileText(0xA355, "TARN Gadget"));
        VirtualDevice& wheel = bus.addWheelBase("zz-wheelbase");

        UsbManager manager(openTarnDevice);
        int told = 0; // what is told about it is the probe's line (tst_deviceaccess)
        connect(&manager, &UsbManager::onDeviceInaccessible, this, [&] { ++told; });
        const auto opened = [&] { // in path order
            QStringList classes;
            for (UsbDevice* device : manager.getDevices())
                classes << device->metaObject()->className();
            return classes.join(' ');
        };
        QVERIFY(manager.rescanForTarnDevices());
        QCOMPARE(opened(), "UsbDeviceTarnWheelBase");
        QVERIFY(manager.rescanForTarnDevices());
        QCOMPARE(opened(), "UsbDeviceTarnPedals UsbDeviceTarnWheelBase");
        QVERIFY(manager.rescanForTarnDevices());
        QCOMPARE(opened(), "UsbDeviceTarnPedals UsbDeviceTarnButtonPlate UsbDeviceTarnWheelBase");
        QCOMPARE(manager.getDevice(QString::fromStdString(plate.socketPath()))->productName,
                 "TARN Button Plate");
        QVERIFY(!manager.rescanForTarnDevices());
        // The virtual devices accept on their own threads: count once they have caught up.
        QTRY_VERIFY_WITH_TIMEOUT(gadget.connectionCount() == 4 && !gadget.isConnected(), 5000);
        QTRY_COMPARE(wheel.connectionCount(), 1);

        QCOMPARE(told, 1);
        QCOMPARE(manager.getInaccessibleDevices().size(), 1);
    }

    // The real interval: the first scan waits for the timer's first tick (a coarse timer may
    // fire up to 5 % early; a loaded machine delays it), the next id comes a tick later. Then
    // the reader thread hands on whole 64-byte reports only.
    void scansRunOnTheTimerAndOddLengthsAreDropped() {
        VirtualBus bus;
        bus.addPedals();
        VirtualDevice& wheel = bus.addWheelBase();
        wheel.setJoystickRate(0);
        wheel.withModel<WheelBaseModel>([](WheelBaseModel& m) { m.telemetryEvery = 0; });
        UsbManager manager(openTarnDevice);
        ManagerWatch watch(manager);
        QElapsedTimer clock;
        QList<qint64> connectedAtMs;
        connect(&manager, &UsbManager::onDeviceConnected, this,
                [&] { connectedAtMs.append(clock.elapsed()); });
        clock.start();
        manager.start();
        QTRY_COMPARE_WITH_TIMEOUT(connectedAtMs.size(), 2, 5000);
        QVERIFY2(connectedAtMs[0] >= 900, "the first scan waits for the timer");
        // The gap is shorter by the time the first scan took (slow under the sanitizers).
        const qint64 between = connectedAtMs[1] - connectedAtMs[0];
        QVERIFY2(between >= 200 && between <= 1800, qPrintable(QString::number(between)));

        int telemetry = 0;
        connect(qobject_cast<UsbDeviceTarnWheelBase*>(manager.getDevice(watch.connected[0])),
                &UsbDeviceTarnWheelBase::onDebugOutput, this, [&] { ++telemetry; });
        QVERIFY(wheel.waitForConnection(5000));
        for (size_t length : {63, 65}) {
            std::vector<uint8_t> report = joystickReport();
            report.resize(length);
            wheel.injectReport(report);
        }
        // Reports arrive in order: once these are through, so are the ones above.
        wheel.injectReport(joystickReport());
        wheel.injectReport(responseReport(kCmdTelemetry, 7));
        QTRY_COMPARE_WITH_TIMEOUT(telemetry, 1, 5000);
        QCOMPARE(watch.updatesOf(wheel), 1);
        QVERIFY(watch.disconnected.isEmpty());
    }

    // One walk of a running manager: pause, resume, a device unplugged, stop.
    void readerThreadDeliversUntilPausedUnpluggedOrStopped() {
        VirtualBus bus;
        VirtualDevice& first = bus.addWheelBase("first");
        VirtualDevice& second = bus.addWheelBase("second");
        UsbManager manager(openTarnDevice, fastTimings());
        ManagerWatch watch(manager);
        QVERIFY(manager.rescanForTarnDevices()); // one scan opens both
        manager.start();
        QTRY_VERIFY_WITH_TIMEOUT(watch.updatesOf(first) > 0 && watch.updatesOf(second) > 0, 5000);

        // Paused, scans go on but nothing is delivered once the reports read before the pause
        // and in the pass it interrupted are through.
        manager.pause();
        VirtualDevice& third = bus.addWheelBase("third");
        QTRY_COMPARE_WITH_TIMEOUT(watch.connected.size(), 3, 5000);
        QVERIFY(waitUntilSteady([&] { return size_t(watch.updatesOf(first)); }, kFastQuietMs));
        const int paused = watch.updatesOf(first);
        QCOMPARE(watch.updatesOf(third), 0);
        manager.resume();
        QTRY_VERIFY_WITH_TIMEOUT(watch.updatesOf(first) > paused && watch.updatesOf(third) > 0,
                                 5000);

        // Unplugged: removed and deleted once, while the others go on delivering.
        const QString firstPath = QString::fromStdString(first.socketPath());
        QPointer<UsbDevice> firstDevice = manager.getDevice(firstPath);
        first.unplug();
        QTRY_COMPARE_WITH_TIMEOUT(watch.disconnected, QStringList{firstPath}, 5000);
        QVERIFY(firstDevice.isNull());
        const int before = watch.updatesOf(second);
        QTRY_VERIFY_WITH_TIMEOUT(watch.updatesOf(second) > before + 100, 5000);
        QCOMPARE(watch.disconnected.size(), 1);
        QCOMPARE(manager.getDevices().size(), 2);

        // Stopped while the reader thread has queued reports this thread has not run yet: they
        // reach no device.
        QPointer<UsbDevice> secondDevice =
            manager.getDevice(QString::fromStdString(second.socketPath()));
        const int delivered = watch.updatesOf(second);
        const uint64_t streamed = second.streamStats().sent;
        // This thread is blocked meanwhile: the reader thread queues what the device streams.
        QVERIFY(second.waitForStreamed(streamed + 50, 5000) >= streamed + 50);
        manager.stop();
        QVERIFY(secondDevice.isNull());
        QCOMPARE(watch.disconnected.size(), 3);
        QCoreApplication::sendPostedEvents();
        QCOMPARE(watch.updatesOf(second), delivered);
    }
};

QTEST_GUILESS_MAIN(TestUsbManager)
#include "tst_usbmanager.moc"
