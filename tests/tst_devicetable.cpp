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
    // The kind a listed device is taken for, by its id and the product string it enumerates
    // with, is the kind its own string makes it once open; only the button plate takes the
    // enumeration record's string when the device returns none (over Bluetooth LE).
    void kindByIdAndProductString_data() {
        QTest::addColumn<int>("productId");
        QTest::addColumn<QString>("product");
        QTest::addColumn<TarnDeviceKind>("kind");
        QTest::addColumn<bool>("enumeratedString");
        using Kind = TarnDeviceKind;
        QTest::newRow("old bootloader") << 0x5C05 << "" << Kind::Bootloader << false;
        QTest::newRow("plate over Bluetooth LE") << 0xA44C << "" << Kind::ButtonPlate << true;
        QTest::newRow("plate 0xA113 with its own") << 0xA113 << "x" << Kind::ButtonPlate << false;
        QTest::newRow("wheel base")
            << 0xA355 << "TARN Torvane Wheel Base" << Kind::WheelBase << false;
        QTest::newRow("bootloader beats wheel base")
            << 0xA355 << "Wheel Base Bootloader" << Kind::Bootloader << false;
        QTest::newRow("0xA355, neither") << 0xA355 << "Pedals" << Kind::None << false;
        QTest::newRow("case matters") << 0xA355 << "wheel base" << Kind::None << false;
        QTest::newRow("pedals") << 0xA3BE << "TARN Pedals" << Kind::Pedals << false;
        QTest::newRow("pedals bootloader")
            << 0xA3BE << "Pedals Bootloader" << Kind::Bootloader << false;
        QTest::newRow("unknown id") << 0x1234 << "Wheel Base" << Kind::None << false;
    }

    void kindByIdAndProductString() {
        QFETCH(int, productId);
        QFETCH(QString, product);
        QFETCH(TarnDeviceKind, kind);
        QFETCH(bool, enumeratedString);
        QCOMPARE(tarnDeviceKind(uint16_t(productId), product), kind);
        FakeHidDevice device(std::make_shared<FakeHidDevice::Log>());
        device.ownProduct = product.toStdWString();
        HidDeviceInfo info;
        info.product = L"Enumerated";
        QCOMPARE(identifyTarnDevice(uint16_t(productId), device, info), kind);
        QCOMPARE(QString::fromStdWString(device.productString()),
                 enumeratedString ? "Enumerated" : product);
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
