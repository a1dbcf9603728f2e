// Draws the pictures of the application resources: rim.png, the steering-wheel rim as the driver
// sees it (turned by the wheel-base page), tarn-config.png, the application icon, with its
// smaller sizes for the desktop in icons/, and reset_button.png, the pedals page's "back to the
// straight curve" arrow.
// Built and run by drawimages.sh; the PNGs it writes are committed, so a build never runs it.

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QtMath>

#include <cstdio>

namespace {

const QColor kGrip(38, 40, 44);
const QColor kGripEdge(16, 17, 19);
const QColor kMarker(255, 122, 26);
const QColor kSpokeLight(196, 201, 208);
const QColor kSpokeDark(104, 110, 118);
// The icon theme's sizes below the 256-pixel tarn-config.png (resources/CMakeLists.txt installs
// them all).
const int kIconSizes[] = {16, 24, 32, 48, 64, 128};

// A path for the rim ring between two radii about the centre.
QPainterPath ring(QPointF centre, qreal outer, qreal inner) {
    QPainterPath path;
    path.addEllipse(centre, outer, outer);
    path.addEllipse(centre, inner, inner);
    return path;
}

// A spoke from the hub towards the rim along `angle` (degrees, 0 = right, clockwise), tapering
// from `hubWidth` at the hub to `rimWidth` where it meets the grip.
QPainterPath spoke(QPointF centre, qreal angle, qreal from, qreal to, qreal hubWidth,
                   qreal rimWidth) {
    QPainterPath path;
    path.moveTo(from, -hubWidth / 2);
    path.cubicTo(from + (to - from) * 0.6, -hubWidth / 2, to - 12, -rimWidth / 2, to,
                 -rimWidth / 2);
    path.lineTo(to, rimWidth / 2);
    path.cubicTo(to - 12, rimWidth / 2, from + (to - from) * 0.6, hubWidth / 2, from, hubWidth / 2);
    path.closeSubpath();
    QTransform placement;
    placement.translate(centre.x(), centre.y());
    placement.rotate(angle);
    return placement.map(path);
}

// The rim seen from the driver: grip ring with a marker at the top centre, three spokes (left,
// right, bottom) and the hub. Transparent outside the wheel.
QImage drawRim(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 512.0, size / 512.0);
    const QPointF c(256, 256);
    const qreal outer = 244, inner = 200, hub = 74;

    // Spokes first: the grip covers their ends.
    QLinearGradient metal(QPointF(0, 150), QPointF(0, 362));
    metal.setColorAt(0, kSpokeLight);
    metal.setColorAt(1, kSpokeDark);
    p.setPen(QPen(QColor(60, 64, 70), 2));
    p.setBrush(metal);
    QPainterPath spokes = spoke(c, 0, hub - 10, inner + 8, 92, 52)
                              .united(spoke(c, 180, hub - 10, inner + 8, 92, 52))
                              .united(spoke(c, 90, hub - 10, inner + 8, 70, 40));
    p.drawPath(spokes);
    // Lightening holes in the side spokes.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 0));
    p.setCompositionMode(QPainter::CompositionMode_Clear);
    for (int side : {-1, 1}) {
        p.drawRoundedRect(QRectF(c.x() + side * 138 - 24, c.y() - 13, 48, 26), 13, 13);
    }
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);

    // Grip ring with a soft radial shading, darker at both edges.
    QRadialGradient grip(c, outer);
    grip.setColorAt(inner / outer, kGripEdge);
    grip.setColorAt((inner + 12) / outer, kGrip.lighter(125));
    grip.setColorAt((outer - 16) / outer, kGrip);
    grip.setColorAt(1.0, kGripEdge);
    p.setBrush(grip);
    p.setPen(QPen(QColor(8, 8, 10), 2));
    p.drawPath(ring(c, outer, inner));

    // Thumb grips where the hands rest, a shade lighter.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 18));
    for (qreal angle : {-22.0, 158.0}) {
        QPainterPath arc;
        arc.arcMoveTo(QRectF(c.x() - outer + 6, c.y() - outer + 6, 2 * outer - 12, 2 * outer - 12),
                      angle);
        arc.arcTo(QRectF(c.x() - outer + 6, c.y() - outer + 6, 2 * outer - 12, 2 * outer - 12),
                  angle, 44);
        arc.arcTo(QRectF(c.x() - inner - 6, c.y() - inner - 6, 2 * inner + 12, 2 * inner + 12),
                  angle + 44, -44);
        arc.closeSubpath();
        p.drawPath(arc);
    }

    // Top-centre marker across the whole grip.
    const qreal markerHalfAngle = 3.2;
    QPainterPath marker;
    QRectF outerBox(c.x() - outer, c.y() - outer, 2 * outer, 2 * outer);
    QRectF innerBox(c.x() - inner, c.y() - inner, 2 * inner, 2 * inner);
    marker.arcMoveTo(outerBox, 90 - markerHalfAngle);
    marker.arcTo(outerBox, 90 - markerHalfAngle, 2 * markerHalfAngle);
    marker.arcTo(innerBox, 90 + markerHalfAngle, -2 * markerHalfAngle);
    marker.closeSubpath();
    p.setBrush(kMarker);
    p.setPen(QPen(kMarker.darker(140), 1.5));
    p.drawPath(marker);

    // Hub: a dark boss with a metal ring and an orange centre.
    QRadialGradient boss(c - QPointF(18, 18), hub * 1.3);
    boss.setColorAt(0, QColor(70, 74, 80));
    boss.setColorAt(1, QColor(22, 23, 26));
    p.setPen(QPen(kSpokeLight, 5));
    p.setBrush(boss);
    p.drawEllipse(c, hub, hub);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 40));
    for (int i = 0; i < 6; ++i) {
        const qreal a = qDegreesToRadians(30.0 + 60.0 * i);
        p.drawEllipse(c + QPointF(qCos(a), qSin(a)) * 52, 5, 5);
    }
    p.setBrush(kMarker);
    p.setPen(QPen(kMarker.darker(150), 2));
    p.drawEllipse(c, 22, 22);
    return image;
}

// The application icon: the rim on a rounded tile.
QImage drawIcon(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    const qreal s = size;
    QLinearGradient tile(QPointF(0, 0), QPointF(0, s));
    tile.setColorAt(0, QColor(92, 162, 228));
    tile.setColorAt(1, QColor(30, 78, 150));
    p.setPen(QPen(QColor(20, 52, 104), s / 64));
    p.setBrush(tile);
    p.drawRoundedRect(QRectF(s / 32, s / 32, s - s / 16, s - s / 16), s / 5, s / 5);
    const QImage rim = drawRim(size * 2).scaled(int(s * 0.82), int(s * 0.82), Qt::KeepAspectRatio,
                                                Qt::SmoothTransformation);
    p.drawImage(QPointF((s - rim.width()) / 2, (s - rim.height()) / 2), rim);
    return image;
}

// A counter-clockwise arrow around the centre, drawn for the 20 x 20 pixels it is shown at (and
// twice that for high-density screens): pen widths and the arrow head fall on whole pixels.
QImage drawResetButton(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    const qreal pen = s / 10;
    const QColor ink(52, 58, 66);
    p.setPen(QPen(ink, pen, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    const QRectF circle(s * 0.2, s * 0.2, s * 0.6, s * 0.6);
    // From the top, three quarters of a turn round to the left.
    p.drawArc(circle, 90 * 16, 270 * 16);
    // The head at the top end of the arc, pointing along it (to the left).
    QPainterPath head;
    head.moveTo(s * 0.34, s * 0.2);
    head.lineTo(s * 0.56, s * 0.04);
    head.lineTo(s * 0.56, s * 0.36);
    head.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    p.drawPath(head);
    return image;
}

bool save(const QImage& image, const char* name) {
    if (image.save(QString::fromLatin1(name), "PNG", 9))
        return true;
    std::fprintf(stderr, "cannot write %s\n", name);
    return false;
}

} // namespace

int main(int argc, char* argv[]) {
    QGuiApplication application(argc, argv);
    bool ok = save(drawRim(512), "rim.png") && save(drawIcon(256), "tarn-config.png") &&
              save(drawResetButton(20), "reset_button.png") &&
              save(drawResetButton(40), "reset_button@2x.png");
    // The smaller sizes of the desktop's icon theme, each drawn at its own size rather than
    // scaled from the large one.
    ok = ok && QDir().mkpath(QStringLiteral("icons"));
    for (int size : kIconSizes)
        ok = ok &&
             save(drawIcon(size), qPrintable(QStringLiteral("icons/tarn-config-%1.png").arg(size)));
    return ok ? 0 : 1;
}
