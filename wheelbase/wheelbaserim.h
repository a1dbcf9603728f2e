#pragma once
// The rim picture of the wheel-base page and its rotation.

#include <QPixmap>

// The rim as seen from the driver, from the application resources, scaled to side x side
// pixels. The page turns a copy of the size it shows: turning the full-size picture and
// scaling the result down for every redraw would cost ten times as much.
QPixmap rimPicture(int side);

// The rim turned by angleDegrees about its centre (clockwise for a positive angle), on a
// transparent picture of the same size.
QPixmap rotatedRim(const QPixmap& rim, int angleDegrees);
