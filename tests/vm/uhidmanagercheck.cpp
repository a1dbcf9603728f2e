// The device manager against kernel HID devices: a wheel-base model hosted through /dev/uhid is
// found by the system's hidapi (no TARN_HID_BUS), opened as the right class and driven through
// its load walk, as real hardware would be. The kernel-HID VM test runs it inside a VM whose
// kernel has UHID; elsewhere it skips.

#include "app/devicekinds.h"
#include "firmware/usbdevicetarnbootloader.h"
#include "sim/uhiddevice.h"
#include "sim/wheelbasemodel.h"
#include "usb/usbmanager.h"
#include "wheelbase/usbdevicetarnwheelbase.h"

#include <QSignalSpy>
#include <QtTest>

#include <cstring>
#include <unistd.h>
#include <vector>

namespace {

// Generous: everything runs in an emulated CPU on a possibly loaded machine.
constexpr int kTimeoutMs = 30000;
// Enough live reports to tell a stream from a stray report, few enough for an emulated CPU.
constexpr int kJoystickRate = 100;

// The manager's announcements, in order. A disconnected device is deleted right after its
// signal, so those pointers are only compared, never followed.
class ManagerLog : public QObject {
public:
    explicit ManagerLog(UsbManager& manager) {
        connect(&manager, &UsbManager::onDeviceConnected, this,
                [this](UsbDevice* device) { connected.append(device); });
        connect(&manager, &UsbManager::onDeviceDisconnected, this,
                [this](UsbDevice* device) { disconnected.append(device); });
    }

    QList<UsbDevice*> connected;
    QList<UsbDevice*> disconnected;
};

} // namespace

class UhidManagerCheck : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void wheelBaseLoadsItsProfilesAndStreams();
    void destroyedDeviceIsDroppedOnce();
    void restartIntoBootloaderComesBackAsBootloader();

private:
    // Plugs `wheel` in and waits until `manager` has opened it.
    UsbDeviceTarnWheelBase* connectWheelBase(UhidDevice& wheel, UsbManager& manager,
                                             ManagerLog& log);
};

void UhidManagerCheck::initTestCase() {
    if (::access("/dev/uhid", R_OK | W_OK) != 0)
        QSKIP("no read/write access to /dev/uhid: this kernel cannot host UHID devices here");
    // The point is the system's HID stack, not the virtual bus.
    qunsetenv("TARN_HID_BUS");
    qRegisterMetaType<UsbDevice*>(); // for the signal spies
}

UsbDeviceTarnWheelBase* UhidManagerCheck::connectWheelBase(UhidDevice& wheel, UsbManager& manager,
                                                           ManagerLog& log) {
    int before = log.connected.count();
    if (!wheel.plug()) {
        qWarning("%s", wheel.errorText().c_str());
        return nullptr;
    }
    manager.start();
    if (!QTest::qWaitFor([&] { return log.connected.count() > before; }, kTimeoutMs))
        return nullptr;
    return qobject_cast<UsbDeviceTarnWheelBase*>(log.connected.at(before));
}

void UhidManagerCheck::wheelBaseLoadsItsProfilesAndStreams() {
    UhidDevice wheel(std::make_unique<WheelBaseModel>(), "wheelbase");
    wheel.setJoystickRate(kJoystickRate);
    UsbManager manager(openTarnDevice);
    ManagerLog log(manager);
    UsbDeviceTarnWheelBase* base = connectWheelBase(wheel, manager, log);
    QVERIFY2(base, "the UHID wheel base was not opened as a wheel base");
    QCOMPARE(base->productName, QStringLiteral("TARN Torvane Wheel Base"));
    QCOMPARE(base->serialNumber, QStringLiteral("TWB-000417"));

    // Reports travel as pointers into the report being dispatched: keep what is needed now.
    std::vector<uint32_t> sequences;
    connect(base, &UsbDeviceTarnWheelBase::onJoystickUpdate, this,
            [&](UsbDevice*, TarnUsbWheelBaseJoystickUpdate* update, uint64_t) {
                sequences.push_back(joystickSequence(reinterpret_cast<uint8_t*>(update) - 1));
            });
    QSignalSpy loaded(base, &UsbDeviceTarnWheelBase::onSettingsLoaded);
    QSignalSpy failed(base, &UsbDeviceTarnWheelBase::onSettingsLoadFailed);
    base->loadSettings();
    QTRY_COMPARE_WITH_TIMEOUT(loaded.count(), 1, kTimeoutMs);
    QCOMPARE(failed.count(), 0);

    auto [profiles, active] = wheel.withModel<WheelBaseModel>(
        [](WheelBaseModel& model) { return std::make_pair(model.profiles, model.activeProfile); });
    QCOMPARE(int(base->profileCount), int(profiles.size()));
    QCOMPARE(base->currentProfile, active);
    for (size_t i = 0; i < profiles.size(); ++i)
        QVERIFY2(std::memcmp(&base->profiles[i], &profiles[i], sizeof profiles[i]) == 0,
                 qPrintable(QStringLiteral("profile %1 differs from the device's").arg(i)));

    QTRY_VERIFY_WITH_TIMEOUT(sequences.size() >= 10, kTimeoutMs);
    for (size_t i = 1; i < sequences.size(); ++i)
        QVERIFY2(sequences[i] > sequences[i - 1], "joystick reports out of order");
}

void UhidManagerCheck::destroyedDeviceIsDroppedOnce() {
    UhidDevice wheel(std::make_unique<WheelBaseModel>(), "wheelbase");
    wheel.setJoystickRate(kJoystickRate);
    UsbManager manager(openTarnDevice);
    ManagerLog log(manager);
    UsbDeviceTarnWheelBase* base = connectWheelBase(wheel, manager, log);
    QVERIFY(base);

    wheel.unplug();
    QTRY_COMPARE_WITH_TIMEOUT(log.disconnected.count(), 1, kTimeoutMs);
    QCOMPARE(log.disconnected.at(0), base);
    QVERIFY(manager.getDevices().isEmpty());

    // Scans go on: the device comes back when plugged in again, and the first one was reported
    // gone exactly once meanwhile.
    QVERIFY(connectWheelBase(wheel, manager, log));
    QCOMPARE(log.connected.count(), 2);
    QCOMPARE(log.disconnected.count(), 1);
}

void UhidManagerCheck::restartIntoBootloaderComesBackAsBootloader() {
    UhidDevice wheel(std::make_unique<WheelBaseModel>(), "wheelbase");
    wheel.setJoystickRate(kJoystickRate);
    UsbManager manager(openTarnDevice);
    ManagerLog log(manager);
    UsbDeviceTarnWheelBase* base = connectWheelBase(wheel, manager, log);
    QVERIFY(base);

    base->enterBootloader();
    QTRY_COMPARE_WITH_TIMEOUT(log.connected.count(), 2, kTimeoutMs);
    QTRY_COMPARE_WITH_TIMEOUT(log.disconnected.count(), 1, kTimeoutMs);
    auto* bootloader = qobject_cast<UsbDeviceTarnBootloader*>(log.connected.at(1));
    QVERIFY2(bootloader, "the restarted device was not opened as a bootloader");
    QCOMPARE(bootloader->productName, QStringLiteral("TARN Torvane Wheel Base Bootloader"));

    bootloader->exitBootloader();
    QTRY_COMPARE_WITH_TIMEOUT(log.connected.count(), 3, kTimeoutMs);
    QVERIFY(qobject_cast<UsbDeviceTarnWheelBase*>(log.connected.at(2)));
    QTRY_COMPARE_WITH_TIMEOUT(log.disconnected.count(), 2, kTimeoutMs);
}

QTEST_GUILESS_MAIN(UhidManagerCheck)
#include "uhidmanagercheck.moc"
