// The button-plate page's texts and conversions, on their own.

#include "buttonplate/buttonplatelogrows.h"
#include "buttonplate/buttonplaterecords.h"
#include "buttonplate/buttonplatetexts.h"

#include <QtTest>

#include <cmath>
#include <limits>

class TestButtonPlateTexts : public QObject {
    Q_OBJECT

private slots:
    void liveTexts_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        QTest::newRow("buttons 255") << buttonsText(255) << "Buttons: 00000000000000ff";
        QTest::newRow("button 64") << buttonsText(uint64_t(1) << 63) << "Buttons: 8000000000000000";
        QTest::newRow("axis half")
            << axisText("Left Clutch (X axis): ", 32768) << "Left Clutch (X axis): 32768 (50.0%)";
        QTest::newRow("axis full") << axisText("Right Clutch (Y axis): ", 65535)
                                   << "Right Clutch (Y axis): 65535 (100.0%)";
        QTest::newRow("axis zero")
            << axisText("Left clutch raw (X axis): ", 0) << "Left clutch raw (X axis): 0 (0.0%)";
        QTest::newRow("battery 255") << batteryText(255) << "Battery voltage: 2.55";
        QTest::newRow("battery 250") << batteryText(250) << "Battery voltage: 2.50";
        QTest::newRow("timestamp") << timestampText(4294967295u) << "Timestamp: 4294967295";
        QTest::newRow("build info") << plateBuildInfoText("Feb 02 2024", 0x0b7e4c21)
                                    << "Build date: Feb 02 2024, hash: b7e4c21";
    }

    void liveTexts() {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(text, expected);
    }

    // A stored float is shown at its nearest tenth, within the slider's range.
    void percentTenths_data() {
        QTest::addColumn<double>("percent");
        QTest::addColumn<int>("tenths");
        QTest::newRow("37.5") << double(37.5f) << 375;
        QTest::newRow("37.3 as a float") << double(37.3f) << 373;
        QTest::newRow("20.1 as a float") << double(20.1f) << 201;
        QTest::newRow("below the range") << 5.0 << 100;
        QTest::newRow("above the range") << 55.5 << 400;
        QTest::newRow("not a number") << std::numeric_limits<double>::quiet_NaN() << 100;
        QTest::newRow("infinite") << std::numeric_limits<double>::infinity() << 400;
    }

    void percentTenths() {
        QFETCH(double, percent);
        QFETCH(int, tenths);
        QCOMPARE(::percentTenths(percent, 100, 400), tenths);
    }

    void shifterPoints_data() {
        QTest::addColumn<int>("attack");
        QTest::addColumn<int>("hysteresis");
        QTest::addColumn<bool>("fits");
        QTest::newRow("20.0 against 40.0") << 200 << 400 << false;
        QTest::newRow("20.1 against 40.0") << 201 << 400 << true;
        QTest::newRow("15.0 against 40.0") << 150 << 400 << false;
        QTest::newRow("20.1 against 40.2") << 201 << 402 << false;
    }

    void shifterPoints() {
        QFETCH(int, attack);
        QFETCH(int, hysteresis);
        QFETCH(bool, fits);
        QCOMPARE(shifterPointsFit(attack, hysteresis), fits);
    }

    // Only updates with the raw clutch readings make a row of the log.
    void logRows_data() {
        QTest::addColumn<int>("auxType");
        QTest::addColumn<QByteArray>("row");
        QTest::newRow("raw clutch readings")
            << int(kAuxClutchRaw) << QByteArray("1700000000000000,250,32768,65535,4660,22136\r\n");
        QTest::newRow("raw shifter readings") << int(kAuxShifterRaw) << QByteArray();
        QTest::newRow("battery") << int(kAuxBattery) << QByteArray();
    }

    void logRows() {
        QFETCH(int, auxType);
        QFETCH(QByteArray, row);
        QCOMPARE(buttonPlateLogHeader(), QByteArray("Time,dt,x,y,x_raw,y_raw\r\n"));
        TarnUsbBleButtonPlateJoystickUpdate update{};
        update.leftClutch = 32768;
        update.rightClutch = 65535;
        update.auxType = uint8_t(auxType);
        const uint8_t aux[4] = {0x34, 0x12, 0x78, 0x56};
        std::memcpy(update.aux, aux, sizeof aux);
        QCOMPARE(buttonPlateLogRow(update, 1700000000000000ull, 250), row);
    }

    // The auxiliary bytes are little-endian whatever the host does.
    void auxValues() {
        TarnUsbBleButtonPlateJoystickUpdate update{};
        const uint8_t bytes[4] = {0x00, 0x00, 0x16, 0x42}; // 37.5f
        std::memcpy(update.aux, bytes, sizeof bytes);
        QCOMPARE(auxFloat(update), 37.5f);
        QCOMPARE(auxWord(update, 1), uint16_t(0x4216));
        QCOMPARE(auxLong(update), 0x42160000u);
    }
};

QTEST_MAIN(TestButtonPlateTexts)
#include "tst_buttonplatetexts.moc"
