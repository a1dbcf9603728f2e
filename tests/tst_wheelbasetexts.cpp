// What the wheel-base page shows, computed without widgets: the rim angle, the refresh limit, the
// centre offset, motor state, fault and telemetry texts, and the rim picture turned by the angle.
// The value labels' texts are checked on the page (tst_wheelbasepage).

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
    // overflowing (full scale on 900 degrees: tst_wheelbasepage); a refresh at most every 16 ms of
    // the low 32 bits of the wall clock, across their wrap.
    void rimAngleAndRefresh() {
        const Row<int> rows[] = {
            {"most negative", rimAngleDegrees(-32768, 900), -450},
            {"three truncates twice", rimAngleDegrees(3, 32767), 1},
            {"negative truncates toward zero", rimAngleDegrees(-7283, 1080), -120},
            {"wrapping product", rimAngleDegrees(32767, 200000),
             int32_t(uint32_t(16383) * uint32_t(200000)) / 32767},
            {"15 ms", wheelBaseRefreshDue(1015, 1000), false},
            {"16 ms", wheelBaseRefreshDue(1016, 1000), true},
            {"across the wrap, 10 ms", wheelBaseRefreshDue(4, 0xFFFFFFFAu), false},
            {"across the wrap, 20 ms", wheelBaseRefreshDue(14, 0xFFFFFFFAu), true},
            {"clock went back", wheelBaseRefreshDue(990, 1000), true},
            {"the clock's low 32 bits", int(wheelBaseClockMs(1765000000123456ull)),
             int(uint32_t(1765000000123ull & 0xFFFFFFFFull))},
        };
        for (const Row<int>& row : rows)
            QVERIFY2(row.actual == row.expected, row.name);
    }

    void texts() {
        QStringList motorStates;
        for (uint8_t state = 0; state <= 6; ++state)
            motorStates << motorStateText(state);
        const Row<QString> rows[] = {
            {"centre offset", centerOffsetText(0.0123f) + centerOffsetText(-0.1f),
             "4.43 deg-36.00 deg"},
            {"motor states", motorStates.join('|'),
             "Uninitialized|Stopped|Alignment|Fault|Running|Locked Test|6"},
            {"no fault", faultsText(0), "0"},
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
        const TarnUsbWheelBaseDebugOutput output{
            0, 123456, 4,   -3, 12.345f, -1000, 0.5f, -7.126f, ~uint64_t(0),
            2, 7,      155, -5, -128,    40,    55,   60,      71};
        const WheelBaseTelemetryTexts t = telemetryTexts(output);
        QCOMPARE(QStringList({t.ticks, t.motorState, t.encoderState, t.bisscRaw, t.currentFaults,
                              t.clearedFaults, t.motorAngle, t.encoderRaw, t.ffbIn, t.ffbOut,
                              t.maxMotorCurrent, t.psuCurrent, t.motorCurrent, t.psuTemperature,
                              t.motorTemperature, t.brakeTemperature, t.powerstageTemperature}),
                 QStringList({"123456", "Running", "-3", "1777777777777777777777",
                              "2 (Alignment error)", "7", "12.35", "-1000", "0.50", "-7.13", "15.5",
                              "-0.5", "-25.6", "40", "55", "60", "71"}));
    }

    // A square picture with transparent corners, the marker at the top centre; turned clockwise
    // about its centre on a picture of the same size.
    void rim() {
        const QPixmap rim = rimPicture(512);
        const QImage picture = rim.toImage();
        QVERIFY(picture.hasAlphaChannel() && picture.width() == 512 && picture.height() == 512);
        for (QPoint corner : {QPoint(0, 0), QPoint(511, 0), QPoint(0, 511), QPoint(511, 511)})
            QCOMPARE(qAlpha(picture.pixel(corner)), 0);
        QVERIFY(markerAt(picture, 0) && !markerAt(picture, 90) && !markerAt(picture, -90));
        for (int angle : {90, -45}) {
            const QImage turned = rotatedRim(rim, angle).toImage();
            QCOMPARE(turned.size(), rim.size());
            QCOMPARE(qAlpha(turned.pixel(0, 0)), 0);
            QVERIFY2(markerAt(turned, angle) && !markerAt(turned, angle + 90) &&
                         !markerAt(turned, angle + 180),
                     qPrintable(QString::number(angle)));
        }
    }
};

QTEST_MAIN(TestWheelBaseTexts)
#include "tst_wheelbasetexts.moc"
