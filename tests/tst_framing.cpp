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
#include <map>

namespace {

using Bytes = std::map<int, uint8_t>; // the non-zero bytes a request must have

template <class Device>
std::unique_ptr<Device> fakeDevice(const std::shared_ptr<FakeHidDevice::Log>& log) {
    return std::make_unique<Device>(QStringLiteral("fake"), std::make_unique<FakeHidDevice>(log));
}

TarnUsbReport report(std::initializer_list<std::pair<int, uint8_t>> bytes) {
    TarnUsbReport result{};
    for (const auto& [offset, value] : bytes)
        result.data[offset] = value;
    return result;
}

// Every byte of `written` is zero except those listed, which have the listed values.
void verifyRequest(const std::vector<uint8_t>& written, const Bytes& expected) {
    QCOMPARE(int(written.size()), kReportSize);
    for (int i = 0; i < kReportSize; ++i) {
        auto found = expected.find(i);
        uint8_t want = found == expected.end() ? 0 : found->second;
        if (written[size_t(i)] != want)
            QFAIL(qPrintable(QStringLiteral("byte %1 is %2, expected %3")
                                 .arg(i)
                                 .arg(written[size_t(i)])
                                 .arg(want)));
    }
}

} // namespace

Q_DECLARE_METATYPE(Bytes)
Q_DECLARE_METATYPE(std::function<void(UsbDeviceTarnWheelBase&)>)

class TestFraming : public QObject {
    Q_OBJECT

private slots:
    void makeRequestFillsHeaderAndZeroes() {
        TarnRequest request = makeRequest(kCmdLiveUpdate, 7);
        QCOMPARE(int(request.size()), kReportSize);
        QCOMPARE(request[0], uint8_t(0x64));
        QCOMPARE(request[1], uint8_t(12));
        QCOMPARE(request[2], uint8_t(7));
        for (size_t i = 3; i < request.size(); ++i)
            QCOMPARE(request[i], uint8_t(0));
    }

    void littleEndianHelpers() {
        const uint8_t bytes[] = {0x78, 0x56, 0x34, 0x12, 0xFF, 0xFF, 0x00, 0x80};
        QCOMPARE(readLe16(bytes), uint16_t(0x5678));
        QCOMPARE(readLe32(bytes), uint32_t(0x12345678));
        QCOMPARE(readLe16(bytes + 4), uint16_t(0xFFFF));
        QCOMPARE(int16_t(readLe16(bytes + 4)), int16_t(-1)); // signed fields read as raw bits
        QCOMPARE(readLe32(bytes + 4), uint32_t(0x8000FFFF)); // the top byte is not sign-extended

        uint8_t buffer[8];
        std::memset(buffer, 0xAA, sizeof buffer);
        writeLe16(buffer + 1, 0xBEEF);
        writeLe32(buffer + 3, 0xCAFEF00D);
        const uint8_t expected[] = {0xAA, 0xEF, 0xBE, 0x0D, 0xF0, 0xFE, 0xCA, 0xAA};
        QCOMPARE(QByteArray(reinterpret_cast<char*>(buffer), 8),
                 QByteArray(reinterpret_cast<const char*>(expected), 8));
    }

    void wheelBaseRequests_data() {
        QTest::addColumn<std::function<void(UsbDeviceTarnWheelBase&)>>("send");
        QTest::addColumn<Bytes>("expected");
        using Send = std::function<void(UsbDeviceTarnWheelBase&)>;
        QTest::newRow("enter bootloader: version byte 0")
            << Send([](auto& w) { w.enterBootloader(); }) << Bytes{{0, 0x64}, {1, 1}};
        QTest::newRow("load begin")
            << Send([](auto& w) { w.loadSettings(); }) << Bytes{{0, 0x64}, {1, 3}, {2, 7}};
        QTest::newRow("save begin: count and active at 58") << Send([](auto& w) {
            w.profileCount = 3;
            w.currentProfile = 2;
            w.saveSettings();
        }) << Bytes{{0, 0x64}, {1, 4}, {2, 7}, {58, 3}, {59, 2}};
        QTest::newRow("factory reset: byte 5") << Send([](auto& w) { w.resetToFactoryDefaults(); })
                                               << Bytes{{0, 0x64}, {1, 8}, {2, 7}, {5, 1}};
        // 0.5f is 0x3F000000.
        QTest::newRow("test force 0.5") << Send([](auto& w) { w.sendTestForceCommand(0.5f); })
                                        << Bytes{{0, 0x64}, {1, 9}, {2, 7}, {3, 0}, {7, 0x3F}};
        QTest::newRow("brake resistor on")
            << Send([](auto& w) { w.sendTestBrakeResistorCommand(true); })
            << Bytes{{0, 0x64}, {1, 9}, {2, 7}, {3, 1}};
        QTest::newRow("brake resistor off")
            << Send([](auto& w) { w.sendTestBrakeResistorCommand(false); })
            << Bytes{{0, 0x64}, {1, 9}, {2, 7}, {3, 2}};
        QTest::newRow("realign motor")
            << Send([](auto& w) { w.realignMotor(); }) << Bytes{{0, 0x64}, {1, 9}, {2, 7}, {3, 3}};
    }

    void wheelBaseRequests() {
        QFETCH(std::function<void(UsbDeviceTarnWheelBase&)>, send);
        QFETCH(Bytes, expected);
        auto log = std::make_shared<FakeHidDevice::Log>();
        auto wheel = fakeDevice<UsbDeviceTarnWheelBase>(log);
        send(*wheel);
        QCOMPARE(int(log->writes.size()), 1);
        verifyRequest(log->writes[0].data, expected);
    }

    void centreRimCarriesTheActiveProfileAt3() {
        auto log = std::make_shared<FakeHidDevice::Log>();
        auto wheel = fakeDevice<UsbDeviceTarnWheelBase>(log);
        wheel->profileCount = 2;
        wheel->currentProfile = 1;
        wheel->profiles[1] = UsbDeviceTarnWheelBase::defaultProfile();
        wheel->profiles[1].index = 1;
        wheel->profiles[1].softEndStopDegrees = 0x01020304;
        wheel->centerRim();
        QCOMPARE(int(log->writes.size()), 1);
        Bytes expected{{0, 0x64}, {1, 7}, {2, 7}};
        const auto* record = reinterpret_cast<const uint8_t*>(&wheel->profiles[1]);
        for (int i = 0; i < int(sizeof(TarnUsbWheelBaseProfileV5)); ++i) {
            if (record[i])
                expected[3 + i] = record[i];
        }
        verifyRequest(log->writes[0].data, expected);
        QCOMPARE(log->writes[0].data[3 + 49], uint8_t(0x04)); // soft end stop, little-endian
    }

    void otherClassesFrameTheirVersionAndMarker() {
        auto log = std::make_shared<FakeHidDevice::Log>();
        auto pedals = fakeDevice<UsbDeviceTarnPedals>(log);
        pedals->profileCount = 4;
        pedals->currentProfile = 1;
        pedals->saveSettings();
        pedals->enterBootloader();
        auto plate = fakeDevice<UsbDeviceTarnButtonPlate>(log);
        plate->loadSettings();
        auto bootloader = fakeDevice<UsbDeviceTarnBootloader>(log);
        bootloader->exitBootloader();
        bootloader->resetToFactoryDefaults();
        bootloader->loadSettings();

        QCOMPARE(int(log->writes.size()), 6);
        verifyRequest(log->writes[0].data, {{0, 0x64}, {1, 4}, {2, 4}, {26, 4}, {27, 1}});
        verifyRequest(log->writes[1].data, {{0, 0x64}, {1, 1}});
        verifyRequest(log->writes[2].data, {{0, 0x64}, {1, 3}, {2, 3}});
        verifyRequest(log->writes[3].data, {{0, 0x64}, {1, 8}, {2, 2}, {3, 1}});
        verifyRequest(log->writes[4].data, {{0, 0x64}, {1, 8}, {2, 2}, {5, 1}});
        verifyRequest(log->writes[5].data, {{0, 0x64}, {1, 3}, {2, 2}});
    }

    // Where the wheel base finds each field of its answers and live reports.
    void wheelBaseReadsFieldsAtTheirOffsets() {
        auto log = std::make_shared<FakeHidDevice::Log>();
        auto wheel = fakeDevice<UsbDeviceTarnWheelBase>(log);
        wheel->loadSettings(); // answers are taken only while their request is outstanding

        TarnUsbReport load = report({{0, 0x65},
                                     {1, 3},
                                     {2, 7},
                                     {3, 9},
                                     {4, 4},
                                     {5, 1},
                                     {6, 2},
                                     {7, 7},
                                     {9, 5},
                                     {10, 0x0D},
                                     {11, 0xF0},
                                     {12, 0xFE},
                                     {13, 0xCA},
                                     {58, 2},
                                     {59, 1}});
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

        TarnUsbReport profile = report({{0, 0x65},
                                        {1, 5},
                                        {2, 7},
                                        {3, 0},
                                        {4, 'Q'},
                                        {3 + 21, 0x84},
                                        {3 + 22, 0x03},
                                        {3 + 49, 0x38},
                                        {3 + 50, 0x04},
                                        {3 + 53, 1}});
        wheel->handleReport(&profile, 0);
        QCOMPARE(wheel->profiles[0].index, uint8_t(0));
        QCOMPARE(wheel->profiles[0].name[0], 'Q');
        // Packed fields are copied out before comparing: QCOMPARE takes references.
        int32_t rotation = wheel->profiles[0].rotationDegrees;
        uint32_t softEndStop = wheel->profiles[0].softEndStopDegrees;
        QCOMPARE(rotation, 900);
        QCOMPARE(softEndStop, 1080u);
        QCOMPARE(wheel->profiles[0].softEndStopEnabled, uint8_t(1));

        int16_t axis = 0;
        uint8_t logKind = 0;
        QObject::connect(wheel.get(), &UsbDeviceTarnWheelBase::onJoystickUpdate,
                         [&](UsbDevice*, TarnUsbWheelBaseJoystickUpdate* update, uint64_t) {
                             axis = update->axis;
                             logKind = update->logKind;
                         });
        TarnUsbReport joystick = report({{0, 0x01}, {1, 0x30}, {2, 0xF8}, {4, 2}});
        wheel->handleReport(&joystick, 0);
        QCOMPARE(axis, int16_t(-2000));
        QCOMPARE(logKind, uint8_t(2));

        uint32_t ticks = 0;
        float motorAngle = 0;
        QObject::connect(wheel.get(), &UsbDeviceTarnWheelBase::onDebugOutput,
                         [&](UsbDevice*, TarnUsbWheelBaseDebugOutput* output, uint64_t) {
                             ticks = output->ticks;
                             motorAngle = output->motorAngle;
                         });
        // ticks at telemetry offset 1 (report 4), motorAngle at 9 (report 12): 1.5f.
        TarnUsbReport telemetry =
            report({{0, 0x65}, {1, 2}, {4, 0x10}, {5, 0x27}, {14, 0xC0}, {15, 0x3F}});
        wheel->handleReport(&telemetry, 0);
        QCOMPARE(ticks, 10000u);
        QCOMPARE(motorAngle, 1.5f);

        TarnUsbWheelBaseTestCommand test{};
        QObject::connect(wheel.get(), &UsbDeviceTarnWheelBase::onTestCommand,
                         [&](UsbDevice*, TarnUsbWheelBaseTestCommand* answer) { test = *answer; });
        TarnUsbReport testAnswer = report({{0, 0x65}, {1, 9}, {3, 0}, {6, 0x80}, {7, 0xBF}});
        wheel->handleReport(&testAnswer, 0);
        QCOMPARE(test.command, uint8_t(0));
        float force = test.constantForce;
        QCOMPARE(force, -1.0f);
    }

    void buttonPlateLoadAnswerFields() {
        auto log = std::make_shared<FakeHidDevice::Log>();
        auto plate = fakeDevice<UsbDeviceTarnButtonPlate>(log);
        plate->loadSettings();
        TarnUsbReport load = report({{0, 0x65},
                                     {1, 3},
                                     {2, 3},
                                     {4, 1},
                                     {5, 2},
                                     {10, 0x21},
                                     {11, 0x4C},
                                     {12, 0x7E},
                                     {13, 0x0B},
                                     {26, 1},
                                     {27, 0}});
        std::memcpy(load.data + 14, "Feb 02 2024!", 12); // twelve characters, no terminator
        load.data[26] = 1;
        plate->handleReport(&load, 0);
        QCOMPARE(plate->hardwareMajor(), 1);
        QCOMPARE(plate->hardwareMinor(), 2);
        QCOMPARE(plate->firmwareHash, uint32_t(0x0B7E4C21));
        QCOMPARE(QByteArray(plate->firmwareBuildDate), QByteArray("Feb 02 2024!"));
        QCOMPARE(plate->profileCount, uint8_t(1));
        // The load goes on with record 0.
        QCOMPARE(int(log->writes.size()), 2);
        verifyRequest(log->writes[1].data, {{0, 0x64}, {1, 5}, {2, 3}});
    }
};

QTEST_GUILESS_MAIN(TestFraming)
#include "tst_framing.moc"
