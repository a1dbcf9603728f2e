// The virtual bus seen from both ends: the tool's bus transport against the virtual devices
// (enumeration, opening, reports, unplugging), and the device classes' exchanges against the
// virtual devices' models (loading, saving, live updates, centring, the bootloader round trip).

#include "firmware/usbdevicetarnbootloader.h"
#include "sim/bootloadermodel.h"
#include "tests/support/directdevice.h"
#include "tests/support/reports.h"
#include "tests/support/virtualbus.h"
#include "tests/support/waiting.h"
#include "usb/virtualbustransport.h"
#include "wheelbase/usbdevicetarnwheelbase.h"

#include <QDir>
#include <QSignalSpy>
#include <QTest>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

namespace {

std::vector<std::string> names(const std::vector<HidDeviceInfo>& infos) {
    std::vector<std::string> result;
    for (const HidDeviceInfo& info : infos)
        result.push_back(QFileInfo(QString::fromStdString(info.path)).baseName().toStdString());
    return result;
}

// The names of the devices the tool would find on the bus now.
std::vector<std::string> listedNames(const VirtualBus& bus) {
    return names(VirtualBusTransport(bus.pathString()).enumerate(0, 0));
}

// Reads one report of up to 128 bytes, waiting at most timeoutMs; the length, or -1.
int readReport(HidDevice& device, std::vector<uint8_t>& report, int timeoutMs = 5000) {
    report.assign(128, 0);
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < deadline) {
        if (pollForAny({device.readBegin()}, 100) == 0) {
            int count = device.readFinish(report.data(), report.size());
            if (count != 0)
                return count;
        }
    }
    return 0;
}

// Reads until a report with `id` arrives; its length, or 0 / -1.
int readReportWithId(HidDevice& device, std::vector<uint8_t>& report, uint8_t id) {
    for (;;) {
        int count = readReport(device, report);
        if (count <= 0 || report[0] == id)
            return count;
    }
}

std::vector<uint8_t> request(uint8_t command, uint8_t version) {
    TarnRequest bytes = makeRequest(command, version);
    return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

QByteArray recordBytes(const void* record, size_t size) {
    return QByteArray(static_cast<const char*>(record), int(size));
}

} // namespace

class TestVirtualBus : public QObject {
    Q_OBJECT

private slots:
    void enumeratesByIdsInNameOrder() {
        VirtualBus bus;
        bus.addPedals("b");
        bus.addWheelBase("a");
        bus.addWheelBase("C");
        VirtualBusTransport transport(bus.pathString());

        QCOMPARE(names(transport.enumerate(0, 0)), (std::vector<std::string>{"C", "a", "b"}));
        QCOMPARE(names(transport.enumerate(0x0483, 0xA355)), (std::vector<std::string>{"C", "a"}));
        QVERIFY(transport.enumerate(0x1234, 0).empty());

        std::vector<HidDeviceInfo> pedals = transport.enumerate(0, 0xA3BE);
        QCOMPARE(int(pedals.size()), 1);
        QCOMPARE(pedals[0].path, bus.pathString() + "/b.sock");
        QCOMPARE(pedals[0].vendorId, uint16_t(0x0483));
        QCOMPARE(pedals[0].product, std::wstring(L"TARN Torvane Pedals"));
        QCOMPARE(pedals[0].manufacturer, std::wstring(L"TARN"));
        QCOMPARE(pedals[0].serialNumber, std::wstring(L"TPD-000233"));
    }

    void plugAndUnplugLeaveNoTrace() {
        VirtualBus bus;
        VirtualDevice& wheel = bus.addWheelBase();
        QDir directory(bus.path());
        QCOMPARE(directory.entryList(QDir::Files | QDir::System),
                 (QStringList{"wheelbase.info", "wheelbase.sock"}));
        wheel.unplug();
        QVERIFY(directory.entryList(QDir::Files | QDir::System).isEmpty());
        QVERIFY(wheel.plug());
        QCOMPARE(int(VirtualBusTransport(bus.pathString()).enumerate(0, 0).size()), 1);
    }

    void reportsTravelWholeInBothDirections() {
        VirtualBus bus;
        VirtualDevice& wheel = bus.addWheelBase();
        wheel.setJoystickRate(0);
        std::unique_ptr<HidDevice> host = openVirtualDevice(wheel);
        QVERIFY(host);
        QVERIFY(wheel.waitForConnection(5000));

        std::vector<uint8_t> load = request(kCmdLoadSettings, 7);
        QCOMPARE(host->write(load.data(), load.size()), kReportSize);
        std::vector<uint8_t> answer;
        QCOMPARE(readReport(*host, answer), kReportSize);
        QCOMPARE(answer[0], uint8_t(0x65));
        QCOMPARE(answer[1], uint8_t(kCmdLoadSettings));
        QCOMPARE(wheel.waitForReceived(1, 5000), size_t(1));
        QCOMPARE(wheel.receivedReports()[0].data, load);

        // Lengths other than 64 arrive as they were sent; the reader tells them by the count.
        std::vector<uint8_t> longReport(65, 0x01);
        wheel.injectReport(std::vector<uint8_t>(63, 0x01));
        wheel.injectReport(longReport);
        QCOMPARE(readReport(*host, answer), 63);
        QCOMPARE(readReport(*host, answer), 65);
    }

    void oneConnectionAtATime() {
        VirtualBus bus;
        VirtualDevice& wheel = bus.addWheelBase();
        std::unique_ptr<HidDevice> first = openVirtualDevice(wheel);
        QVERIFY(wheel.waitForConnection(5000));
        std::unique_ptr<HidDevice> second = openVirtualDevice(wheel);
        QVERIFY(second);
        std::vector<uint8_t> report;
        QCOMPARE(readReport(*second, report), -1);
        QCOMPARE(readReport(*first, report), kReportSize); // the first keeps its stream
        QCOMPARE(wheel.connectionCount(), 2);
    }

    void unpluggingEndsTheConnection() {
        VirtualBus bus;
        VirtualDevice& wheel = bus.addWheelBase();
        std::unique_ptr<HidDevice> host = openVirtualDevice(wheel);
        QVERIFY(wheel.waitForConnection(5000));
        wheel.unplug();
        std::vector<uint8_t> report;
        int count;
        do {
            count = readReport(*host, report);
        } while (count == kReportSize); // what was already on its way
        QCOMPARE(count, -1);
        QVERIFY(!wheel.isConnected());
        QVERIFY(!openVirtualDevice(wheel));
    }

    void staleSocketCannotBeOpened() {
        VirtualBus bus;
        bus.addStaleSocket("gone", infoFileText(0xA355, "TARN Torvane Wheel Base"));
        VirtualBusTransport transport(bus.pathString());
        std::vector<HidDeviceInfo> listed = transport.enumerate(0, 0);
        QCOMPARE(int(listed.size()), 1);
        HidOpenResult opened = transport.openPath(listed[0].path);
        QVERIFY(!opened.device);
        QCOMPARE(opened.error, ECONNREFUSED); // present, but not to be opened
        QVERIFY(isPresentDespite(opened.error));
        QCOMPARE(transport.openPath(bus.pathString() + "/gone-since.sock").error, ENOENT);
    }

    void heldBackAnswersAreLost() {
        VirtualBus bus;
        VirtualDevice& wheel = bus.addWheelBase();
        wheel.setJoystickRate(0);
        wheel.withModel<WheelBaseModel>([](WheelBaseModel& m) { m.telemetryEvery = 0; });
        std::unique_ptr<HidDevice> host = openVirtualDevice(wheel);
        QVERIFY(wheel.waitForConnection(5000));
        wheel.holdBackAnswers(1);
        std::vector<uint8_t> read = request(kCmdReadProfile, 7);
        read[3] = 0;
        host->write(read.data(), read.size());
        read[3] = 2;
        host->write(read.data(), read.size());
        std::vector<uint8_t> answer;
        QCOMPARE(readReport(*host, answer), kReportSize);
        QCOMPARE(answer[3], uint8_t(2));
    }

    // Numbered reports, paced by elapsed time even at high rates: the stream never runs ahead
    // of its rate, and does not fall to one report per wake-up of the device's thread.
    void joystickStreamIsNumberedAndPaced() {
        VirtualBus bus;
        VirtualDevice& wheel = bus.addWheelBase();
        wheel.withModel<WheelBaseModel>([](WheelBaseModel& m) { m.telemetryEvery = 0; });
        std::unique_ptr<HidDevice> host = openVirtualDevice(wheel);
        QVERIFY(wheel.waitForConnection(5000));
        wheel.setJoystickRate(8000);
        auto start = std::chrono::steady_clock::now();
        DeviceHost::StreamStats before = wheel.streamStats();

        std::vector<uint8_t> report;
        uint32_t previous = 0;
        int reports = 0;
        bool kindsSeen[4] = {};
        while (std::chrono::steady_clock::now() - start < std::chrono::milliseconds(500)) {
            QCOMPARE(readReportWithId(*host, report, 0x01), kReportSize);
            uint32_t sequence = joystickSequence(report.data());
            if (reports++ > 0)
                QVERIFY2(sequence > previous, "sequence numbers rise");
            previous = sequence;
            kindsSeen[report[4] & 3] = true;
        }
        double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        DeviceHost::StreamStats after = wheel.streamStats();
        double produced = double(after.sent + after.dropped - before.sent - before.dropped);
        QVERIFY2(produced <= 8000 * seconds + 1, qPrintable(QString::number(produced)));
        QVERIFY2(produced >= 2000 * seconds, qPrintable(QString::number(produced)));
        QVERIFY(kindsSeen[1] && kindsSeen[2] && kindsSeen[3]);
    }

    void loadReadsTheVirtualWheelBase_data() {
        QTest::addColumn<int>("hardwareMajor");
        QTest::newRow("hardware 3") << 3;
        QTest::newRow("hardware 4") << 4;
    }

    void loadReadsTheVirtualWheelBase() {
        QFETCH(int, hardwareMajor);
        VirtualBus bus;
        VirtualDevice& virtualWheel = bus.addWheelBase();
        virtualWheel.withModel<WheelBaseModel>([&](WheelBaseModel& m) {
            m.setHardwareVersion(uint8_t(hardwareMajor), 2);
            m.activeProfile = 2;
        });
        DirectDevice<UsbDeviceTarnWheelBase> wheel(virtualWheel);
        QSignalSpy loaded(wheel.get(), &UsbDeviceTarnWheelBase::onSettingsLoaded);
        wheel->loadSettings();
        QVERIFY(loaded.wait(5000));

        QCOMPARE(wheel->hardwareMajor(), hardwareMajor);
        QCOMPARE(wheel->hardwareMinor(), 2);
        QCOMPARE(wheel->firmwareHash, uint32_t(0x5e1f0c3a));
        QCOMPARE(QByteArray(wheel->firmwareBuildDate), QByteArray("Mar 14 2024 10:21:33"));
        QCOMPARE(wheel->profileCount, uint8_t(3));
        QCOMPARE(wheel->currentProfile, uint8_t(2));
        virtualWheel.withModel<WheelBaseModel>([&](WheelBaseModel& m) {
            for (int i = 0; i < 3; ++i)
                QCOMPARE(recordBytes(&wheel->profiles[i], sizeof m.profiles[i]),
                         recordBytes(&m.profiles[size_t(i)], sizeof m.profiles[i]));
        });
    }

    void saveKeepsAndLiveUpdateOnlyApplies() {
        VirtualBus bus;
        VirtualDevice& virtualWheel = bus.addWheelBase();
        DirectDevice<UsbDeviceTarnWheelBase> wheel(virtualWheel);
        QSignalSpy loaded(wheel.get(), &UsbDeviceTarnWheelBase::onSettingsLoaded);
        QSignalSpy saved(wheel.get(), &UsbDeviceTarnWheelBase::onSettingsSaved);
        wheel->loadSettings();
        QVERIFY(loaded.wait(5000));

        wheel->profiles[1].force = 77;
        wheel->currentProfile = 1;
        wheel->liveUpdatesEnabled = true;
        wheel->updateSettings();
        QTRY_VERIFY_WITH_TIMEOUT(virtualWheel.withModel<WheelBaseModel>([](WheelBaseModel& m) {
            return m.profiles[1].force == 77 && m.activeProfile == 1;
        }),
                                 5000);
        virtualWheel.withModel<WheelBaseModel>([](WheelBaseModel& m) {
            int32_t kept = m.savedProfiles[1].force;
            QCOMPARE(kept, 60); // applied, not kept
        });

        wheel->saveSettings();
        QVERIFY(saved.wait(5000));
        QTRY_VERIFY_WITH_TIMEOUT(virtualWheel.withModel<WheelBaseModel>([](WheelBaseModel& m) {
            return m.savedProfiles[1].force == 77 && m.savedActiveProfile == 1;
        }),
                                 5000);

        wheel->resetToFactoryDefaults();
        QTRY_VERIFY_WITH_TIMEOUT(virtualWheel.withModel<WheelBaseModel>([](WheelBaseModel& m) {
            return m.profiles[1].force == 60 && m.savedProfiles[1].force == 60;
        }),
                                 5000);
    }

    void centringChangesTheCentreOffset() {
        VirtualBus bus;
        VirtualDevice& virtualWheel = bus.addWheelBase();
        DirectDevice<UsbDeviceTarnWheelBase> wheel(virtualWheel);
        QSignalSpy loaded(wheel.get(), &UsbDeviceTarnWheelBase::onSettingsLoaded);
        wheel->loadSettings();
        QVERIFY(loaded.wait(5000));
        auto centreOffset = [&] {
            return float(wheel->activeProfile().centerOffset);
        };
        QCOMPARE(centreOffset(), 0.0f);
        wheel->centerRim();
        QVERIFY(loaded.wait(5000));
        QCOMPARE(centreOffset(), 0.0125f);
        QCOMPARE(virtualWheel.withModel<WheelBaseModel>(
                     [](WheelBaseModel& m) { return m.profiles[0].centerOffset; }),
                 0.0125f);
    }

    // Command 1, a firmware image, and back to the application with the image installed.
    void bootloaderRoundTrip() {
        VirtualBus bus;
        VirtualDevice& virtualWheel = bus.addWheelBase();
        {
            DirectDevice<UsbDeviceTarnWheelBase> wheel(virtualWheel);
            QSignalSpy gone(wheel.reportPump(), &ReportPump::disconnected);
            wheel->enterBootloader();
            QVERIFY(gone.wait(5000));
        }
        QTRY_COMPARE_WITH_TIMEOUT(listedNames(bus),
                                  std::vector<std::string>{"wheelbase-bootloader"}, 5000);
        std::vector<HidDeviceInfo> listed = VirtualBusTransport(bus.pathString()).enumerate(0, 0);
        QCOMPARE(int(listed.size()), 1);
        QCOMPARE(listed[0].productId, uint16_t(0xA355));
        QCOMPARE(listed[0].product, std::wstring(L"TARN Torvane Wheel Base Bootloader"));

        QByteArray image(33, '\0');
        for (int i = 0; i < image.size(); ++i)
            image[i] = char(i * 7);
        {
            DirectDevice<UsbDeviceTarnBootloader> bootloader(virtualWheel);
            QSignalSpy info(bootloader.get(), &UsbDeviceTarnBootloader::onSettingsLoaded);
            QSignalSpy completed(bootloader.get(), &UsbDeviceTarnBootloader::onUpdateCompleted);
            QSignalSpy failed(bootloader.get(), &UsbDeviceTarnBootloader::onUpdateFailed);
            QSignalSpy gone(bootloader.reportPump(), &ReportPump::disconnected);
            bootloader->loadSettings();
            QVERIFY(info.wait(5000));
            QCOMPARE(bootloader->deviceInfo[1], uint8_t(1));
            bootloader->updateFirmware(image);
            QVERIFY(completed.wait(5000));
            QVERIFY(failed.isEmpty());
            QTRY_COMPARE_WITH_TIMEOUT(gone.count(), 1, 5000); // restarting into the new firmware
        }
        QTRY_COMPARE_WITH_TIMEOUT(listedNames(bus), std::vector<std::string>{"wheelbase"}, 5000);
        QByteArray padded = image + QByteArray(31, '\0');
        QCOMPARE(virtualWheel.withModel<WheelBaseModel>([](WheelBaseModel& m) {
            return QByteArray(reinterpret_cast<const char*>(m.installedFirmware.data()),
                              int(m.installedFirmware.size()));
        }),
                 padded);
    }

    void bootloaderReportsScriptedFailures() {
        VirtualBus bus;
        auto model = std::make_unique<BootloaderModel>(std::make_unique<WheelBaseModel>(),
                                                       VirtualDeviceIdentity{});
        model->corruptEchoAtChunk = 1;
        VirtualDevice& virtualBootloader = bus.addDevice("boot", std::move(model));
        DirectDevice<UsbDeviceTarnBootloader> bootloader(virtualBootloader);
        QSignalSpy failed(bootloader.get(), &UsbDeviceTarnBootloader::onUpdateFailed);
        bootloader->updateFirmware(QByteArray(96, 'x'));
        QVERIFY(failed.wait(5000));
        QCOMPARE(failed[0][1].toString(), QStringLiteral("CRC failed on chunk 1 of 3"));

        virtualBootloader.withModel<BootloaderModel>(
            [](BootloaderModel& m) { m.failErase = true; });
        bootloader->updateFirmware(QByteArray(96, 'x'));
        QVERIFY(failed.wait(5000));
        QCOMPARE(failed[1][1].toString(),
                 QStringLiteral("Failed to erase memory, FW wasn't updated"));
    }

    // The pedals and the button plate hold their lists too and answer their own commands.
    void pedalsAndButtonPlateAnswerTheirCommands() {
        VirtualBus bus;
        VirtualDevice& pedals = bus.addPedals();
        VirtualDevice& plate = bus.addButtonPlate();
        pedals.setJoystickRate(0);
        plate.setJoystickRate(0);
        std::unique_ptr<HidDevice> pedalsHost = openVirtualDevice(pedals);
        std::unique_ptr<HidDevice> plateHost = openVirtualDevice(plate);
        QVERIFY(pedals.waitForConnection(5000) && plate.waitForConnection(5000));

        std::vector<uint8_t> answer;
        std::vector<uint8_t> load = request(kCmdLoadSettings, 4);
        pedalsHost->write(load.data(), load.size());
        QCOMPARE(readReport(*pedalsHost, answer), kReportSize);
        QCOMPARE(answer[2], uint8_t(4));
        QCOMPARE(answer[26], uint8_t(3));
        std::vector<uint8_t> calibration = request(kCmdLoadCalibration, 4);
        pedalsHost->write(calibration.data(), calibration.size());
        QCOMPARE(readReport(*pedalsHost, answer), kReportSize);
        QCOMPARE(answer[1], uint8_t(kCmdLoadCalibration));
        QCOMPARE(answer[3 + 24], uint8_t(0)); // clutch on input X
        QCOMPARE(answer[3 + 26], uint8_t(2)); // throttle on input Z

        load[2] = 3;
        plateHost->write(load.data(), load.size());
        QCOMPARE(readReport(*plateHost, answer), kReportSize);
        QCOMPARE(answer[2], uint8_t(3));
        QCOMPARE(readLe32(answer.data() + 10), uint32_t(0x0b7e4c21));
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(answer.data() + 14), 11),
                 QByteArray("Feb 02 2024"));
        QCOMPARE(answer[26], uint8_t(3));
        std::vector<uint8_t> page = request(kCmdReadStatistics, 3);
        page[3] = 5;
        plateHost->write(page.data(), page.size());
        QCOMPARE(readReport(*plateHost, answer), kReportSize);
        QCOMPARE(answer[3], uint8_t(5));
        QCOMPARE(readLe32(answer.data() + 4), uint32_t(1000 + 252));
    }
};

QTEST_GUILESS_MAIN(TestVirtualBus)
#include "tst_virtualbus.moc"
