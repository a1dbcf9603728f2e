// The rim picture of the wheel-base page and its rotation.

#include "wheelbase/wheelbaserim.h"

#include <QtMath>
#include <QtTest>

#include <cmath>

namespace {

// Full size and the size the page shows it at.
constexpr int kSide = 512;

// The marker at the top centre of the rim is the only orange on the grip.
bool isMarker(QRgb pixel) {
    return qAlpha(pixel) == 255 && qRed(pixel) > 200 && qGreen(pixel) > 80 && qGreen(pixel) < 170 &&
           qBlue(pixel) < 90;
}

// Where the marker sits on the grip, a point midway across the ring, turned by `degrees`
// clockwise about the centre of a square picture of side `size`.
QPoint markerPoint(int size, int degrees) {
    const double radius = size * 0.43;
    const double angle = qDegreesToRadians(double(degrees));
    return QPoint(qRound(size / 2.0 + radius * std::sin(angle)),
                  qRound(size / 2.0 - radius * std::cos(angle)));
}

} // namespace

class TestWheelBaseRim : public QObject {
    Q_OBJECT

private slots:
    void pictureIsSquareWithTransparentCorners();
    void markerAtTopCentre();
    void rotation_data();
    void rotation();
};

void TestWheelBaseRim::pictureIsSquareWithTransparentCorners() {
    const QImage rim = rimPicture(kSide).toImage();
    QVERIFY(!rim.isNull());
    QCOMPARE(rim.width(), rim.height());
    QVERIFY(rim.hasAlphaChannel());
    for (QPoint corner : {QPoint(0, 0), QPoint(rim.width() - 1, 0), QPoint(0, rim.height() - 1),
                          QPoint(rim.width() - 1, rim.height() - 1)})
        QCOMPARE(qAlpha(rim.pixel(corner)), 0);
}

void TestWheelBaseRim::markerAtTopCentre() {
    const QImage rim = rimPicture(kSide).toImage();
    QVERIFY(isMarker(rim.pixel(markerPoint(rim.width(), 0))));
    QVERIFY(!isMarker(rim.pixel(markerPoint(rim.width(), 90))));
    QVERIFY(!isMarker(rim.pixel(markerPoint(rim.width(), -90))));
}

void TestWheelBaseRim::rotation_data() {
    QTest::addColumn<int>("angle");
    QTest::newRow("0") << 0;
    QTest::newRow("90 clockwise") << 90;
    QTest::newRow("45 anticlockwise") << -45;
    QTest::newRow("449, past a full turn") << 449;
}

void TestWheelBaseRim::rotation() {
    QFETCH(int, angle);
    const QPixmap rim = rimPicture(kSide);
    const QImage turned = rotatedRim(rim, angle).toImage();
    QCOMPARE(turned.size(), rim.size());
    QCOMPARE(qAlpha(turned.pixel(0, 0)), 0);
    QVERIFY(isMarker(turned.pixel(markerPoint(turned.width(), angle))));
    QVERIFY(!isMarker(turned.pixel(markerPoint(turned.width(), angle + 90))));
    QVERIFY(!isMarker(turned.pixel(markerPoint(turned.width(), angle + 180))));
}

QTEST_MAIN(TestWheelBaseRim)
#include "tst_wheelbaserim.moc"
