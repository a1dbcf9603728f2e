#include "wheelbase/wheelbaserim.h"

#include <QPainter>
#include <QPixmapCache>

// The resources live in a static library: naming their initialiser links them into every
// program that shows the page, whose form and rim picture both come from them.
static void initResources() {
    Q_INIT_RESOURCE(tarnconfig);
}

QPixmap rimPicture(int side) {
    static const bool resourcesReady = (initResources(), true);
    Q_UNUSED(resourcesReady);
    const QString key = QStringLiteral("tarn-config/rim/%1").arg(side);
    QPixmap rim;
    if (!QPixmapCache::find(key, &rim)) {
        rim = QPixmap(QStringLiteral(":/rim.png"))
                  .scaled(side, side, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        QPixmapCache::insert(key, rim);
    }
    return rim;
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
