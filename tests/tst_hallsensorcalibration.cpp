// The hall-sensor wizard on its own: its walk through the five steps, its texts for each paddle
// pair, and which readings it takes or refuses.

#include "buttonplate/hallsensorcalibration.h"

#include <QtTest>

#include <cstring>

class TestHallSensorCalibration : public QObject {
    Q_OBJECT

private slots:
    void walksFourSamplesThenTheSave() {
        ClutchPaddleCalibration wizard;
        QVERIFY(!wizard.running);
        QCOMPARE(int(wizard.prev()), 0);
        for (int step = 1; step <= 4; ++step)
            QCOMPARE(int(wizard.next()), step);
        QCOMPARE(int(wizard.next()), 4);
        QCOMPARE(int(wizard.prev()), 3);
    }

    void texts_data() {
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
        QTest::newRow("shifter 0")
            << true << 0 << "Press the Left Paddle shifter with desired maximum force.";
        QTest::newRow("shifter 3")
            << true << 3 << "Release the Right Paddle shifter to the neutral position.";
    }
    void texts() {
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
    void readings() {
        const struct {
            const char* name;
            int step, value;
            bool taken;
        } rows[] = {{"left pressed", 0, 60000, true},
                    {"left released, equal", 1, 40000, true},
                    {"left released, one above", 1, 40001, false},
                    {"right pressed", 2, 0, true},
                    {"right released, equal", 3, 30000, true},
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

QTEST_GUILESS_MAIN(TestHallSensorCalibration)
#include "tst_hallsensorcalibration.moc"
