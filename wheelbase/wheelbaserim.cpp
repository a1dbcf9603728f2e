#include "wheelbase/wheelbaserim.h"

#include <QPainter>

// The resources live in a static library: naming their initialiser links them into every
// program that shows the page, whose form and rim picture both come from them.
static void initResources() {
    Q_INIT_RESOURCE(tarnconfig);
}

QPixmap rimPicture() {
    static const bool resourcesReady = (initResources(), true);
    Q_UNUSED(resourcesReady);
    return QPixmap(QStringLiteral(":/rim.png"));
}

QPixmap rotatedRim(const QPixmap& rim, int angleDegrees) {
    QPixmap turned(rim.size());
    turned.fill(Qt::transparent);
    QPainter painter(&turned);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
    // The centre is taken from the height on both axes: the picture is square.
    const int centre = rim.height() / 2;
    painter.translate(centre, centre);
    painter.rotate(angleDegrees);
    painter.translate(-centre, -centre);
    painter.drawPixmap(0, 0, rim);
    return turned;
}
