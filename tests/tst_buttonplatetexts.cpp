// The button-plate page's rules on their own: slider tenths, the shifter rule and the hall-sensor
// wizard's steps, texts and refused readings (its log rows: tst_telemetrylog). The live texts and
// the little-endian auxiliary values are checked on the page (tst_buttonplatepage), which shows
// each of them.

#include "buttonplate/buttonplaterecords.h"
#include "buttonplate/buttonplatetexts.h"
#include "buttonplate/hallsensorcalibration.h"

#include <QtTest>

#include <cstring>
#include <limits>

class TestButtonPlateTexts : public QObject {
    Q_OBJECT

private slots:
    // A stored float is shown at its nearest tenth (a stored 37.3 on the page), within the
    // slider's range 10.0 to 40.0.
    void percentTenths() {
        const double nan = std::numeric_limits<double>::quiet_NaN();
        const struct {
            const char* name;
            double percent;
            int tenths;
        } rows[] = {{"not a number", nan, 100}, {"above the range", 55.5, 400}};
        for (const auto& row : rows)
            QVERIFY2(::percentTenths(row.percent, 100, 400) == row.tenths, row.name);
    }

    // The attack point stays strictly above half the hysteresis.
    void shifterPoints() {
        QVERIFY(!shifterPointsFit(200, 400));
        QVERIFY(shifterPointsFit(201, 400));
        QVERIFY(!shifterPointsFit(201, 402));
    }

    void wizardWalksFourSamplesThenTheSave() {
        ClutchPaddleCalibration wizard;
        QCOMPARE(int(wizard.prev()), 0);
        for (int step = 1; step <= 4; ++step)
            QCOMPARE(int(wizard.next()), step);
        QCOMPARE(int(wizard.next()), 4);
        QCOMPARE(int(wizard.prev()), 3);
    }

    void wizardTexts() {
        ClutchPaddleCalibration clutch;
        PaddleShifterCalibration shifters;
        const struct {
            PaddlesCalibration& wizard;
            int step;
            const char* text;
        } rows[] = {{clutch, 1, "Release the Left Clutch paddle to the neutral position."},
                    {clutch, 2, "Press the Right Clutch paddle with desired maximum force."},
                    {clutch, 4, "Press save to store the new calibration settings."},
                    {clutch, 5, "Wrong value!"},
                    {shifters, 3, "Release the Right Paddle shifter to the neutral position."}};
        for (const auto& row : rows) {
            row.wizard.step = HallSensorCalibrationStep(row.step);
            QCOMPARE(row.wizard.stepText(), QString(row.text));
        }
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
