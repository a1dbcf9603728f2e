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
        QCOMPARE(::percentTenths(std::numeric_limits<double>::quiet_NaN(), 100, 400), 100);
        QCOMPARE(::percentTenths(55.5, 100, 400), 400);
    }

    // The attack point stays strictly above half the hysteresis.
    void shifterPoints() {
        QVERIFY(!shifterPointsFit(200, 400));
        QVERIFY(shifterPointsFit(201, 400));
        QVERIFY(!shifterPointsFit(201, 402));
    }

    // Four samples, then the save; neither end is passed. The first step's text and the shifters'
    // name in the texts are checked on the page (tst_buttonplatepage).
    void wizardStepsAndTexts() {
        ClutchPaddleCalibration wizard;
        QCOMPARE(int(wizard.prev()), 0);
        const char* texts[] = {"Release the Left Clutch paddle to the neutral position.",
                               "Press the Right Clutch paddle with desired maximum force.",
                               "Release the Right Clutch paddle to the neutral position.",
                               "Press save to store the new calibration settings."};
        for (int step = 1; step <= 4; ++step) {
            QCOMPARE(int(wizard.next()), step);
            QCOMPARE(wizard.stepText(), QString(texts[step - 1]));
        }
        QCOMPARE(int(wizard.next()), 4);
        QCOMPARE(int(wizard.prev()), 3);
        wizard.step = HallSensorCalibrationStep(5);
        QCOMPARE(wizard.stepText(), QString("Wrong value!"));
    }

    // Each sample fills its own field; a released reading may equal the pressed one, never
    // exceed it, and a refused one changes nothing. The save step takes any reading.
    void wizardReadings() {
        PaddleShifterCalibration wizard;
        QVERIFY(wizard.setValue(40000));
        wizard.step = kReleaseLeftPaddle;
        QVERIFY(wizard.setValue(40000));
        QVERIFY(!wizard.setValue(40001));
        wizard.step = kPressRightPaddle;
        QVERIFY(wizard.setValue(30000));
        wizard.step = kReleaseRightPaddle;
        QVERIFY(wizard.setValue(2));
        QVERIFY(!wizard.setValue(30001));
        wizard.step = kSavePaddles;
        QVERIFY(wizard.setValue(65535));
        const TarnUsbBlePaddlesCalibration expected{40000, 30000, 40000, 2};
        QCOMPARE(std::memcmp(&wizard.record, &expected, sizeof expected), 0);
    }
};

QTEST_GUILESS_MAIN(TestButtonPlateTexts)
#include "tst_buttonplatetexts.moc"
