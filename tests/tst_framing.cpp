// The 64-byte framing: how requests are built and written by each device class, and where the
// fields of received reports are read from. The record layouts themselves are checked at
// compile time next to the records.

#include "buttonplate/usbdevicetarnbuttonplate.h"
#include "firmware/usbdevicetarnbootloader.h"
#include "pedals/usbdevicetarnpedals.h"
#include "tests/support/fakehiddevice.h"
#include "wheelbase/usbdevicetarnwheelbase.h"

#include <QTest>

#include <cstring>
#include <functional>

namespace {

using Log = std::shared_ptr<FakeHidDevice::Log>;

// One device of each class writing to the same log; the lists have a count and an active
// index for the markers to carry.
struct Devices {
    explicit Devices(const Log& log)
        : wheel(QStringLiteral("fake"), std::make_unique<FakeHidDevice>(log))
        , pedals(QStringLiteral("fake"), std::make_unique<FakeHidDevice>(log))
        , plate(QStringLiteral("fake"), std::make_unique<FakeHidDevice>(log))
        , bootloader(QStringLiteral("fake"), std::make_unique<FakeHidDevice>(log)) {
        wheel.profileCount = 3;
        wheel.currentProfile = 2;
        pedals.profileCount = 4;
        pedals.currentProfile = 1;
    }
    UsbDeviceTarnWheelBase wheel;
    UsbDeviceTarnPedals pedals;
    UsbDeviceTarnButtonPlate plate;
    UsbDeviceTarnBootloader bootloader;
};
using Send = void (*)(Devices&);

// 64 bytes from hex: "640407 @58 0302" is 64 04 07 at 0, 03 02 at 58, zeroes elsewhere.
QByteArray reportBytes(const QString& spec) {
    QByteArray bytes(kReportSize, '\0');
    int offset = 0;
    for (const QString& part : spec.split(QLatin1Char(' '))) {
        if (part.startsWith(QLatin1Char('@'))) {
            offset = part.mid(1).toInt();
            continue;
        }
        const QByteArray chunk = QByteArray::fromHex(part.toLatin1());
        bytes.replace(offset, chunk.size(), chunk);
        offset += chunk.size();
    }
    return bytes;
}

TarnUsbReport report(const QString& spec) {
    TarnUsbReport result{};
    std::memcpy(result.data, reportBytes(spec).constData(), kReportSize);
    return result;
}

QByteArray written(const Log& log, size_t index) {
    const std::vector<uint8_t>& data = log->writes.at(index).data;
    return QByteArray(reinterpret_cast<const char*>(data.data()), int(data.size()));
}

} // namespace

Q_DECLARE_METATYPE(Send)

class TestFraming : public QObject {
    Q_OBJECT

private slots:
    void littleEndianFields() {
        uint8_t bytes[6] = {};
        writeLe16(bytes, 0xBEEF);
        writeLe32(bytes + 2, 0xCAFEF00D);
        QCOMPARE(QByteArray(reinterpret_cast<char*>(bytes), 6),
                 QByteArray::fromHex("EFBE0DF0FECA"));
        QCOMPARE(readLe16(bytes), uint16_t(0xBEEF));
        QCOMPARE(readLe32(bytes + 2), uint32_t(0xCAFEF00D)); // the top byte is not sign-extended
    }

    // Each request is one write: report id, command, the class's protocol version, zeroes but
    // for its fields.
    void requests_data() {
        QTest::addColumn<Send>("send");
        QTest::addColumn<QString>("expected");
        auto row = [](const char* name, const char* expected, Send send) {
            QTest::newRow(name) << send << QString::fromLatin1(expected);
        };
        row("wheel base: enter bootloader, version 0", "6401",
            [](Devices& d) { d.wheel.enterBootloader(); });
        row("wheel base: load begin", "640307", [](Devices& d) { d.wheel.loadSettings(); });
        row("wheel base: save begin, count and active at 58", "640407 @58 0302",
            [](Devices& d) { d.wheel.saveSettings(); });
        row("wheel base: factory reset flag at 5", "640807 @5 01",
            [](Devices& d) { d.wheel.resetToFactoryDefaults(); });
        row("wheel base: test force 0.5f", "64090700 @7 3F",
            [](Devices& d) { d.wheel.sendTestForceCommand(0.5f); });
        row("wheel base: brake resistor on", "64090701",
            [](Devices& d) { d.wheel.sendTestBrakeResistorCommand(true); });
        row("wheel base: brake resistor off", "64090702",
            [](Devices& d) { d.wheel.sendTestBrakeResistorCommand(false); });
        row("wheel base: realign motor", "64090703", [](Devices& d) { d.wheel.realignMotor(); });
        row("wheel base: centre rim, the active record at 3", "64070702 @52 04030201",
            [](Devices& d) {
                d.wheel.profiles[2].index = 2;
                d.wheel.profiles[2].softEndStopDegrees = 0x01020304;
                d.wheel.centerRim();
            });
        row("pedals: save begin, count and active at 26", "640404 @26 0401",
            [](Devices& d) { d.pedals.saveSettings(); });
        row("button plate: load begin", "640303", [](Devices& d) { d.plate.loadSettings(); });
        row("bootloader: exit flag at 3", "64080201",
            [](Devices& d) { d.bootloader.exitBootloader(); });
        row("bootloader: factory reset flag at 5", "640802 @5 01",
            [](Devices& d) { d.bootloader.resetToFactoryDefaults(); });
        row("bootloader: load", "640302", [](Devices& d) { d.bootloader.loadSettings(); });
    }

    void requests() {
        QFETCH(Send, send);
        QFETCH(QString, expected);
        auto log = std::make_shared<FakeHidDevice::Log>();
        Devices devices(log);
        send(devices);
        QCOMPARE(int(log->writes.size()), 1);
        QCOMPARE(written(log, 0).toHex(' '), reportBytes(expected).toHex(' '));
    }

    // Where the wheel base finds each field of its answers and live reports.
    void wheelBaseReadsFieldsAtTheirOffsets() {
        auto log = std::make_shared<FakeHidDevice::Log>();
        Devices devices(log);
        UsbDeviceTarnWheelBase* wheel = &devices.wheel;
        wheel->loadSettings(); // answers are taken only while their request is outstanding

        TarnUsbReport load = report("650307 09040102070005 0DF0FECA @58 0201");
        std::memset(load.data + 14, 'x', 44); // a build date without a terminator of its own
        wheel->handleReport(&load, 0);
        QCOMPARE(wheel->deviceInfo[0], uint8_t(9));
        QCOMPARE(wheel->hardwareMajor(), 4);
        QCOMPARE(wheel->hardwareMinor(), 1);
        QCOMPARE(wheel->softwareMajor(), 2);
        QCOMPARE(wheel->softwareMinor(), 7);
        QCOMPARE(wheel->deviceInfo[6], uint8_t(5));
        QCOMPARE(wheel->firmwareHash, uint32_t(0xCAFEF00D));
        QCOMPARE(QByteArray(wheel->firmwareBuildDate), QByteArray(43, 'x'));
        QCOMPARE(wheel->profileCount, uint8_t(2));
        QCOMPARE(wheel->currentProfile, uint8_t(1));

        // A record answer is copied whole from byte 3; the record layouts are checked at compile
        // time.
        TarnUsbReport profile = report("650507");
        for (int i = 4; i < kReportSize; ++i)
            profile.data[i] = uint8_t(i);
        wheel->handleReport(&profile, 0);
        const int recordSize = sizeof(TarnUsbWheelBaseProfileV5);
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(&wheel->profiles[0]), recordSize),
                 QByteArray(reinterpret_cast<const char*>(profile.data + 3), recordSize));

        // Live reports and unasked answers are handed on in place: the joystick update from
        // byte 1, telemetry and test answers from byte 3.
        const void* handedOn = nullptr;
        auto keep = [&](UsbDevice*, auto* payload) {
            handedOn = payload;
        };
        QObject::connect(
            wheel, &UsbDeviceTarnWheelBase::onJoystickUpdate,
            [&](UsbDevice* d, TarnUsbWheelBaseJoystickUpdate* u, uint64_t) { keep(d, u); });
        QObject::connect(
            wheel, &UsbDeviceTarnWheelBase::onDebugOutput,
            [&](UsbDevice* d, TarnUsbWheelBaseDebugOutput* o, uint64_t) { keep(d, o); });
        QObject::connect(wheel, &UsbDeviceTarnWheelBase::onTestCommand, keep);
        for (const auto& [start, offset] : {std::pair{"01", 1}, {"6502", 3}, {"6509", 3}}) {
            TarnUsbReport live = report(start);
            handedOn = nullptr;
            wheel->handleReport(&live, 0);
            QVERIFY2(handedOn == live.data + offset, start);
        }
    }

    void buttonPlateLoadAnswerFields() {
        auto log = std::make_shared<FakeHidDevice::Log>();
        Devices devices(log);
        UsbDeviceTarnButtonPlate* plate = &devices.plate;
        plate->loadSettings();
        TarnUsbReport load = report("650303000102 @10 214C7E0B @26 01");
        std::memcpy(load.data + 14, "Feb 02 2024!", 12); // twelve characters, no terminator
        plate->handleReport(&load, 0);
        QCOMPARE(plate->hardwareMajor(), 1);
        QCOMPARE(plate->hardwareMinor(), 2);
        QCOMPARE(plate->firmwareHash, uint32_t(0x0B7E4C21));
        QCOMPARE(QByteArray(plate->firmwareBuildDate), QByteArray("Feb 02 2024!"));
        QCOMPARE(plate->profileCount, uint8_t(1));
        // The load goes on with record 0.
        QCOMPARE(int(log->writes.size()), 2);
        QCOMPARE(written(log, 1), reportBytes("640503"));
    }
};

QTEST_GUILESS_MAIN(TestFraming)
#include "tst_framing.moc"
