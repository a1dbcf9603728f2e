// The virtual bus seen from both ends: the tool's bus transport listing the virtual devices, and
// the load walk every settings device shares, with its refusals, against the virtual wheel base.

#include "tests/support/directdevice.h"
#include "tests/support/reports.h"
#include "tests/support/virtualbus.h"
#include "tests/support/waiting.h"
#include "usb/virtualbustransport.h"
#include "wheelbase/usbdevicetarnwheelbase.h"

#include <QSignalSpy>
#include <QTest>

#include <cerrno>

namespace {

std::vector<std::string> listedNames(const VirtualBus& bus, uint16_t vendorId = 0,
                                     uint16_t productId = 0) {
    std::vector<std::string> names;
    for (const HidDeviceInfo& info :
         VirtualBusTransport(bus.pathString()).enumerate(vendorId, productId))
        names.push_back(QFileInfo(QString::fromStdString(info.path)).baseName().toStdString());
    return names;
}

} // namespace

class TestVirtualBus : public QObject {
    Q_OBJECT

private slots:
    // The devices on the bus are listed in name order by their ids with their info files'
    // strings, a socket left behind by a dead simulator too. Reading and the end of a device are
    // the manager's (tst_usbmanager).
    void listing() {
        VirtualBus bus;
        bus.addWheelBase("wheelbase");
        bus.addPedals("Pedals");
        bus.addStaleSocket("gone", infoFileText(0xA355, "TARN Torvane Wheel Base"));
        // Not listed: an info file cut short (a writer that did not rename), one larger than any
        // info file, one without its socket.
        bus.addWheelBase("half");
        bus.writeFile("half.info", "vendor_id=0x0483\nprodu");
        bus.addWheelBase("huge");
        bus.writeFile("huge.info", QByteArray::fromStdString(infoFileText(0xA355, "Wheel Base")) +
                                       QByteArray(100000, '#'));
        bus.writeFile("lonely.info", QByteArray::fromStdString(infoFileText(0xA355, "Wheel Base")));
        QCOMPARE(listedNames(bus), (std::vector<std::string>{"Pedals", "gone", "wheelbase"}));
        QCOMPARE(listedNames(bus, 0x0483, 0xA355), (std::vector<std::string>{"gone", "wheelbase"}));
        QVERIFY(listedNames(bus, 0x1234).empty());
        const HidDeviceInfo pedals =
            VirtualBusTransport(bus.pathString()).enumerate(0, 0xA3BE).at(0);
        QCOMPARE(pedals.path, bus.pathString() + "/Pedals.sock");
        QCOMPARE(pedals.product + pedals.manufacturer + pedals.serialNumber,
                 std::wstring(L"TARN Torvane PedalsTARNTPD-000233"));

        // Listed, but refusing: a device that is present (the manager names it with its error).
        // A device that left since it was listed is not.
        QVERIFY(isPresentDespite(ECONNREFUSED));
        QCOMPARE(VirtualBusTransport("/").openPath(bus.pathString() + "/left.sock").error, ENOENT);
        QVERIFY(!isPresentDespite(ENOENT));
    }

    // The load: begin, each record in order, the end marker; refused after the begin for another
    // protocol version or more profiles than the table holds. (Resending a lost answer's request:
    // tst_devicerequests.)
    void loadWalk_data() {
        QTest::addColumn<int>("version");
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("outcome"); // how it ended, hardware major, profiles held
        const QString older = "Device has an older firmware. Please update the firmware.|";
        QTest::newRow("no profile: ends at once") << 7 << 0 << "loaded|4|0";
        QTest::newRow("a full table") << 7 << 100 << "loaded|4|100";
        QTest::newRow("older") << 6 << 3 << older + "4|3";
        QTest::newRow("newer")
            << 8 << 3 << "Device had a newer firmware. Please update this config tool.|4|3";
        QTest::newRow("1: no device info yet") << 1 << 3 << older + "0|0";
        QTest::newRow("more than the table holds")
            << 7 << 101
            << "Device reports 101 profiles, but this config tool can hold at most 100.|4|0";
    }

    void loadWalk() {
        QFETCH(int, version);
        QFETCH(int, count);
        QFETCH(QString, outcome);
        VirtualBus bus;
        VirtualDevice& device = bus.addWheelBase();
        device.withModel<WheelBaseModel>([&](WheelBaseModel& m) {
            m.telemetryEvery = 0; // unasked answers would count as writes
            m.protocolVersion = uint8_t(version);
            m.setProfileCount(size_t(count));
        });
        DirectDevice<UsbDeviceTarnWheelBase> wheel(device);
        QSignalSpy loaded(wheel.get(), &UsbDeviceTarnWheelBase::onSettingsLoaded);
        QSignalSpy failed(wheel.get(), &UsbDeviceTarnWheelBase::onSettingsLoadFailed);
        wheel->loadSettings();
        QTRY_VERIFY_WITH_TIMEOUT(loaded.count() + failed.count() > 0, 5000);
        QVERIFY(waitUntilQuiet(device, kFastQuietMs)); // no resend follows
        const bool succeeded = outcome.startsWith("loaded");
        std::vector<int> commands{kCmdLoadSettings};
        if (succeeded) {
            commands.insert(commands.end(), size_t(count), kCmdReadProfile);
            commands.push_back(kCmdLoadSettings);
        }
        std::vector<ReceivedReport> writes = device.receivedReports();
        QCOMPARE(commandsOf(writes), commands);
        std::vector<ReceivedReport> reads = withCommand(writes, kCmdReadProfile);
        for (size_t i = 0; i < reads.size(); ++i)
            QCOMPARE(int(reads[i].data[3]), int(i)); // records read in order
        if (succeeded)
            QCOMPARE(writes.back().data[58], kEndMarker);
        QCOMPARE(
            QStringLiteral("%1|%2|%3")
                .arg(succeeded ? QStringLiteral("loaded") : failed.value(0).value(1).toString())
                .arg(wheel->hardwareMajor())
                .arg(wheel->profileCount),
            outcome);
        QCOMPARE(loaded.count() + failed.count(), 1);
    }
};

QTEST_GUILESS_MAIN(TestVirtualBus)
#include "tst_virtualbus.moc"
