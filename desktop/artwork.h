#pragma once

#include <QIcon>
#include <QPainter>
#include <QPixmap>

namespace vx470::desktop {

// Pictures we draw ourselves: no image files to ship or lose.

// The toolbar button of main-window command `index` (0, 1, 2, 3, 7, 8).
QIcon ToolbarIcon(int index);
// The program's icon: a notch in a response curve.
QIcon ApplicationIcon();
QPixmap ApplicationPixmap(int size);
// Draws it in a size × size square at the painter's origin, on any paint device.
void PaintApplicationIcon(QPainter& painter, double size);
// The splash picture, 513 × 452, drawn for a screen of that scale.
QPixmap SplashPicture(qreal scale);

}  // namespace vx470::desktop
