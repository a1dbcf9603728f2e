// The button plate's device class against a virtual plate: a load refused at its first answer,
// statistics pages nobody asked for, the factory block and the accelerometer test; and the
// virtual plate's own promises: its live reports with held inputs, every kind of auxiliary
// value in turn, and its identity over Bluetooth LE.

#include "buttonplate/usbdevicetarnbuttonplate.h"
#include "tests/support/directdevice.h"
#include "tests/support/reports.h"
#include "tests/support/virtualbus.h"
#include "tests/support/waiting.h"

#include <QSignalSpy>
#include <QtTest>

#include <cstring>

namespace {

constexpr int kTimeoutMs = 10000;

// A virtual plate that streams nothing, with the class opened on it.
struct Rig {
    explicit Rig(const std::function<void(ButtonPlateModel&)>& setup = nullptr)
        : device(bus.addButtonPlate("buttonplate", false)) {
        device.setJoystickRate(0);
        if (setup)
            device.withModel<ButtonPlateModel>(setup);
        device.plug();
        plate = std::make_unique<DirectDevice<UsbDeviceTarnButtonPlate>>(device);
        // Reports injected before the plate has the connection would be dropped.
        device.waitForConnection(kTimeoutMs);
    }
    UsbDeviceTarnButtonPlate* operator->() const { return plate->get(); }

    VirtualBus bus;
    VirtualDevice& device;
    std::unique_ptr<DirectDevice<UsbDeviceTarnButtonPlate>> plate;
};

} // namespace

class TestButtonPlate : public QObject {
    Q_OBJECT

private slots:
    // Newer firmware, or a list longer than the plate's 100 profiles, ends the load at its
    // first answer, before the firmware hash is taken.
    void refusedLoad() {
        for (const auto& [version, count] : {std::pair{4, 3}, {3, 101}}) {
            Rig rig([version = version, count = count](ButtonPlateModel& model) {
                model.protocolVersion = uint8_t(version);
                model.setProfileCount(size_t(count));
            });
            QSignalSpy failed(rig.plate->get(), &UsbDeviceTarnButtonPlate::onSettingsLoadFailed);
            rig->loadSettings();
            QVERIFY(failed.wait(kTimeoutMs));
            QVERIFY(waitUntilQuiet(rig.device, kFastQuietMs));
            QCOMPARE(commandsOf(rig.device.receivedReports()), std::vector<int>{3});
            QCOMPARE(rig->firmwareHash, 0u);
        }
    }

    // A page nobody asked for, or the plate answering the end of a read, changes nothing.
    void unaskedStatisticsPagesChangeNothing() {
        Rig rig;
        int loads = 0;
        QObject::connect(rig.plate->get(), &UsbDeviceTarnButtonPlate::onStatisticsLoad,
                         [&loads] { ++loads; });
        for (const uint8_t page : {0, 5, 6, 200}) {
            std::vector<uint8_t> answer = responseReport(kCmdReadStatistics, 3);
            std::fill(answer.begin() + 4, answer.end(), 0x77);
            answer[3] = page;
            rig.device.injectReport(answer);
        }
        QVERIFY(!receivesMoreThan(rig.device, 0, kFastQuietMs));
        QCOMPARE(loads, 0);
        QCOMPARE(+rig->statistics.rotaryLeftClicks, 0u);
        QCOMPARE(+rig->statistics.activeMinutesCounter, 0u);
    }

    // Block bytes 17..32 are the two calibration records, at answer bytes 21..36.
    void factorySettingsAndAccelerometer() {
        Rig rig([](ButtonPlateModel& model) { model.factoryBlock[0] = 0x42; });
        rig->clutchCalibration.record = {1, 2, 3, 4};
        rig->shifterCalibration.record = {5, 6, 7, 8};
        QSignalSpy saved(rig.plate->get(), &UsbDeviceTarnButtonPlate::onSettingsSaved);
        rig->saveFactorySettings();
        QVERIFY(saved.wait(kTimeoutMs));
        QSignalSpy loaded(rig.plate->get(), &UsbDeviceTarnButtonPlate::onSettingsLoaded);
        rig->loadFactorySettings();
        QVERIFY(loaded.wait(kTimeoutMs));
        const uint16_t records[] = {1, 2, 3, 4, 5, 6, 7, 8};
        QCOMPARE(rig->factorySettingsBlock[0], uint8_t(0x42));
        QCOMPARE(std::memcmp(rig->factorySettingsBlock + 17, records, sizeof records), 0);

        QSignalSpy tested(rig.plate->get(), &UsbDeviceTarnButtonPlate::onAccelerometerTested);
        rig->accelerometerTest();
        QVERIFY(tested.wait(kTimeoutMs));
        QCOMPARE(tested.at(0).at(0).toBool(), true);
    }

    // Held inputs come out exactly as set; the auxiliary kinds take turns, one of them unknown
    // to the tool.
    void virtualPlateReports() {
        ButtonPlateModel model;
        model.autoInput = false;
        model.heldButtons = uint64_t(1) << 40;
        model.clutch[0] = 1234;
        model.clutchRaw[1] = 4321;
        std::vector<uint8_t> report;
        for (uint32_t sequence = 600; sequence < 612; ++sequence) {
            model.streamReport(sequence,
                               [&report](const std::vector<uint8_t>& sent) { report = sent; });
            QCOMPARE(int(report[13]), int(sequence % 6));
            QCOMPARE(readLe32(report.data() + 5), 0u);
            QCOMPARE(readLe32(report.data() + 9), 1u << 8);
            QCOMPARE(readLe16(report.data() + 1), uint16_t(1234));
            if (report[13] == kAuxClutchRaw)
                QCOMPARE(readLe16(report.data() + 16), uint16_t(4321));
            if (report[13] == kAuxBattery)
                QCOMPARE(report[14], model.batteryCentivolts);
        }
    }

    // Over Bluetooth LE the plate enumerates with another id and returns an empty product
    // string of its own.
    void virtualPlateOverBluetooth() {
        const ButtonPlateModel usb;
        const ButtonPlateModel ble(ButtonPlateModel::Link::BluetoothLe);
        QCOMPARE(usb.identity().productId, uint16_t(0xA44C));
        QVERIFY(!usb.identity().hasDeviceProduct);
        QCOMPARE(ble.identity().productId, uint16_t(0xA113));
        QVERIFY(ble.identity().hasDeviceProduct && ble.identity().deviceProduct.empty());
        QCOMPARE(ble.identity().product, usb.identity().product);
    }
};

QTEST_MAIN(TestButtonPlate)
#include "tst_buttonplate.moc"
