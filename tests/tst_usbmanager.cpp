// The device manager against virtual devices: which devices a scan opens and as what, how the
// reader thread's reports and disconnections reach the GUI thread, and what pause and stop do.
// Started managers scan at the tests' fast interval, except in the one test of the real scan tick.

#include "app/devicekinds.h"
#include "buttonplate/usbdevicetarnbuttonplate.h"
#include "firmware/usbdevicetarnbootloader.h"
#include "pedals/usbdevicetarnpedals.h"
#include "tests/support/reports.h"
#include "tests/support/testtimings.h"
#include "tests/support/virtualbus.h"
#include "tests/support/waiting.h"
#include "usb/usbmanager.h"
#include "wheelbase/usbdevicetarnwheelbase.h"

#include <QDir>
#include <QElapsedTimer>
#include <QEvent>
#include <QPointer>
#include <QTest>

namespace {

// The scan timer is a coarse timer (it may fire up to 5 % early), and a loaded machine delays.
constexpr int kEarliestTickMs = 900;
constexpr int kLatestTickMs = 1800;
constexpr int kShortestTickGapMs = 200;

// Records what the manager reports and counts the live reports of the wheel bases by path.
class ManagerWatch : public QObject {
public:
    explicit ManagerWatch(UsbManager& manager) {
        clock.start();
        connect(&manager, &UsbManager::onDeviceConnected, this, &ManagerWatch::deviceConnected);
        connect(&manager, &UsbManager::onDeviceDisconnected, this,
                [this](UsbDevice* device) { disconnected.append(device->path); });
    }

    QList<QPointer<UsbDevice>> connected;
    QList<qint64> connectedAtMs;
    QStringList disconnected;
    QMap<QString, int> joystickUpdates;
    QMap<QString, int> telemetryReports;
    QElapsedTimer clock;

    int updatesOf(const VirtualDevice& device) const {
        return joystickUpdates.value(QString::fromStdString(device.socketPath()));
    }

private:
    void deviceConnected(UsbDevice* device) {
        connected.append(device);
        connectedAtMs.append(clock.elapsed());
        const QString path = device->path;
        auto count = [this, path] {
            ++joystickUpdates[path];
        };
        if (auto* wheel = qobject_cast<UsbDeviceTarnWheelBase*>(device)) {
            connect(wheel, &UsbDeviceTarnWheelBase::onJoystickUpdate, this, count);
            connect(wheel, &UsbDeviceTarnWheelBase::onDebugOutput, this,
                    [this, path] { ++telemetryReports[path]; });
        }
    }
};

// Counts the queued calls that reach an object.
class QueuedCallCounter : public QObject {
public:
    int calls = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::MetaCall)
            ++calls;
        return false;
    }
};

std::unique_ptr<DeviceModel> modelWithIdentity(uint16_t productId, const std::string& product) {
    auto model = std::make_unique<WheelBaseModel>();
    VirtualDeviceIdentity identity = model->identity();
    identity.productId = productId;
    identity.product = product;
    model->setIdentity(identity);
    return model;
}

} // namespace

class TestUsbManager : public QObject {
    Q_OBJECT

private slots:
    void oneNewDeviceKindPerScan() {
        VirtualBus bus;
        VirtualDevice& pedals = bus.addPedals();
        VirtualDevice& wheel = bus.addWheelBase();
        UsbManager manager(openTarnDevice);
        QVERIFY(manager.rescanForTarnDevices()); // the wheel base's id is asked for first
        QCOMPARE(manager.getDevices().size(), 1);
        QVERIFY(manager.getDevice(QString::fromStdString(wheel.socketPath())));
        QVERIFY(manager.rescanForTarnDevices());
        QVERIFY(manager.getDevice(QString::fromStdString(pedals.socketPath())));
    }

    void scansRunOnTheTimer() {
        VirtualBus bus;
        bus.addPedals();
        bus.addWheelBase();
        UsbManager manager(openTarnDevice);
        ManagerWatch watch(manager);
        manager.start();
        QTRY_COMPARE_WITH_TIMEOUT(watch.connected.size(), 2, 5000);
        QVERIFY(qobject_cast<UsbDeviceTarnWheelBase*>(watch.connected[0]));
        QVERIFY(qobject_cast<UsbDeviceTarnPedals*>(watch.connected[1]));
        QVERIFY2(watch.connectedAtMs[0] >= kEarliestTickMs, "the first scan waits for the timer");
        // A tick apart; the gap is shorter by the time the first scan took (a first scan is
        // slow under the sanitizers).
        qint64 between = watch.connectedAtMs[1] - watch.connectedAtMs[0];
        QVERIFY2(between >= kShortestTickGapMs && between <= kLatestTickMs,
                 qPrintable(QString::number(between)));
    }

    void anOpenDeviceIsNotOpenedAgain() {
        VirtualBus bus;
        VirtualDevice& wheel = bus.addWheelBase();
        UsbManager manager(openTarnDevice, fastTimings());
        QVERIFY(manager.rescanForTarnDevices());
        QVERIFY(!manager.rescanForTarnDevices());
        QVERIFY(!manager.doRescanForTarnDevices(0x0483, 0xA355));

        // Also while the reader thread runs: a device plugged later is added on a later tick.
        ManagerWatch watch(manager);
        manager.start();
        VirtualDevice& pedals = bus.addPedals();
        QTRY_COMPARE_WITH_TIMEOUT(watch.connected.size(), 1, 5000);
        QVERIFY(qobject_cast<UsbDeviceTarnPedals*>(watch.connected[0]));
        QCOMPARE(manager.getDevices().size(), 2);
        // The device's own thread counts a connection when it accepts it, which may come after
        // the manager has opened and announced the device.
        QTRY_COMPARE(wheel.connectionCount(), 1);
        QTRY_COMPARE(pedals.connectionCount(), 1);
        QVERIFY(watch.disconnected.isEmpty());
    }

    void unpluggingOneKeepsTheOtherDelivering() {
        VirtualBus bus;
        VirtualDevice& first = bus.addWheelBase("first");
        VirtualDevice& second = bus.addWheelBase("second");
        UsbManager manager(openTarnDevice, fastTimings());
        ManagerWatch watch(manager);
        QVERIFY(manager.rescanForTarnDevices()); // one scan opens both
        manager.start();
        QTRY_VERIFY_WITH_TIMEOUT(watch.updatesOf(first) > 0 && watch.updatesOf(second) > 0, 5000);

        const QString firstPath = QString::fromStdString(first.socketPath());
        first.unplug();
        QTRY_COMPARE_WITH_TIMEOUT(watch.disconnected, QStringList{firstPath}, 5000);
        int before = watch.updatesOf(second);
        QTRY_VERIFY_WITH_TIMEOUT(watch.updatesOf(second) > before + 100, 5000);
        QCOMPARE(watch.disconnected.size(), 1);
        QCOMPARE(manager.getDevices().size(), 1);
        QVERIFY(manager.getDevice(firstPath) == nullptr);
    }

    void pauseStopsDeliveriesButNotScanning() {
        VirtualBus bus;
        VirtualDevice& wheel = bus.addWheelBase();
        UsbManager manager(openTarnDevice, fastTimings());
        ManagerWatch watch(manager);
        QVERIFY(manager.rescanForTarnDevices());
        manager.start();
        QTRY_VERIFY_WITH_TIMEOUT(watch.updatesOf(wheel) > 0, 5000);

        manager.pause();
        VirtualDevice& second = bus.addWheelBase("second");
        QTRY_COMPARE_WITH_TIMEOUT(watch.connected.size(), 2, 5000); // plugged while paused
        // The reports read before the pause and in the pass it interrupted still arrive; then
        // the streaming wheel base delivers nothing.
        QVERIFY(waitUntilSteady([&] { return size_t(watch.updatesOf(wheel)); }, 100));
        int wheelUpdates = watch.updatesOf(wheel);
        QVERIFY(
            !QTest::qWaitFor([&] { return watch.updatesOf(wheel) != wheelUpdates; }, kFastQuietMs));
        QCOMPARE(watch.updatesOf(second), 0);

        manager.resume();
        QTRY_VERIFY_WITH_TIMEOUT(
            watch.updatesOf(wheel) > wheelUpdates && watch.updatesOf(second) > 0, 5000);
    }

    void reportsQueuedForAStoppedDeviceAreDropped() {
        VirtualBus bus;
        VirtualDevice& wheel = bus.addWheelBase();
        UsbManager manager(openTarnDevice, fastTimings());
        ManagerWatch watch(manager);
        QVERIFY(manager.rescanForTarnDevices());
        QPointer<UsbDevice> device = manager.getDevices().value(0);
        manager.start();
        QTRY_VERIFY_WITH_TIMEOUT(watch.updatesOf(wheel) > 0, 5000);

        // Keep this thread busy while the reader thread queues more reports for it.
        int delivered = watch.updatesOf(wheel);
        uint64_t streamed = wheel.streamStats().sent;
        QVERIFY(wheel.waitForStreamed(streamed + 50, 5000) >= streamed + 50);
        QueuedCallCounter queued;
        manager.installEventFilter(&queued);
        manager.stop();
        QVERIFY(device.isNull());
        QCOMPARE(watch.disconnected.size(), 1);

        QCoreApplication::sendPostedEvents();
        QVERIFY2(queued.calls > 0, "reports were waiting for the stopped device");
        QCOMPARE(watch.updatesOf(wheel), delivered);
    }

    void aDeviceGoneMidPassIsRemovedOnce() {
        VirtualBus bus;
        VirtualDevice& wheel = bus.addWheelBase();
        wheel.setJoystickRate(0); // the reader thread sits in its wait
        UsbManager manager(openTarnDevice, fastTimings());
        ManagerWatch watch(manager);
        QVERIFY(manager.rescanForTarnDevices());
        QPointer<UsbDevice> device = manager.getDevices().value(0);
        int destroyed = 0;
        connect(device, &QObject::destroyed, [&] { ++destroyed; });
        manager.start();
        QVERIFY(wheel.waitForConnection(5000));

        wheel.unplug();
        QTRY_VERIFY_WITH_TIMEOUT(device.isNull(), 5000);
        QCOMPARE(destroyed, 1);
        QCOMPARE(watch.disconnected.size(), 1);
        QVERIFY(manager.getDevices().isEmpty());

        // Later passes and scans do not report it again.
        bus.addPedals();
        QTRY_COMPARE_WITH_TIMEOUT(watch.connected.size(), 1, 5000);
        QCOMPARE(watch.disconnected.size(), 1);
        QCOMPARE(destroyed, 1);
    }

    void reportsOfOtherLengthsAreDropped() {
        VirtualBus bus;
        VirtualDevice& wheel = bus.addWheelBase();
        wheel.setJoystickRate(0);
        wheel.withModel<WheelBaseModel>([](WheelBaseModel& m) { m.telemetryEvery = 0; });
        UsbManager manager(openTarnDevice, fastTimings());
        ManagerWatch watch(manager);
        QVERIFY(manager.rescanForTarnDevices());
        manager.start();
        QVERIFY(wheel.waitForConnection(5000));
        const QString path = QString::fromStdString(wheel.socketPath());

        std::vector<uint8_t> report = joystickReport();
        report.resize(63);
        wheel.injectReport(report);
        report.resize(65);
        wheel.injectReport(report);
        wheel.injectReport(std::vector<uint8_t>(1, 0x01));
        std::vector<uint8_t> telemetry = responseReport(kCmdTelemetry, 7);
        telemetry.push_back(0);
        wheel.injectReport(telemetry);
        // Reports arrive in order: once these are through, so are the ones above.
        wheel.injectReport(joystickReport());
        wheel.injectReport(responseReport(kCmdTelemetry, 7));
        QTRY_COMPARE_WITH_TIMEOUT(watch.telemetryReports.value(path), 1, 5000);
        QCOMPARE(watch.updatesOf(wheel), 1);
        QVERIFY(watch.disconnected.isEmpty());
    }

    void untidyBusDirectoryIsTolerated() {
        VirtualBus bus;
        bus.addStaleSocket("stale", infoFileText(0xA355, "TARN Torvane Wheel Base"));
        bus.addWheelBase("half");
        bus.writeFile("half.info", "vendor_id=0x0483\nprodu"); // a writer that did not rename
        bus.addWheelBase("garbage");
        bus.writeFile("garbage.info", QByteArray("\x00\xff\x13=\n=\n\xfe", 8));
        bus.addWheelBase("huge");
        bus.writeFile("huge.info", QByteArray::fromStdString(infoFileText(0xA355, "Wheel Base")) +
                                       QByteArray(100000, '#'));
        bus.addWheelBase("othervendor");
        bus.writeFile("othervendor.info",
                      QByteArray::fromStdString(infoFileText(0xA355, "Wheel Base", 0x0484)));
        bus.writeFile("notes.txt", "not a device");
        bus.writeFile("lonely.info", QByteArray::fromStdString(infoFileText(0xA355, "Wheel Base")));
        QDir(bus.path()).mkdir("folder.info");
        VirtualDevice& pedals = bus.addPedals("zz-pedals");

        UsbManager manager(openTarnDevice);
        QVERIFY(manager.rescanForTarnDevices());
        QVERIFY(!manager.rescanForTarnDevices());
        QList<UsbDevice*> devices = manager.getDevices();
        QCOMPARE(devices.size(), 1);
        QCOMPARE(devices[0]->path, QString::fromStdString(pedals.socketPath()));
    }

    void productStringChoosesTheClass_data() {
        QTest::addColumn<int>("productId");
        QTest::addColumn<QString>("product");
        QTest::addColumn<QString>("className"); // empty: not opened

        QTest::newRow("wheel base") << 0xA355 << "TARN Torvane Wheel Base"
                                    << "UsbDeviceTarnWheelBase";
        QTest::newRow("bootloader beats wheel base")
            << 0xA355 << "TARN Torvane Wheel Base Bootloader"
            << "UsbDeviceTarnBootloader";
        QTest::newRow("A355 pedals string") << 0xA355 << "TARN Torvane Pedals"
                                            << "";
        QTest::newRow("A355 neither") << 0xA355 << "TARN Gadget"
                                      << "";
        QTest::newRow("A355 case differs") << 0xA355 << "TARN WHEEL BASE"
                                           << "";
        QTest::newRow("pedals") << 0xA3BE << "TARN Torvane Pedals"
                                << "UsbDeviceTarnPedals";
        QTest::newRow("pedals bootloader") << 0xA3BE << "TARN Torvane Pedals Bootloader"
                                           << "UsbDeviceTarnBootloader";
        QTest::newRow("A3BE wheel base string") << 0xA3BE << "TARN Torvane Wheel Base"
                                                << "";
        QTest::newRow("button plate") << 0xA44C << "anything"
                                      << "UsbDeviceTarnButtonPlate";
        QTest::newRow("button plate, older id") << 0xA113 << ""
                                                << "UsbDeviceTarnButtonPlate";
    }

    void productStringChoosesTheClass() {
        QFETCH(int, productId);
        QFETCH(QString, product);
        QFETCH(QString, className);
        VirtualBus bus;
        VirtualDevice& device =
            bus.addDevice("device", modelWithIdentity(uint16_t(productId), product.toStdString()));
        UsbManager manager(openTarnDevice);
        QCOMPARE(manager.rescanForTarnDevices(), !className.isEmpty());
        QList<UsbDevice*> devices = manager.getDevices();
        if (className.isEmpty()) {
            QVERIFY(devices.isEmpty());
            // Opened to read its string, closed again, and tried again on the next scan.
            QVERIFY(!manager.rescanForTarnDevices());
            QTRY_COMPARE_WITH_TIMEOUT(device.connectionCount(), 2, 5000);
            QTRY_VERIFY_WITH_TIMEOUT(!device.isConnected(), 5000);
        } else {
            QCOMPARE(devices.size(), 1);
            QCOMPARE(QString(devices[0]->metaObject()->className()), className);
        }
    }

    // The opened device's own string decides; only the button plate falls back to the
    // enumeration record's when the device returns none.
    void deviceProductStringAndItsFallback_data() {
        QTest::addColumn<int>("productId");
        QTest::addColumn<QString>("deviceProduct");
        QTest::addColumn<QString>("productName"); // empty: not opened

        QTest::newRow("button plate over Bluetooth LE") << 0xA44C << ""
                                                        << "Enumerated Wheel Base";
        QTest::newRow("button plate with its own string") << 0xA44C << "Own"
                                                          << "Own";
        QTest::newRow("wheel base with its own string") << 0xA355 << "My Wheel Base"
                                                        << "My Wheel Base";
        QTest::newRow("wheel base whose own string names no kind") << 0xA355 << "Gadget"
                                                                   << "";
        QTest::newRow("wheel base without one") << 0xA355 << ""
                                                << "";
    }

    void deviceProductStringAndItsFallback() {
        QFETCH(int, productId);
        QFETCH(QString, deviceProduct);
        QFETCH(QString, productName);
        VirtualBus bus;
        auto model = modelWithIdentity(uint16_t(productId), "Enumerated Wheel Base");
        VirtualDeviceIdentity identity = model->identity();
        identity.hasDeviceProduct = true;
        identity.deviceProduct = deviceProduct.toStdString();
        model->setIdentity(identity);
        bus.addDevice("device", std::move(model));

        UsbManager manager(openTarnDevice);
        manager.rescanForTarnDevices();
        QList<UsbDevice*> devices = manager.getDevices();
        QCOMPARE(devices.size(), productName.isEmpty() ? 0 : 1);
        if (!devices.isEmpty()) {
            QCOMPARE(devices[0]->productName, productName);
            QCOMPARE(devices[0]->serialNumber, QStringLiteral("TWB-000417"));
        }
    }
};

QTEST_GUILESS_MAIN(TestUsbManager)
#include "tst_usbmanager.moc"
