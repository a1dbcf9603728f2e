// The device manager against kernel HID devices: a wheel-base model hosted through /dev/uhid is
// found by the system's hidapi (no TARN_HID_BUS), opened as the right class, driven through its
// load walk and restarted into its bootloader and back, as real hardware would be. The
// kernel-HID VM test runs it inside a VM whose kernel has UHID; elsewhere it skips.

#include "app/devicekinds.h"
#include "firmware/usbdevicetarnbootloader.h"
#include "sim/uhiddevice.h"
#include "sim/wheelbasemodel.h"
#include "usb/usbmanager.h"
#include "wheelbase/usbdevicetarnwheelbase.h"

#include <QSignalSpy>
#include <QtTest>

#include <unistd.h>

class UhidManagerCheck : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        if (::access("/dev/uhid", R_OK | W_OK) != 0)
            QSKIP("no read/write access to /dev/uhid: this kernel cannot host UHID devices here");
        qunsetenv("TARN_HID_BUS"); // the point is the system's HID stack, not the virtual bus
    }

    void wheelBaseLoadsStreamsAndRestartsIntoItsBootloader() {
        // Generous: everything runs in an emulated CPU on a possibly loaded machine.
        constexpr int kTimeoutMs = 30000;
        UhidDevice wheel(std::make_unique<WheelBaseModel>(), "wheelbase");
        wheel.setJoystickRate(100); // a stream, but few reports for an emulated CPU
        UsbManager manager(openTarnDevice);
        // A disconnected device is deleted right after its signal: its pointer is only kept.
        QList<UsbDevice*> connected;
        QList<UsbDevice*> disconnected;
        connect(&manager, &UsbManager::onDeviceConnected, this,
                [&](UsbDevice* device) { connected.append(device); });
        connect(&manager, &UsbManager::onDeviceDisconnected, this,
                [&](UsbDevice* device) { disconnected.append(device); });
        QVERIFY2(wheel.plug(), wheel.errorText().c_str());
        manager.start();
        QTRY_COMPARE_WITH_TIMEOUT(connected.size(), 1, kTimeoutMs);
        auto* base = qobject_cast<UsbDeviceTarnWheelBase*>(connected[0]);
        QVERIFY2(base, "the UHID wheel base was not opened as a wheel base");
        QCOMPARE(base->productName + ' ' + base->serialNumber,
                 QStringLiteral("TARN Torvane Wheel Base TWB-000417"));

        int updates = 0;
        connect(base, &UsbDeviceTarnWheelBase::onJoystickUpdate, this, [&] { ++updates; });
        QSignalSpy loaded(base, &UsbDeviceTarnWheelBase::onSettingsLoaded);
        base->loadSettings();
        QTRY_COMPARE_WITH_TIMEOUT(loaded.count(), 1, kTimeoutMs);
        const QByteArray held = wheel.withModel<WheelBaseModel>([](WheelBaseModel& m) {
            return QByteArray(reinterpret_cast<const char*>(m.profiles.data()),
                              int(m.profiles.size() * sizeof m.profiles[0]));
        });
        QCOMPARE(int(base->profileCount * sizeof base->profiles[0]), held.size());
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(base->profiles), held.size()), held);
        QTRY_VERIFY_WITH_TIMEOUT(updates >= 10, kTimeoutMs);

        // The device leaves the bus and comes back with the bootloader's identity, then again
        // as the wheel base; each one that left is reported gone once.
        base->enterBootloader();
        QTRY_VERIFY_WITH_TIMEOUT(connected.size() == 2 && disconnected.size() == 1, kTimeoutMs);
        QCOMPARE(disconnected[0], connected[0]);
        auto* bootloader = qobject_cast<UsbDeviceTarnBootloader*>(connected[1]);
        QVERIFY2(bootloader, "the restarted device was not opened as a bootloader");
        QCOMPARE(bootloader->productName, QStringLiteral("TARN Torvane Wheel Base Bootloader"));
        bootloader->exitBootloader();
        QTRY_VERIFY_WITH_TIMEOUT(connected.size() == 3 && disconnected.size() == 2, kTimeoutMs);
        QVERIFY(qobject_cast<UsbDeviceTarnWheelBase*>(connected[2]));

        wheel.unplug();
        QTRY_COMPARE_WITH_TIMEOUT(disconnected.size(), 3, kTimeoutMs);
        QVERIFY(manager.getDevices().isEmpty());
    }
};

QTEST_GUILESS_MAIN(UhidManagerCheck)
#include "uhidmanagercheck.moc"
