// The virtual bus seen from both ends: the tool's bus transport against the virtual devices
// (enumeration, opening, reports, unplugging, the live stream), and the settings exchanges of
// the device classes against the virtual wheel base (the load walk and its refusals, live
// updates, saving, centring, the factory reset) and the virtual bootloader's load.

#include "firmware/usbdevicetarnbootloader.h"
#include "tests/support/directdevice.h"
#include "tests/support/reports.h"
#include "tests/support/virtualbus.h"
#include "tests/support/waiting.h"
#include "usb/virtualbustransport.h"
#include "wheelbase/usbdevicetarnwheelbase.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTest>

#include <cerrno>
#include <chrono>

namespace {

std::vector<std::string> listedNames(const VirtualBus& bus, uint16_t vendorId = 0,
                                     uint16_t productId = 0) {
    std::vector<std::string> names;
    for (const HidDeviceInfo& info :
         VirtualBusTransport(bus.pathString()).enumerate(vendorId, productId))
        names.push_back(QFileInfo(QString::fromStdString(info.path)).baseName().toStdString());
    return names;
}

// Reads one report, waiting at most five seconds; its length, or -1 once the device is gone.
int readReport(HidDevice& device, std::vector<uint8_t>& report, int id = -1) {
    report.assign(128, 0);
    QDeadlineTimer deadline(5000);
    while (!deadline.hasExpired()) {
        if (pollForAny({device.readBegin()}, 100) != 0)
            continue;
        const int count = device.readFinish(report.data(), report.size());
        if (count < 0 || (count > 0 && (id < 0 || report[0] == id)))
            return count;
    }
    return 0;
}

// A virtual wheel base without unasked telemetry (the tests count what it sends) and the
// wheel-base class opened on it.
struct VirtualWheelBase {
    VirtualBus bus;
    VirtualDevice& device = bus.addWheelBase();
    DirectDevice<UsbDeviceTarnWheelBase> wheel{quietly(device)};
    QSignalSpy loaded{wheel.get(), &UsbDeviceTarnWheelBase::onSettingsLoaded};
    QSignalSpy failed{wheel.get(), &UsbDeviceTarnWheelBase::onSettingsLoadFailed};

    static VirtualDevice& quietly(VirtualDevice& device) {
        device.withModel<WheelBaseModel>([](WheelBaseModel& m) { m.telemetryEvery = 0; });
        return device;
    }
    template <class F> auto model(F f) { return device.withModel<WheelBaseModel>(f); }
    // An exchange has ended when no further request follows within two resend intervals.
    bool settled() { return waitUntilQuiet(device, kFastQuietMs); }
};

QByteArray bytesOf(const void* data, size_t size) {
    return QByteArray(static_cast<const char*>(data), int(size));
}

} // namespace

class TestVirtualBus : public QObject {
    Q_OBJECT

private slots:
    // One device's life on the bus: listed in name order by its ids with its info file's
    // strings, one connection at a time, unplugged and plugged in again; and a socket left
    // behind by a dead simulator. Reports both ways are the device classes' exchanges below.
    void connectionsFromPlugToUnplug() {
        VirtualBus bus;
        VirtualDevice& wheel = bus.addWheelBase("wheelbase");
        bus.addPedals("Pedals");
        bus.addStaleSocket("gone", infoFileText(0xA355, "TARN Torvane Wheel Base"));
        QCOMPARE(listedNames(bus), (std::vector<std::string>{"Pedals", "gone", "wheelbase"}));
        QCOMPARE(listedNames(bus, 0x0483, 0xA355), (std::vector<std::string>{"gone", "wheelbase"}));
        QVERIFY(listedNames(bus, 0x1234).empty());
        const HidDeviceInfo pedals =
            VirtualBusTransport(bus.pathString()).enumerate(0, 0xA3BE).at(0);
        QCOMPARE(pedals.path, bus.pathString() + "/Pedals.sock");
        QCOMPARE(pedals.vendorId, uint16_t(0x0483));
        QCOMPARE(pedals.product + pedals.manufacturer + pedals.serialNumber,
                 std::wstring(L"TARN Torvane PedalsTARNTPD-000233"));

        std::unique_ptr<HidDevice> host = openVirtualDevice(wheel);
        QVERIFY(host && wheel.waitForConnection(5000));
        std::unique_ptr<HidDevice> second = openVirtualDevice(wheel);
        QVERIFY(second);
        std::vector<uint8_t> report;
        QCOMPARE(readReport(*second, report), -1);
        QCOMPARE(wheel.connectionCount(), 2);
        QCOMPARE(readReport(*host, report), kReportSize); // the first keeps its stream

        wheel.unplug();
        int count;
        do {
            count = readReport(*host, report);
        } while (count == kReportSize); // what was already on its way
        QCOMPARE(count, -1);
        QVERIFY(!wheel.isConnected());
        QVERIFY(!QFile::exists(bus.path() + "/wheelbase.sock"));
        QVERIFY(!QFile::exists(bus.path() + "/wheelbase.info"));
        QVERIFY(!openVirtualDevice(wheel));
        QVERIFY(wheel.plug());
        QCOMPARE(listedNames(bus, 0x0483, 0xA355), (std::vector<std::string>{"gone", "wheelbase"}));

        // Listed, but refusing: a device that is present (the manager names it with its error).
        // A device that left since it was listed is not.
        QVERIFY(isPresentDespite(ECONNREFUSED));
        VirtualBusTransport transport(bus.pathString());
        QCOMPARE(transport.openPath(bus.pathString() + "/gone-since.sock").error, ENOENT);
        QVERIFY(!isPresentDespite(ENOENT));
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
        bool kindsSeen[4] = {};
        for (int reports = 0;
             std::chrono::steady_clock::now() - start < std::chrono::milliseconds(500); ++reports) {
            QCOMPARE(readReport(*host, report, kJoystickReportId), kReportSize);
            uint32_t sequence = joystickSequence(report.data());
            QVERIFY2(reports == 0 || sequence > previous, "sequence numbers rise");
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

    // The load: begin, each record in order, the end marker, with a resend for each answer the
    // device loses; refused after the begin for another protocol version or more profiles than
    // the table holds.
    void loadWalk_data() {
        QTest::addColumn<int>("version");
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("lost");
        QTest::addColumn<QString>("failure"); // empty: loaded
        QTest::addColumn<int>("hardwareMajor");
        QTest::addColumn<int>("profiles");
        const QString older = "Device has an older firmware. Please update the firmware.";
        QTest::newRow("no profile: ends at once") << 7 << 0 << 0 << "" << 4 << 0;
        QTest::newRow("one profile") << 7 << 1 << 0 << "" << 4 << 1;
        QTest::newRow("three") << 7 << 3 << 0 << "" << 4 << 3;
        QTest::newRow("three, the first answer lost") << 7 << 3 << 1 << "" << 4 << 3;
        QTest::newRow("a full table") << 7 << 100 << 0 << "" << 4 << 100;
        QTest::newRow("older") << 6 << 3 << 0 << older << 4 << 3;
        QTest::newRow("newer") << 8 << 3 << 0
                               << "Device had a newer firmware. Please update this config tool."
                               << 4 << 3;
        QTest::newRow("1: no device info yet") << 1 << 3 << 0 << older << 0 << 0;
        QTest::newRow("more than the table holds")
            << 7 << 101 << 0
            << "Device reports 101 profiles, but this config tool can hold at most 100." << 4 << 0;
    }

    void loadWalk() {
        QFETCH(int, version);
        QFETCH(int, count);
        QFETCH(int, lost);
        QFETCH(QString, failure);
        QFETCH(int, hardwareMajor);
        QFETCH(int, profiles);
        VirtualWheelBase rig;
        rig.model([&](WheelBaseModel& m) {
            m.protocolVersion = uint8_t(version);
            m.setProfileCount(size_t(count));
        });
        rig.device.holdBackAnswers(lost);
        rig.wheel->loadSettings();
        QTRY_VERIFY_WITH_TIMEOUT(rig.loaded.count() + rig.failed.count() > 0, 5000);
        QVERIFY(rig.settled());
        std::vector<int> commands(size_t(lost) + 1, kCmdLoadSettings);
        if (failure.isEmpty()) {
            commands.insert(commands.end(), size_t(count), kCmdReadProfile);
            commands.push_back(kCmdLoadSettings);
        }
        std::vector<ReceivedReport> writes = rig.device.receivedReports();
        QCOMPARE(commandsOf(writes), commands);
        QCOMPARE(writes.front().data, writes.at(size_t(lost)).data);
        std::vector<ReceivedReport> reads = withCommand(writes, kCmdReadProfile);
        for (size_t i = 0; i < reads.size(); ++i)
            QCOMPARE(int(reads[i].data[3]), int(i)); // records read in order
        QCOMPARE(rig.loaded.count(), failure.isEmpty() ? 1 : 0);
        if (failure.isEmpty())
            QCOMPARE(writes.back().data[58], kEndMarker);
        else
            QCOMPARE(rig.failed[0][1].toString(), failure);
        QCOMPARE(rig.wheel->hardwareMajor(), hardwareMajor);
        QCOMPARE(int(rig.wheel->profileCount), profiles);
    }

    // The virtual wheel base's settings through the device class: what a load reads, record
    // answers outside the table, centring, live updates (applied, not kept), saving (kept),
    // the factory reset.
    void wheelBaseSettingsRoundTrip() {
        VirtualWheelBase rig;
        rig.model([](WheelBaseModel& m) { m.activeProfile = 2; });
        UsbDeviceTarnWheelBase& wheel = *rig.wheel.get();
        wheel.loadSettings();
        QVERIFY(rig.loaded.wait(5000));
        QCOMPARE(wheel.currentProfile, uint8_t(2));
        const QByteArray loaded = bytesOf(&wheel.profiles, 3 * sizeof wheel.profiles[0]);
        QCOMPARE(loaded, rig.model([](WheelBaseModel& m) {
            return bytesOf(m.profiles.data(), 3 * sizeof m.profiles[0]);
        }));

        QVERIFY(rig.settled());
        const size_t writes = rig.device.receivedReports().size();
        for (uint8_t index : {uint8_t(100), uint8_t(127), uint8_t(0x80), uint8_t(0xFF)}) {
            std::vector<uint8_t> stray = responseReport(kCmdReadProfile, 7);
            stray[3] = index;
            std::fill(stray.begin() + 4, stray.end(), uint8_t(0x5A));
            rig.device.injectReport(stray);
        }
        // Reports arrive in order: once the centring's answer is through, so are the strays.
        wheel.centerRim();
        QVERIFY(rig.loaded.wait(5000));
        QCOMPARE(rig.device.receivedReports().size(), writes + 1);
        const int untouched = 2 * sizeof wheel.profiles[0]; // the centring changes record 2
        QCOMPARE(bytesOf(&wheel.profiles, untouched), loaded.left(untouched));
        QCOMPARE(wheel.profileCount, uint8_t(3));
        QCOMPARE(float(wheel.activeProfile().centerOffset), 0.0125f);
        QCOMPARE(rig.model([](WheelBaseModel& m) { return m.profiles[2].centerOffset; }), 0.0125f);

        // Record 1's force and the active index, as applied / as kept.
        const auto state = [&] {
            return rig.model([](WheelBaseModel& m) {
                return QStringLiteral("%1/%2 %3/%4")
                    .arg(m.profiles[1].force)
                    .arg(m.savedProfiles[1].force)
                    .arg(m.activeProfile)
                    .arg(m.savedActiveProfile);
            });
        };
        wheel.profiles[1].force = 77;
        wheel.currentProfile = 1;
        wheel.liveUpdatesEnabled = true;
        wheel.updateSettings();
        QTRY_COMPARE_WITH_TIMEOUT(state(), QStringLiteral("77/60 1/0"), 5000);
        QSignalSpy saved(&wheel, &UsbDeviceTarnWheelBase::onSettingsSaved);
        wheel.saveSettings();
        QVERIFY(saved.wait(5000));
        QTRY_COMPARE_WITH_TIMEOUT(state(), QStringLiteral("77/77 1/1"), 5000);
        wheel.resetToFactoryDefaults();
        QTRY_COMPARE_WITH_TIMEOUT(state(), QStringLiteral("60/60 0/0"), 5000);
    }

    // The firmware update itself is walked through the window.
    void bootloaderAnswersItsLoadWithItsInfo() {
        VirtualBus bus;
        DirectDevice<UsbDeviceTarnBootloader> bootloader(
            bus.addDevice("bootloader", wheelBaseBootloaderModel()));
        QSignalSpy loaded(bootloader.get(), &UsbDeviceTarnBootloader::onSettingsLoaded);
        bootloader->loadSettings();
        QVERIFY(loaded.wait(5000));
        QCOMPARE(bootloader->deviceInfo[1], uint8_t(1));
    }
};

QTEST_GUILESS_MAIN(TestVirtualBus)
#include "tst_virtualbus.moc"
