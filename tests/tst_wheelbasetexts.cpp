// What the wheel-base page shows, computed without widgets: the value and telemetry texts, the
// rim angle and its picture turned by it, and the refresh limit.

#include "wheelbase/wheelbaserim.h"
#include "wheelbase/wheelbasetexts.h"

#include <QtMath>
#include <QtTest>

#include <cmath>

namespace {

template <class T> struct Row {
    const char* name;
    T actual;
    T expected;
};

// The marker at the top centre of the rim is the only orange on the grip.
bool isMarker(QRgb pixel) {
    return qAlpha(pixel) == 255 && qRed(pixel) > 200 && qGreen(pixel) > 80 && qGreen(pixel) < 170 &&
           qBlue(pixel) < 90;
}

// Whether the marker sits at a point midway across the ring, turned by `degrees` clockwise
// about the centre of a square picture.
bool markerAt(const QImage& picture, int degrees) {
    const double radius = picture.width() * 0.43;
    const double angle = qDegreesToRadians(double(degrees));
    return isMarker(picture.pixel(qRound(picture.width() / 2.0 + radius * std::sin(angle)),
                                  qRound(picture.width() / 2.0 - radius * std::cos(angle))));
}

} // namespace

class TestWheelBaseTexts : public QObject {
    Q_OBJECT

private slots:
    // trunc(trunc(axis / 2) * rotation / 32767) in 32-bit arithmetic, wrapping instead of
    // overflowing.
    void rimAngle() {
        const Row<int> rows[] = {
            {"full right", rimAngleDegrees(32767, 900), 449},
            {"full left", rimAngleDegrees(-32767, 900), -449},
            {"most negative", rimAngleDegrees(-32768, 900), -450},
            {"one", rimAngleDegrees(1, 900), 0},
            {"minus one", rimAngleDegrees(-1, 900), 0},
            {"three truncates twice", rimAngleDegrees(3, 32767), 1},
            {"quarter", rimAngleDegrees(16384, 900), 225},
            {"negative truncates toward zero", rimAngleDegrees(-16384, 900), -225},
            {"odd axis", rimAngleDegrees(-7283, 1080), -120},
            {"widest range", rimAngleDegrees(32767, 9999), 4999},
            {"narrowest range", rimAngleDegrees(32767, 180), 89},
            {"wrapping product", rimAngleDegrees(32767, 200000),
             int32_t(uint32_t(16383) * uint32_t(200000)) / 32767},
        };
        for (const Row<int>& row : rows)
            QVERIFY2(row.actual == row.expected, row.name);
    }

    // At most every 16 ms of the low 32 bits of the wall clock, across their wrap.
    void refreshDue() {
        const Row<bool> rows[] = {
            {"same time", wheelBaseRefreshDue(1000, 1000), false},
            {"15 ms", wheelBaseRefreshDue(1015, 1000), false},
            {"16 ms", wheelBaseRefreshDue(1016, 1000), true},
            {"a second", wheelBaseRefreshDue(2000, 1000), true},
            {"across the wrap, 10 ms", wheelBaseRefreshDue(4, 0xFFFFFFFAu), false},
            {"across the wrap, 20 ms", wheelBaseRefreshDue(14, 0xFFFFFFFAu), true},
            {"clock went back", wheelBaseRefreshDue(990, 1000), true},
            {"the clock's low 32 bits",
             wheelBaseClockMs(1765000000123456ull) == uint32_t(1765000000123ull & 0xFFFFFFFFull),
             true},
            {"under a millisecond", wheelBaseClockMs(999) == 0, true},
        };
        for (const Row<bool>& row : rows)
            QVERIFY2(row.actual == row.expected, row.name);
    }

    void texts() {
        const Row<QString> rows[] = {
            {"percent", percentText(0) + " " + percentText(80), "0% 80%"},
            {"number", numberText(5), "5"},
            {"centre offset", centerOffsetText(0.0f), "0.00 deg"},
            {"a quarter turn", centerOffsetText(0.25f), "90.00 deg"},
            {"negative", centerOffsetText(-0.1f), "-36.00 deg"},
            {"rounded", centerOffsetText(0.0123f), "4.43 deg"},
            {"motor states",
             motorStateText(0) + "|" + motorStateText(1) + "|" + motorStateText(2) + "|" +
                 motorStateText(3) + "|" + motorStateText(4) + "|" + motorStateText(5),
             "Uninitialized|Stopped|Alignment|Fault|Running|Locked Test"},
            {"unnamed motor states", motorStateText(6) + "|" + motorStateText(65535), "6|65535"},
            {"no fault", faultsText(0), "0"},
            {"faults 5", faultsText(5), "5 (Encoder error, Reference error)"},
            {"faults 0x101", faultsText(0x101), "257 (Encoder error, Electrical stop)"},
            {"unnamed fault only", faultsText(0x200), "512"},
            {"all faults", faultsText(0xFFFFFFFF),
             "4294967295 (Encoder error, Alignment error, Reference error, Brake overtemp, "
             "Mechanical limits error, Overcurrent, Overvoltage, Undervoltage, Electrical stop)"},
        };
        for (const Row<QString>& row : rows)
            QCOMPARE(row.actual, row.expected);
    }

    // The seventeen labels of the Debug tab; currents in tenths (the motor's in fifths) of an
    // ampere, signed.
    void telemetry() {
        const TarnUsbWheelBaseDebugOutput output{0,    123456,  4,     -3, 12.345f, -1000,
                                                 0.5f, -7.126f, 0x1FF, 2,  7,       155,
                                                 42,   33,      40,    55, 60,      71};
        const WheelBaseTelemetryTexts t = telemetryTexts(output);
        QCOMPARE(
            QStringList({t.ticks, t.motorState, t.encoderState, t.bisscRaw, t.currentFaults,
                         t.clearedFaults, t.motorAngle, t.encoderRaw, t.ffbIn, t.ffbOut,
                         t.maxMotorCurrent, t.psuCurrent, t.motorCurrent, t.psuTemperature,
                         t.motorTemperature, t.brakeTemperature, t.powerstageTemperature}),
            QStringList({"123456", "Running", "-3", "777", "2 (Alignment error)", "7", "12.35",
                         "-1000", "0.50", "-7.13", "15.5", "4.2", "6.6", "40", "55", "60", "71"}));
        const TarnUsbWheelBaseDebugOutput negative{0, 0, 0, 0,  0,    0, 0, 0, ~uint64_t(0),
                                                   0, 0, 0, -5, -128, 0, 0, 0, 0};
        const WheelBaseTelemetryTexts n = telemetryTexts(negative);
        QCOMPARE(QStringList({n.psuCurrent, n.motorCurrent, n.bisscRaw, n.motorState}),
                 QStringList({"-0.5", "-25.6", "1777777777777777777777", "Uninitialized"}));
    }

    // A square picture with transparent corners, the marker at the top centre; turned clockwise
    // about its centre on a picture of the same size.
    void rim_data() {
        QTest::addColumn<int>("angle");
        QTest::newRow("0") << 0;
        QTest::newRow("90 clockwise") << 90;
        QTest::newRow("45 anticlockwise") << -45;
        QTest::newRow("449, past a full turn") << 449;
    }

    void rim() {
        QFETCH(int, angle);
        const QPixmap rim = rimPicture(512);
        const QImage picture = rim.toImage();
        QVERIFY(picture.hasAlphaChannel() && picture.width() == 512 && picture.height() == 512);
        for (QPoint corner : {QPoint(0, 0), QPoint(511, 0), QPoint(0, 511), QPoint(511, 511)})
            QCOMPARE(qAlpha(picture.pixel(corner)), 0);
        QVERIFY(markerAt(picture, 0) && !markerAt(picture, 90) && !markerAt(picture, -90));
        const QImage turned = rotatedRim(rim, angle).toImage();
        QCOMPARE(turned.size(), rim.size());
        QCOMPARE(qAlpha(turned.pixel(0, 0)), 0);
        QVERIFY(markerAt(turned, angle));
        QVERIFY(!markerAt(turned, angle + 90) && !markerAt(turned, angle + 180));
    }
};

QTEST_MAIN(TestWheelBaseTexts)
#include "tst_wheelbasetexts.moc"
