// The virtual button plate's live reports and identities, on the model alone: every kind of
// auxiliary value in turn, a battery that drains and is charged again, inputs a test holds, and
// the Bluetooth LE plate without a product string of its own.

#include "sim/buttonplatemodel.h"

#include <QtTest>

namespace {

std::vector<uint8_t> streamed(ButtonPlateModel& model, uint32_t sequence) {
    std::vector<uint8_t> report;
    model.streamReport(sequence, [&report](const std::vector<uint8_t>& sent) { report = sent; });
    return report;
}

} // namespace

class TestButtonPlateModel : public QObject {
    Q_OBJECT

private slots:
    void cyclesThroughEveryAuxType() {
        ButtonPlateModel model;
        for (uint32_t sequence = 0; sequence < 12; ++sequence)
            QCOMPARE(int(streamed(model, sequence)[13]), int(sequence % 6));
    }

    void batteryDrainsSlowly_data() {
        QTest::addColumn<uint>("sequence");
        QTest::addColumn<int>("centivolts");
        QTest::newRow("charged") << 0u << 250;
        QTest::newRow("a hundredth less") << 2500u << 249;
        QTest::newRow("empty") << 50u * 2500u << 200;
        QTest::newRow("charged again") << 51u * 2500u << 250;
    }

    void batteryDrainsSlowly() {
        QFETCH(uint, sequence);
        QFETCH(int, centivolts);
        ButtonPlateModel model;
        QCOMPARE(int(model.batteryAt(sequence)), centivolts);
    }

    void heldInputsOnly() {
        ButtonPlateModel model;
        model.autoInput = false;
        model.heldButtons = uint64_t(1) << 40;
        model.clutch[0] = 1234;
        model.clutchRaw[1] = 4321;
        const std::vector<uint8_t> clutchRaw = streamed(model, 600); // auxType 0
        QCOMPARE(readLe16(clutchRaw.data() + 1), uint16_t(1234));
        QCOMPARE(readLe32(clutchRaw.data() + 9), 1u << 8);
        QCOMPARE(readLe32(clutchRaw.data() + 5), 0u);
        QCOMPARE(readLe16(clutchRaw.data() + 16), uint16_t(4321));
        QCOMPARE(int(streamed(model, 602)[14]), int(model.batteryCentivolts));
    }

    void bluetoothIdentity() {
        const ButtonPlateModel usb;
        const ButtonPlateModel ble(ButtonPlateModel::Link::BluetoothLe);
        QCOMPARE(usb.identity().productId, uint16_t(0xA44C));
        QVERIFY(!usb.identity().hasDeviceProduct);
        QCOMPARE(ble.identity().productId, uint16_t(0xA113));
        QVERIFY(ble.identity().hasDeviceProduct);
        QVERIFY(ble.identity().deviceProduct.empty());
        QCOMPARE(ble.identity().product, usb.identity().product);
    }
};

QTEST_MAIN(TestButtonPlateModel)
#include "tst_buttonplatemodel.moc"
