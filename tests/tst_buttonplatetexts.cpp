// The button-plate page's texts and conversions, on their own: the live labels, a percentage on
// a slider of tenths, the shifter rule, the log rows and the auxiliary values.

#include "buttonplate/buttonplatelogrows.h"
#include "buttonplate/buttonplaterecords.h"
#include "buttonplate/buttonplatetexts.h"

#include <QtTest>

#include <cstring>

#include <limits>

class TestButtonPlateTexts : public QObject {
    Q_OBJECT

private slots:
    void liveTexts_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        QTest::newRow("button 64") << buttonsText(uint64_t(1) << 63) << "Buttons: 8000000000000000";
        QTest::newRow("axis half")
            << axisText("Left Clutch (X axis): ", 32768) << "Left Clutch (X axis): 32768 (50.0%)";
        QTest::newRow("axis zero") << axisText("X: ", 0) << "X: 0 (0.0%)";
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

    // A stored float is shown at its nearest tenth, within the slider's range 10.0 to 40.0.
    void percentTenths() {
        const double nan = std::numeric_limits<double>::quiet_NaN();
        const double infinity = std::numeric_limits<double>::infinity();
        const struct {
            const char* name;
            double percent;
            int tenths;
        } rows[] = {{"37.5", double(37.5f), 375},
                    {"37.3 as a float", double(37.3f), 373},
                    {"20.1 as a float", double(20.1f), 201},
                    {"below the range", 5.0, 100},
                    {"above the range", 55.5, 400},
                    {"not a number", nan, 100},
                    {"infinite", infinity, 400}};
        for (const auto& row : rows)
            QVERIFY2(::percentTenths(row.percent, 100, 400) == row.tenths, row.name);
    }

    // The attack point stays strictly above half the hysteresis.
    void shifterPoints() {
        QVERIFY(!shifterPointsFit(200, 400));
        QVERIFY(shifterPointsFit(201, 400));
        QVERIFY(!shifterPointsFit(201, 402));
    }

    // Only updates with the raw clutch readings make a row of the log.
    void logRows() {
        QCOMPARE(buttonPlateLogHeader(), QByteArray("Time,dt,x,y,x_raw,y_raw\r\n"));
        TarnUsbBleButtonPlateJoystickUpdate update{
            32768, 65535, 0, kAuxClutchRaw, {0x34, 0x12, 0x78, 0x56}};
        QCOMPARE(buttonPlateLogRow(update, 1700000000000000ull, 250),
                 QByteArray("1700000000000000,250,32768,65535,4660,22136\r\n"));
        update.auxType = kAuxShifterRaw;
        QCOMPARE(buttonPlateLogRow(update, 1700000000000000ull, 250), QByteArray());
    }

    // The auxiliary bytes are little-endian whatever the host does.
    void auxValues() {
        TarnUsbBleButtonPlateJoystickUpdate update{
            0, 0, 0, kAuxBitePoint, {0x00, 0x00, 0x16, 0x42}};
        QCOMPARE(auxFloat(update), 37.5f);
        QCOMPARE(auxWord(update, 1), uint16_t(0x4216));
        QCOMPARE(auxLong(update), 0x42160000u);
    }
};

QTEST_GUILESS_MAIN(TestButtonPlateTexts)
#include "tst_buttonplatetexts.moc"
