// The pedals page's texts and conversions: telemetry, curve points and force scale. The texts
// the page shows of a live report and of a curve point are checked there (tst_pedalspage).

#include "pedals/pedalstexts.h"

#include <QtTest>

#include <array>

class TestPedalsTexts : public QObject {
    Q_OBJECT

private slots:
    // A reading below the centre is negative; any non-zero flag reads as connected.
    void texts() {
        QCOMPARE(pedalRawText("X raw: ", 0), QString("X raw: -8388608 (-390.6%)"));
        QCOMPARE(pedalConnectedText("Y connected: ", 2), QString("Y connected: True"));
    }

    // A moved point is held between its neighbours; the reset moves bring any curve back to the
    // straight one. A point moved above the next and the reset of an all-zero curve are checked on
    // the page (tst_pedalspage).
    void curvePoints() {
        using Curve = std::array<uint8_t, 6>;
        const Curve straight{0, 20, 40, 60, 80, 100};
        const struct {
            const char* name;
            Curve curve;
            int point, value, allowed;
        } rows[] = {{"within", straight, 2, 50, 50},
                    {"below the last", straight, 2, 10, 20},
                    {"first point up to the second", straight, 0, 30, 20},
                    {"last point down to the fifth", straight, 5, 70, 80},
                    {"neighbours out of order", {0, 70, 40, 60, 80, 100}, 2, 55, 70},
                    {"neighbour above 100", {200, 20, 40, 60, 80, 100}, 1, 10, 100},
                    {"above the default", {50, 90, 95, 99, 100, 100}, 1, 10, 50}};
        for (const auto& row : rows) {
            uint8_t raw[6];
            std::copy(row.curve.begin(), row.curve.end(), raw);
            QVERIFY2(clampCurvePoint(raw, row.point, row.value) == row.allowed, row.name);
            for (const auto& move : curveResetMoves())
                raw[move.first] = uint8_t(clampCurvePoint(raw, move.first, move.second));
            QVERIFY2(std::equal(raw, raw + 6, straight.begin()), row.name);
        }
    }

    // Shown with one decimal, a stored value reads back as the same raw value. A maximum and a
    // minimum keep 10 raw units apart.
    void forceAdjustments() {
        for (const auto& [percent, raw] : {std::pair{0.0, 0}, {0.1, 65}, {50.0, 32767}}) {
            const QByteArray row = QByteArray::number(percent);
            QVERIFY2(forceRawFromPercent(percent) == raw, row);
            const double shown =
                QString::number(forcePercentShown(uint16_t(raw)), 'f', 1).toDouble();
            QVERIFY2(shown == percent && forceRawFromPercent(shown) == raw, row);
        }
        QVERIFY(!forceRangeAllowed(109, 100));
        QVERIFY(forceRangeAllowed(110, 100));
        QCOMPARE(forcePercentRestored(65535), 100.0);
    }
};

QTEST_GUILESS_MAIN(TestPedalsTexts)
#include "tst_pedalstexts.moc"
