// The button-plate page's rules on their own: live texts, slider tenths, the shifter rule, log
// rows, auxiliary values and the hall-sensor wizard's steps, texts and refused readings.

#include "buttonplate/buttonplatelogrows.h"
#include "buttonplate/buttonplaterecords.h"
#include "buttonplate/buttonplatetexts.h"
#include "buttonplate/hallsensorcalibration.h"

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
        const struct {
            const char* name;
            double percent;
            int tenths;
        } rows[] = {{"37.3 as a float", double(37.3f), 373},
                    {"not a number", nan, 100},
                    {"above the range", 55.5, 400}};
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

    void wizardWalksFourSamplesThenTheSave() {
        ClutchPaddleCalibration wizard;
        QCOMPARE(int(wizard.prev()), 0);
        for (int step = 1; step <= 4; ++step)
            QCOMPARE(int(wizard.next()), step);
        QCOMPARE(int(wizard.next()), 4);
        QCOMPARE(int(wizard.prev()), 3);
    }

    void wizardTexts_data() {
        QTest::addColumn<bool>("shifter");
        QTest::addColumn<int>("step");
        QTest::addColumn<QString>("text");
        QTest::newRow("clutch 1") << false << 1
                                  << "Release the Left Clutch paddle to the neutral position.";
        QTest::newRow("clutch 2") << false << 2
                                  << "Press the Right Clutch paddle with desired maximum force.";
        QTest::newRow("clutch 4") << false << 4
                                  << "Press save to store the new calibration settings.";
        QTest::newRow("clutch 5") << false << 5 << "Wrong value!";
        QTest::newRow("shifter 3")
            << true << 3 << "Release the Right Paddle shifter to the neutral position.";
    }
    void wizardTexts() {
        QFETCH(bool, shifter);
        QFETCH(int, step);
        QFETCH(QString, text);
        ClutchPaddleCalibration clutch;
        PaddleShifterCalibration shifters;
        PaddlesCalibration& wizard = shifter ? static_cast<PaddlesCalibration&>(shifters) : clutch;
        wizard.step = HallSensorCalibrationStep(step);
        QCOMPARE(wizard.stepText(), text);
    }

    // A released reading may equal the pressed one, never exceed it; the record holds 40000,
    // 30000 pressed and 1, 2 released.
    void wizardReadings() {
        const struct {
            const char* name;
            int step, value;
            bool taken;
        } rows[] = {{"left pressed", 0, 60000, true},
                    {"left released, equal", 1, 40000, true},
                    {"left released, one above", 1, 40001, false},
                    {"right pressed", 2, 0, true},
                    {"right released, one above", 3, 30001, false},
                    {"save step", 4, 65535, true}};
        for (const auto& row : rows) {
            PaddleShifterCalibration wizard;
            wizard.record = {40000, 30000, 1, 2};
            TarnUsbBlePaddlesCalibration expected = wizard.record;
            wizard.step = HallSensorCalibrationStep(row.step);
            QVERIFY2(wizard.setValue(row.value) == row.taken, row.name);
            uint16_t* fields[] = {&expected.leftMax, &expected.leftMin, &expected.rightMax,
                                  &expected.rightMin};
            if (row.taken && row.step < 4)
                *fields[row.step] = uint16_t(row.value);
            QVERIFY2(std::memcmp(&wizard.record, &expected, sizeof expected) == 0, row.name);
        }
    }
};

QTEST_GUILESS_MAIN(TestButtonPlateTexts)
#include "tst_buttonplatetexts.moc"
