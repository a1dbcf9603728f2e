#pragma once
// The rim picture of the wheel-base page and its rotation.

#include <QPixmap>

// The rim as seen from the driver, from the application resources.
QPixmap rimPicture();

// The rim turned by angleDegrees about its centre (clockwise for a positive angle), on a
// transparent picture of the same size.
QPixmap rotatedRim(const QPixmap& rim, int angleDegrees);
