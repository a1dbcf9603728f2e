// What the pedals page shows and converts, without a window: the output and telemetry texts,
// the curve points' neighbour rule and reset, and the force adjustments' percent scale.

#include "pedals/pedalstexts.h"

#include <QtTest>

#include <array>

using Curve = std::array<uint8_t, 6>;
Q_DECLARE_METATYPE(Curve)

class TestPedalsTexts : public QObject {
    Q_OBJECT

private slots:
    void texts_data() {
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("expected");
        QTest::newRow("output 0") << pedalOutputPercentText(0) << "0.0%";
        QTest::newRow("output half") << pedalOutputPercentText(32767) << "50.0%";
        QTest::newRow("output full") << pedalOutputPercentText(65535) << "100.0%";
        QTest::newRow("debug output")
            << pedalOutputDebugText("Brake: ", 24575) << "Brake: 24575 (37.5%)";
        QTest::newRow("raw at the centre") << pedalRawText("X raw: ", 8388608) << "X raw: 0 (0.0%)";
        QTest::newRow("raw above")
            << pedalRawText("Y raw: ", 8388608 + 1073725) << "Y raw: 1073725 (50.0%)";
        QTest::newRow("raw below")
            << pedalRawText("Z raw: ", 8388608 - 214745) << "Z raw: -214745 (-10.0%)";
        QTest::newRow("raw 0") << pedalRawText("X raw: ", 0) << "X raw: -8388608 (-390.6%)";
        QTest::newRow("connected") << pedalConnectedText("X connected: ", 1) << "X connected: True";
        QTest::newRow("connected 2")
            << pedalConnectedText("Y connected: ", 2) << "Y connected: True";
        QTest::newRow("not connected")
            << pedalConnectedText("Z connected: ", 0) << "Z connected: False";
        QTest::newRow("curve point") << curvePointText(40) << "40%";
    }
    void texts() {
        QFETCH(QString, shown);
        QFETCH(QString, expected);
        QCOMPARE(shown, expected);
    }

    void curvePointStaysBetweenItsNeighbours_data() {
        QTest::addColumn<Curve>("curve");
        QTest::addColumn<int>("point");
        QTest::addColumn<int>("value");
        QTest::addColumn<int>("allowed");
        const Curve straight{0, 20, 40, 60, 80, 100};
        QTest::newRow("within") << straight << 2 << 50 << 50;
        QTest::newRow("above the next") << straight << 2 << 70 << 60;
        QTest::newRow("below the last") << straight << 2 << 10 << 20;
        QTest::newRow("first point up to the second") << straight << 0 << 30 << 20;
        QTest::newRow("last point down to the fifth") << straight << 5 << 70 << 80;
        QTest::newRow("neighbours out of order") << Curve{0, 70, 40, 60, 80, 100} << 2 << 55 << 70;
        QTest::newRow("neighbour above 100") << Curve{0, 20, 40, 60, 80, 200} << 4 << 100 << 100;
    }
    void curvePointStaysBetweenItsNeighbours() {
        QFETCH(Curve, curve);
        QFETCH(int, point);
        QFETCH(int, value);
        QFETCH(int, allowed);
        uint8_t raw[6];
        std::copy(curve.begin(), curve.end(), raw);
        QCOMPARE(clampCurvePoint(raw, point, value), allowed);
    }

    void resetGivesTheStraightCurve_data() {
        QTest::addColumn<Curve>("curve");
        QTest::newRow("all 0") << Curve{0, 0, 0, 0, 0, 0};
        QTest::newRow("all 100") << Curve{100, 100, 100, 100, 100, 100};
        QTest::newRow("progressive") << Curve{0, 8, 20, 38, 64, 100};
        QTest::newRow("above the default") << Curve{50, 90, 95, 99, 100, 100};
    }
    void resetGivesTheStraightCurve() {
        QFETCH(Curve, curve);
        uint8_t raw[6];
        std::copy(curve.begin(), curve.end(), raw);
        for (const auto& move : curveResetMoves())
            raw[move.first] = uint8_t(clampCurvePoint(raw, move.first, move.second));
        QCOMPARE(Curve({raw[0], raw[1], raw[2], raw[3], raw[4], raw[5]}),
                 Curve({0, 20, 40, 60, 80, 100}));
    }

    void forceScale_data() {
        QTest::addColumn<double>("percent");
        QTest::addColumn<int>("raw");
        QTest::newRow("0.0 %") << 0.0 << 0;
        QTest::newRow("0.1 %") << 0.1 << 65;
        QTest::newRow("50.0 %") << 50.0 << 32767;
        QTest::newRow("100.0 %") << 100.0 << 65535;
    }
    void forceScale() {
        QFETCH(double, percent);
        QFETCH(int, raw);
        QCOMPARE(forceRawFromPercent(percent), raw);
        // Shown with one decimal, a stored value reads back as the same raw value.
        const double shown = QString::number(forcePercentShown(uint16_t(raw)), 'f', 1).toDouble();
        QCOMPARE(shown, percent);
        QCOMPARE(forceRawFromPercent(shown), raw);
    }

    void forceRangeKeepsTenUnits() {
        QVERIFY(!forceRangeAllowed(0, 0));
        QVERIFY(!forceRangeAllowed(109, 100));
        QVERIFY(forceRangeAllowed(110, 100));
        QVERIFY(forceRangeAllowed(65, 0));
        QCOMPARE(forcePercentRestored(65535), 100.0);
    }
};

QTEST_GUILESS_MAIN(TestPedalsTexts)
#include "tst_pedalstexts.moc"
