// The button plate's device class against a virtual plate: the load walk and the firmware
// check, the statistics pages, the calibration and factory records, the accelerometer test,
// and answers that must change nothing: profile lists the tool cannot hold, indices outside the
// list, statistics pages nobody asked for.

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

using Plate = DirectDevice<UsbDeviceTarnButtonPlate>;

// A virtual plate that streams nothing, with the class opened on it.
struct Rig {
    explicit Rig(const std::function<void(ButtonPlateModel&)>& setup = nullptr)
        : device(bus.addButtonPlate("buttonplate", false)) {
        device.setJoystickRate(0);
        if (setup)
            device.withModel<ButtonPlateModel>(setup);
        device.plug();
        plate = std::make_unique<Plate>(device);
        // Reports injected before the plate has the connection would be dropped.
        device.waitForConnection(kTimeoutMs);
    }

    bool load() {
        QSignalSpy loaded((*plate).get(), &UsbDeviceTarnButtonPlate::onSettingsLoaded);
        (*plate)->loadSettings();
        return loaded.wait(kTimeoutMs) && waitUntilQuiet(device, kFastQuietMs);
    }
    UsbDeviceTarnButtonPlate* operator->() const { return plate->get(); }

    VirtualBus bus;
    VirtualDevice& device;
    std::unique_ptr<Plate> plate;
};

std::vector<uint8_t> statisticsBytes(const ButtonPlateModel& model) {
    return model.statistics;
}

QByteArray bytesOf(const void* data, size_t size) {
    return QByteArray(static_cast<const char*>(data), int(size));
}

} // namespace

Q_DECLARE_METATYPE(std::vector<int>)

class TestButtonPlate : public QObject {
    Q_OBJECT

private slots:
    void loadsOneProfile() {
        Rig rig([](ButtonPlateModel& model) {
            model.setProfileCount(1);
            model.buildDate = "Jan 31 2025 and more";
        });
        QVERIFY(rig.load());
        QCOMPARE(commandsOf(rig.device.receivedReports()), (std::vector<int>{3, 5, 3}));
        QCOMPARE(int(rig->profileCount), 1);
        QCOMPARE(rig->firmwareHash, 0x0b7e4c21u);
        QCOMPARE(QByteArray(rig->firmwareBuildDate), QByteArray("Jan 31 2025 "));
        // Packed fields are compared as values (+): a reference to one may be misaligned.
        QCOMPARE(+rig->profiles[0].clutchBitePoint, 45.5f);
        QCOMPARE(rig->softwareMajor(), 3);
    }

    void firmwareCheck_data() {
        QTest::addColumn<int>("version");
        QTest::addColumn<QString>("message");
        QTest::newRow("older") << 2 << "Device has an older firmware. Please update the firmware.";
        QTest::newRow("newer") << 4
                               << "Device had a newer firmware. Please update this config tool.";
        QTest::newRow("255") << 255
                             << "Device had a newer firmware. Please update this config tool.";
    }

    void firmwareCheck() {
        QFETCH(int, version);
        QFETCH(QString, message);
        Rig rig([version](ButtonPlateModel& model) { model.protocolVersion = uint8_t(version); });
        QSignalSpy failed(rig.plate->get(), &UsbDeviceTarnButtonPlate::onSettingsLoadFailed);
        rig->loadSettings();
        QVERIFY(failed.wait(kTimeoutMs));
        QCOMPARE(failed.at(0).at(1).toString(), message);
        QVERIFY(waitUntilQuiet(rig.device, kFastQuietMs));
        QCOMPARE(commandsOf(rig.device.receivedReports()), std::vector<int>{3});
        QCOMPARE(rig->firmwareHash, 0u);
    }

    void listSizes_data() {
        QTest::addColumn<int>("count");
        QTest::addColumn<std::vector<int>>("walk");
        QTest::addColumn<int>("loaded");
        QTest::addColumn<int>("failed");
        QTest::newRow("no profiles") << 0 << std::vector<int>{3, 3} << 1 << 0;
        QTest::newRow("100 profiles") << 100 << std::vector<int>{3} << 1 << 0;
        QTest::newRow("101 profiles") << 101 << std::vector<int>{3} << 0 << 1;
    }

    void listSizes() {
        QFETCH(int, count);
        QFETCH(std::vector<int>, walk);
        QFETCH(int, loaded);
        QFETCH(int, failed);
        Rig rig([count](ButtonPlateModel& model) { model.setProfileCount(size_t(count)); });
        QSignalSpy loadedSpy(rig.plate->get(), &UsbDeviceTarnButtonPlate::onSettingsLoaded);
        QSignalSpy failedSpy(rig.plate->get(), &UsbDeviceTarnButtonPlate::onSettingsLoadFailed);
        rig->loadSettings();
        QTRY_COMPARE_WITH_TIMEOUT(loadedSpy.count() + failedSpy.count(), 1, kTimeoutMs);
        QVERIFY(waitUntilQuiet(rig.device, kFastQuietMs));
        std::vector<int> commands = commandsOf(rig.device.receivedReports());
        commands.resize(std::min(commands.size(), walk.size()));
        QCOMPARE(commands, walk);
        QCOMPARE(loadedSpy.count(), loaded);
        QCOMPARE(failedSpy.count(), failed);
        QVERIFY(int(rig->profileCount) <= UsbDeviceTarnButtonPlate::kCapacity);
        QVERIFY(rig->currentProfile < std::max<int>(1, rig->profileCount));
    }

    // A record answer whose index is not the one asked for is dropped; the read goes on.
    void strayRecordIndices_data() {
        QTest::addColumn<int>("index");
        QTest::newRow("-1") << 0xFF;
        QTest::newRow("past the list") << 3;
        QTest::newRow("past the table") << 120;
    }

    void strayRecordIndices() {
        QFETCH(int, index);
        Rig rig;
        rig.device.scriptAnswers(kCmdReadProfile, {{AnswerFate::Lost, 0}});
        QSignalSpy loaded(rig.plate->get(), &UsbDeviceTarnButtonPlate::onSettingsLoaded);
        rig->loadSettings();
        QVERIFY(waitForWrites(rig.device, 2, kTimeoutMs));
        std::vector<uint8_t> stray = responseReport(kCmdReadProfile, 3);
        std::fill(stray.begin() + 3, stray.end(), 0x77);
        stray[3] = uint8_t(index);
        rig.device.injectReport(stray);
        QVERIFY(loaded.wait(kTimeoutMs));
        QCOMPARE(loaded.count(), 1);
        for (int i = 0; i < UsbDeviceTarnButtonPlate::kCapacity; ++i) {
            TarnUsbBleButtonPlateProfile expected{};
            if (i < 3)
                expected = rig.device.withModel<ButtonPlateModel>(
                    [i](ButtonPlateModel& model) { return model.profiles[size_t(i)]; });
            QCOMPARE(bytesOf(&rig->profiles[i], sizeof expected),
                     bytesOf(&expected, sizeof expected));
        }
    }

    // Pages 0 to 5, each awaited; page 6 ends the read without being awaited.
    void statisticsReadAndReset() {
        Rig rig;
        QSignalSpy loaded(rig.plate->get(), &UsbDeviceTarnButtonPlate::onStatisticsLoad);
        rig->loadStatistics();
        QVERIFY(loaded.wait(kTimeoutMs));
        QVERIFY(waitUntilQuiet(rig.device, kFastQuietMs));
        std::vector<int> pages;
        for (const ReceivedReport& report : rig.device.receivedReports())
            pages.push_back(report.data[3]);
        QCOMPARE(pages, (std::vector<int>{0, 1, 2, 3, 4, 5, 6}));
        QCOMPARE(loaded.count(), 1);
        const std::vector<uint8_t> sent = rig.device.withModel<ButtonPlateModel>(statisticsBytes);
        QCOMPARE(bytesOf(&rig->statistics, sizeof rig->statistics),
                 bytesOf(sent.data(), sent.size()));
        QCOMPARE(+rig->statistics.activeMinutesCounter, 1000u + 284u);
        QCOMPARE(+rig->statistics.shifterLeftTravel, uint64_t(1000 + 252) | (uint64_t(1256) << 32));

        QSignalSpy reset(rig.plate->get(), &UsbDeviceTarnButtonPlate::onStatisticsReset);
        rig->resetStatistics();
        QVERIFY(reset.wait(kTimeoutMs));
        const std::vector<uint8_t> cleared =
            rig.device.withModel<ButtonPlateModel>(statisticsBytes);
        QVERIFY(std::all_of(cleared.begin(), cleared.end(), [](uint8_t b) { return b == 0; }));
    }

    // A page nobody asked for, or the plate answering the end of a read, changes nothing.
    void unaskedStatisticsPagesChangeNothing_data() {
        QTest::addColumn<int>("page");
        QTest::newRow("page 0") << 0;
        QTest::newRow("page 5") << 5;
        QTest::newRow("page 6") << 6;
        QTest::newRow("page 200") << 200;
    }

    void unaskedStatisticsPagesChangeNothing() {
        QFETCH(int, page);
        Rig rig;
        QSignalSpy loaded(rig.plate->get(), &UsbDeviceTarnButtonPlate::onStatisticsLoad);
        std::vector<uint8_t> answer = responseReport(kCmdReadStatistics, 3);
        answer[3] = uint8_t(page);
        std::fill(answer.begin() + 4, answer.end(), 0x77);
        rig.device.injectReport(answer);
        QVERIFY(!receivesMoreThan(rig.device, 0, kFastQuietMs));
        QCOMPARE(loaded.count(), 0);
        QCOMPARE(+rig->statistics.rotaryLeftClicks, 0u);
        QCOMPARE(+rig->statistics.shifterLeftTravel, uint64_t(0));
    }

    void calibrationRecordsTravel_data() {
        QTest::addColumn<bool>("shifters");
        QTest::addColumn<int>("offset");
        QTest::newRow("clutch paddles") << false << 21;
        QTest::newRow("shifters") << true << 29;
    }

    void calibrationRecordsTravel() {
        QFETCH(bool, shifters);
        QFETCH(int, offset);
        Rig rig;
        PaddlesCalibration& wizard = shifters
                                         ? static_cast<PaddlesCalibration&>(rig->shifterCalibration)
                                         : rig->clutchCalibration;
        wizard.record = {0x1234, 0x2345, 0x0102, 0x0203};
        QSignalSpy saved(rig.plate->get(), &UsbDeviceTarnButtonPlate::onCalibrationSave);
        if (shifters)
            rig->saveShiftersCalibration();
        else
            rig->saveClutchesCalibration();
        QVERIFY(saved.wait(kTimeoutMs));
        const std::vector<uint8_t> sent = rig.device.receivedReports().at(0).data;
        QCOMPARE(sent[1], uint8_t(16));
        QCOMPARE(sent[3], uint8_t(shifters ? 1 : 0));
        QCOMPARE(bytesOf(sent.data() + offset, 8), bytesOf(&wizard.record, 8));
        const std::vector<uint8_t> unused(8, 0);
        QCOMPARE(bytesOf(sent.data() + (shifters ? 21 : 29), 8), bytesOf(unused.data(), 8));
    }

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
        QCOMPARE(rig->factorySettingsBlock[0], uint8_t(0x42));
        // Block bytes 17..32 are the two calibration records, at answer bytes 21..36.
        QCOMPARE(bytesOf(rig->factorySettingsBlock + 17, 8),
                 bytesOf(&rig->clutchCalibration.record, 8));
        QCOMPARE(bytesOf(rig->factorySettingsBlock + 25, 8),
                 bytesOf(&rig->shifterCalibration.record, 8));

        QSignalSpy tested(rig.plate->get(), &UsbDeviceTarnButtonPlate::onAccelerometerTested);
        rig->accelerometerTest();
        QVERIFY(tested.wait(kTimeoutMs));
        QCOMPARE(tested.at(0).at(0).toBool(), true);
    }

    // Bit 40 is button 41: bit 8 of the high word; the bite point is a float at an odd offset.
    void joystickUpdateFields() {
        Rig rig;
        TarnUsbBleButtonPlateJoystickUpdate seen{};
        QObject::connect(rig.plate->get(), &UsbDeviceTarnButtonPlate::onJoystickUpdate,
                         [&](UsbDevice*, TarnUsbBleButtonPlateJoystickUpdate* update, uint64_t) {
                             seen = *update;
                         });
        std::vector<uint8_t> report = joystickReport();
        writeLe32(report.data() + 9, 1u << 8);
        report[13] = kAuxBitePoint;
        const float bitePoint = 37.5f;
        std::memcpy(report.data() + 14, &bitePoint, sizeof bitePoint);
        QSignalSpy updates(rig.plate->get(), &UsbDeviceTarnButtonPlate::onJoystickUpdate);
        rig.device.injectReport(report);
        QVERIFY(updates.wait(kTimeoutMs));
        QCOMPARE(+seen.buttons, uint64_t(1) << 40);
        QCOMPARE(auxFloat(seen), 37.5f);
    }
};

QTEST_MAIN(TestButtonPlate)
#include "tst_buttonplate.moc"
