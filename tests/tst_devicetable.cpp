// The product-id table: which class each id and product string opens as, the product string an
// open device is identified by, the ids the scan asks for, and the udev rules that come from the
// same table.

#include "tests/support/fakehiddevice.h"
#include "usb/devicetable.h"

#include <QtTest>

Q_DECLARE_METATYPE(TarnDeviceKind)

class DeviceTableTest : public QObject {
    Q_OBJECT

private slots:
    void kindByIdAndProductString_data() {
        QTest::addColumn<int>("productId");
        QTest::addColumn<QString>("product");
        QTest::addColumn<TarnDeviceKind>("kind");
        using Kind = TarnDeviceKind;
        QTest::newRow("old bootloader") << 0x5C05 << "" << Kind::Bootloader;
        QTest::newRow("old wheel base") << 0xA111 << "" << Kind::WheelBase;
        QTest::newRow("old pedals") << 0xA112 << "" << Kind::Pedals;
        QTest::newRow("plate, any string") << 0xA44C << "" << Kind::ButtonPlate;
        QTest::newRow("plate 0xA113") << 0xA113 << "x" << Kind::ButtonPlate;
        QTest::newRow("wheel base") << 0xA355 << "TARN Torvane Wheel Base" << Kind::WheelBase;
        QTest::newRow("bootloader beats wheel base")
            << 0xA355 << "Wheel Base Bootloader" << Kind::Bootloader;
        QTest::newRow("0xA355, neither") << 0xA355 << "Pedals" << Kind::None;
        QTest::newRow("case matters") << 0xA355 << "wheel base" << Kind::None;
        QTest::newRow("pedals") << 0xA3BE << "TARN Pedals" << Kind::Pedals;
        QTest::newRow("pedals bootloader") << 0xA3BE << "Pedals Bootloader" << Kind::Bootloader;
        QTest::newRow("0xA3BE, neither") << 0xA3BE << "Wheel Base" << Kind::None;
        QTest::newRow("unknown id") << 0x1234 << "Wheel Base" << Kind::None;
    }

    void kindByIdAndProductString() {
        QFETCH(int, productId);
        QFETCH(QString, product);
        QFETCH(TarnDeviceKind, kind);
        QCOMPARE(tarnDeviceKind(uint16_t(productId), product), kind);
    }

    // The open device's own string decides; only the button plate falls back to the enumeration
    // record's when the device returns none.
    void identifyOpenDevice_data() {
        QTest::addColumn<int>("productId");
        QTest::addColumn<QString>("own");
        QTest::addColumn<TarnDeviceKind>("kind");
        QTest::addColumn<QString>("productString"); // afterwards
        using Kind = TarnDeviceKind;
        QTest::newRow("own string")
            << 0xA355 << "My Wheel Base" << Kind::WheelBase << "My Wheel Base";
        QTest::newRow("own string naming no kind") << 0xA355 << "Gadget" << Kind::None << "Gadget";
        QTest::newRow("wheel base without one") << 0xA355 << "" << Kind::None << "";
        QTest::newRow("button plate over Bluetooth LE")
            << 0xA44C << "" << Kind::ButtonPlate << "Enumerated Wheel Base";
        QTest::newRow("button plate with its own") << 0xA113 << "Own" << Kind::ButtonPlate << "Own";
    }

    void identifyOpenDevice() {
        QFETCH(int, productId);
        QFETCH(QString, own);
        QFETCH(TarnDeviceKind, kind);
        QFETCH(QString, productString);
        FakeHidDevice device(std::make_shared<FakeHidDevice::Log>());
        device.ownProduct = own.toStdWString();
        HidDeviceInfo info;
        info.product = L"Enumerated Wheel Base";
        QCOMPARE(identifyTarnDevice(uint16_t(productId), device, info), kind);
        QCOMPARE(QString::fromStdWString(device.productString()), productString);
    }

    // The older ids are known but not scanned for.
    void scanAsksForTheFourCurrentIdsInOrder() {
        const std::vector<uint16_t> scanned(std::begin(kScannedProductIds),
                                            std::end(kScannedProductIds));
        QCOMPARE(scanned, (std::vector<uint16_t>{0xA355, 0xA3BE, 0xA113, 0xA44C}));
    }

    void udevRulesCoverEveryIdOnce() {
        const QStringList lines =
            tarnUdevRules().split(QLatin1Char('\n'), Qt::SkipEmptyParts).filter("KERNELS");
        QCOMPARE(lines.size(), 8);
        for (const char* id : {"5C05", "A110", "A111", "A112", "A113", "A355", "A3BE", "A44C"})
            QCOMPARE(lines.filter(QStringLiteral("KERNELS==\"*:0483:%1.*\"").arg(id)).size(), 1);
        for (const QString& line : lines)
            QVERIFY(line.startsWith("KERNEL==\"hidraw*\"") && line.contains("TAG+=\"uaccess\""));
    }
};

QTEST_GUILESS_MAIN(DeviceTableTest)
#include "tst_devicetable.moc"
