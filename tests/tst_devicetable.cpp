// The product-id table: which class each id and product string opens as, and the udev rules
// that come from the same table.

#include "usb/devicetable.h"

#include <QtTest>

class DeviceTableTest : public QObject {
    Q_OBJECT

private slots:
    void kindByIdAndProductString_data() {
        QTest::addColumn<int>("productId");
        QTest::addColumn<QString>("product");
        QTest::addColumn<int>("kind");
        const auto kind = [](TarnDeviceKind k) {
            return int(k);
        };
        QTest::newRow("old bootloader") << 0x5C05 << "" << kind(TarnDeviceKind::Bootloader);
        QTest::newRow("old wheel base") << 0xA111 << "" << kind(TarnDeviceKind::WheelBase);
        QTest::newRow("old pedals") << 0xA112 << "" << kind(TarnDeviceKind::Pedals);
        QTest::newRow("plate, any string") << 0xA44C << "" << kind(TarnDeviceKind::ButtonPlate);
        QTest::newRow("plate 0xA113") << 0xA113 << "x" << kind(TarnDeviceKind::ButtonPlate);
        QTest::newRow("wheel base")
            << 0xA355 << "TARN Torvane Wheel Base" << kind(TarnDeviceKind::WheelBase);
        QTest::newRow("bootloader beats wheel base")
            << 0xA355 << "Wheel Base Bootloader" << kind(TarnDeviceKind::Bootloader);
        QTest::newRow("0xA355, neither") << 0xA355 << "Pedals" << kind(TarnDeviceKind::None);
        QTest::newRow("case matters") << 0xA355 << "wheel base" << kind(TarnDeviceKind::None);
        QTest::newRow("pedals") << 0xA3BE << "TARN Pedals" << kind(TarnDeviceKind::Pedals);
        QTest::newRow("pedals bootloader")
            << 0xA3BE << "Pedals Bootloader" << kind(TarnDeviceKind::Bootloader);
        QTest::newRow("unknown id") << 0x1234 << "Wheel Base" << kind(TarnDeviceKind::None);
    }

    void kindByIdAndProductString() {
        QFETCH(int, productId);
        QFETCH(QString, product);
        QFETCH(int, kind);
        QCOMPARE(int(tarnDeviceKind(uint16_t(productId), product)), kind);
    }

    void scanAsksForTheFourCurrentIdsInOrder() {
        const std::vector<uint16_t> scanned(std::begin(kScannedProductIds),
                                            std::end(kScannedProductIds));
        QCOMPARE(scanned, (std::vector<uint16_t>{0xA355, 0xA3BE, 0xA113, 0xA44C}));
    }

    void udevRulesCoverEveryIdOnce() {
        const QStringList lines =
            tarnUdevRules().split(QLatin1Char('\n'), Qt::SkipEmptyParts).filter("KERNELS");
        QCOMPARE(lines.size(), 8);
        for (const char* id : {"5C05", "A110", "A111", "A112", "A113", "A355", "A3BE", "A44C"}) {
            const QString match = QStringLiteral("KERNELS==\"*:0483:%1.*\"").arg(id);
            QCOMPARE(lines.filter(match).size(), 1);
        }
        for (const QString& line : lines)
            QVERIFY(line.startsWith("KERNEL==\"hidraw*\"") && line.contains("TAG+=\"uaccess\""));
    }
};

QTEST_GUILESS_MAIN(DeviceTableTest)
#include "tst_devicetable.moc"
