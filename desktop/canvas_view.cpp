#include "desktop/canvas_view.h"

#include <QPaintEvent>
#include <QPainter>

namespace vx470::desktop {

CanvasView::CanvasView(const Canvas& canvas, QWidget* parent)
    : QWidget(parent), canvas_(canvas), painted_(canvas.Revision()) {
    setFixedSize(Canvas::Width, Canvas::Height);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CanvasView::FollowCanvas() {
    if (canvas_.Revision() != painted_) update();
}

QImage CanvasView::Image() const {
    // 0xFFRRGGBB words are exactly RGB32; wrap them, then detach.
    return QImage(reinterpret_cast<const uchar*>(canvas_.Bits()), Canvas::Width, Canvas::Height,
                  Canvas::Width * 4, QImage::Format_RGB32)
        .copy();
}

void CanvasView::paintEvent(QPaintEvent* event) {
    const QImage pixels(reinterpret_cast<const uchar*>(canvas_.Bits()), Canvas::Width,
                        Canvas::Height, Canvas::Width * 4, QImage::Format_RGB32);
    QPainter painter(this);
    painter.drawImage(event->rect(), pixels, event->rect());
    painted_ = canvas_.Revision();
}

}  // namespace vx470::desktop
