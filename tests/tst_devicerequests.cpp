// The device classes against an in-memory device: how each class frames its requests, where the
// wheel base finds the fields of what it receives, and the request discipline every class
// shares: an awaited request is resent every retry interval until its own answer arrives, an
// unawaited write that fails is resent until it is written. Only resendsEveryRetryInterval runs
// with the real 600 ms; the others resend at the tests' fast interval and check what is resent,
// not when. The record layouts themselves are checked at compile time next to the records.

#include "buttonplate/usbdevicetarnbuttonplate.h"
#include "firmware/usbdevicetarnbootloader.h"
#include "pedals/usbdevicetarnpedals.h"
#include "tests/support/fakehiddevice.h"
#include "tests/support/testtimings.h"
#include "wheelbase/usbdevicetarnwheelbase.h"

#include <QTest>

#include <chrono>
#include <cstring>

namespace {

QByteArray bytes(const void* data, int size) {
    return QByteArray(static_cast<const char*>(data), size);
}

// A report from hex: "640407 @58 0302" is 64 04 07 at 0, 03 02 at 58, zeroes elsewhere.
TarnUsbReport report(const QString& layout) {
    TarnUsbReport result{};
    int offset = 0;
    for (const QString& word : layout.split(QLatin1Char(' '))) {
        if (word.startsWith(QLatin1Char('@'))) {
            offset = word.mid(1).toInt();
            continue;
        }
        const QByteArray chunk = QByteArray::fromHex(word.toLatin1());
        std::memcpy(result.data + offset, chunk.constData(), size_t(chunk.size()));
        offset += chunk.size();
    }
    return result;
}

// One device of each class, all writing to one log; the wheel base at the tests' intervals.
// The lists have a count and an active index for the markers to carry.
struct Devices {
    explicit Devices(const UsbTimings& timings = fastTimings()) {
        wheel.applyTimings(timings);
        wheel.profileCount = 3;
        wheel.currentProfile = 2;
        pedals.profileCount = 4;
        pedals.currentProfile = 1;
    }

    std::shared_ptr<FakeHidDevice::Log> log = std::make_shared<FakeHidDevice::Log>();
    UsbDeviceTarnWheelBase wheel{QStringLiteral("fake"), std::make_unique<FakeHidDevice>(log)};
    UsbDeviceTarnPedals pedals{QStringLiteral("fake"), std::make_unique<FakeHidDevice>(log)};
    UsbDeviceTarnButtonPlate plate{QStringLiteral("fake"), std::make_unique<FakeHidDevice>(log)};
    UsbDeviceTarnBootloader bootloader{QStringLiteral("fake"),
                                       std::make_unique<FakeHidDevice>(log)};

    QByteArray written(size_t index) const {
        const std::vector<uint8_t>& data = log->writes.at(index).data;
        return bytes(data.data(), int(data.size()));
    }
    bool waitForWrites(size_t count) {
        return QTest::qWaitFor([&] { return log->writes.size() >= count; }, 5000);
    }
    // Whether another write follows within two resend intervals.
    bool writesAgain() {
        const size_t now = log->writes.size();
        return QTest::qWaitFor([&] { return log->writes.size() > now; }, kFastQuietMs);
    }
    void deliverToWheelBase(const QString& layout) {
        TarnUsbReport received = report(layout);
        wheel.handleReport(&received, 0);
    }
};
using Send = void (*)(Devices&);

} // namespace

Q_DECLARE_METATYPE(Send)

class TestDeviceRequests : public QObject {
    Q_OBJECT

private slots:
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
        row("wheel base: live update begin, count and active at 58", "640C07 @58 0302",
            [](Devices& d) {
                d.wheel.liveUpdatesEnabled = true;
                d.wheel.updateSettings();
                d.waitForWrites(1);
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
        Devices devices;
        send(devices);
        QCOMPARE(int(devices.log->writes.size()), 1);
        QCOMPARE(devices.written(0).toHex(' '),
                 bytes(report(expected).data, kReportSize).toHex(' '));
    }

    // Where the wheel base finds each field of its answers and live reports, and the bootloader
    // its device info. Answers are taken only while their request is outstanding.
    void answerFieldsAtTheirOffsets() {
        Devices devices;
        UsbDeviceTarnWheelBase* wheel = &devices.wheel;
        wheel->loadSettings();
        TarnUsbReport load = report("650307 09040102070005 0DF0FECA @58 0201");
        std::memset(load.data + 14, 'x', 44); // a build date without a terminator of its own
        wheel->handleReport(&load, 0);
        QCOMPARE(bytes(wheel->deviceInfo, UsbSettingsDevice::kDeviceInfoSize).toHex() + ' ' +
                     QByteArray::number(wheel->firmwareHash, 16) + ' ' +
                     QByteArray(wheel->firmwareBuildDate) + ' ' +
                     QByteArray::number(int(wheel->currentProfile)) + '/' +
                     QByteArray::number(int(wheel->profileCount)),
                 "09040102070005 cafef00d " + QByteArray(43, 'x') + " 1/2");

        // A record answer is copied whole from byte 3; the record layouts are checked at compile
        // time.
        TarnUsbReport profile = report("650507");
        for (int i = 4; i < kReportSize; ++i)
            profile.data[i] = uint8_t(i);
        wheel->handleReport(&profile, 0);
        const int recordSize = sizeof(TarnUsbWheelBaseProfileV5);
        QCOMPARE(bytes(&wheel->profiles[0], recordSize), bytes(profile.data + 3, recordSize));

        // Live reports and unasked answers are handed on in place: the joystick update from
        // byte 1, telemetry and test answers from byte 3.
        const void* handedOn = nullptr;
        auto keep = [&](UsbDevice*, auto* payload, auto...) {
            handedOn = payload;
        };
        QObject::connect(wheel, &UsbDeviceTarnWheelBase::onJoystickUpdate, keep);
        QObject::connect(wheel, &UsbDeviceTarnWheelBase::onDebugOutput, keep);
        QObject::connect(wheel, &UsbDeviceTarnWheelBase::onTestCommand, keep);
        for (const auto& [start, offset] : {std::pair{"01", 1}, {"6502", 3}, {"6509", 3}}) {
            TarnUsbReport live = report(start);
            handedOn = nullptr;
            wheel->handleReport(&live, 0);
            QVERIFY2(handedOn == live.data + offset, start);
        }

        devices.bootloader.loadSettings();
        TarnUsbReport info = report("650302 A1B2C3");
        devices.bootloader.handleReport(&info, 0);
        QCOMPARE(bytes(devices.bootloader.deviceInfo, 3), QByteArray::fromHex("A1B2C3"));
    }

    // A single-shot QTimer may fire a little early (coarse timers up to 5 %), and a loaded
    // machine may deliver it late.
    void resendsEveryRetryInterval() {
        Devices devices{UsbTimings()};
        devices.wheel.loadSettings();
        QVERIFY(devices.waitForWrites(3));
        for (size_t i = 1; i < 3; ++i) {
            const auto gap = std::chrono::duration_cast<std::chrono::milliseconds>(
                                 devices.log->writes[i].time - devices.log->writes[i - 1].time)
                                 .count();
            QVERIFY2(gap >= 560 && gap <= 1100, qPrintable(QStringLiteral("%1 ms").arg(gap)));
        }
    }

    // Only the answer of the request outstanding ends its resending: reports the device sends
    // on its own (joystick, telemetry), answers of other commands and reports of other ids do
    // not. A second request takes the timer over from the first: only the latest is resent.
    // Nothing answers a reset or a test command: a failed write is resent until it is written,
    // a written one is not sent again.
    void resendsTheLatestRequestUntilItsAnswerOrWritten() {
        Devices devices;
        devices.wheel.saveSettings();
        devices.wheel.loadSettings();
        QVERIFY(devices.waitForWrites(3));
        for (const char* other : {"01", "650207", "650407", "02"})
            devices.deliverToWheelBase(other);
        QVERIFY(devices.waitForWrites(5));
        QCOMPARE(devices.log->writes[0].data[1], uint8_t(kCmdSaveSettings));
        for (size_t i = 2; i < 5; ++i)
            QCOMPARE(devices.written(i), devices.written(1));

        devices.deliverToWheelBase("650307"); // no profiles: the end marker follows, unawaited
        QVERIFY(!devices.writesAgain());

        devices.log->writes.clear();
        devices.log->writesToFail = 1;
        devices.wheel.resetToFactoryDefaults();
        QVERIFY(devices.waitForWrites(2));
        QVERIFY(devices.log->writes[0].failed && !devices.log->writes[1].failed);
        QCOMPARE(devices.written(1), devices.written(0));
        devices.wheel.sendTestForceCommand(0.25f);
        QCOMPARE(devices.log->writes.size(), size_t(3));
        QVERIFY(!devices.writesAgain());
    }
};

QTEST_GUILESS_MAIN(TestDeviceRequests)
#include "tst_devicerequests.moc"
