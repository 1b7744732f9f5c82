#include "desktop/canvas_view.h"

#include "core/graph/readout.h"
#include "desktop/curve_painter.h"

#include <QMouseEvent>
#include <QPaintEngine>
#include <QPaintEvent>
#include <QPainter>
#include <algorithm>

namespace vx470::desktop {

CanvasView::CanvasView(const ResponseGraph& graph, int channel, QWidget* parent)
    : QWidget(parent), graph_(graph), channel_(channel), painted_(canvas().Revision()) {
    setFixedSize(Canvas::Width, Canvas::Height);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
}

void CanvasView::mouseMoveEvent(QMouseEvent* event) {
    if (!Hovered) return;
    const double x = event->position().x() * Canvas::Width / std::max(1, width());
    Hovered(QString::fromStdString(ReadGraph(graph_, graph_.Model(), channel_, x).text));
}

void CanvasView::leaveEvent(QEvent*) {
    if (Hovered) Hovered(QString());
}

void CanvasView::FollowCanvas() {
    if (canvas().Revision() != painted_) update();
}

QImage CanvasView::Image() const {
    // 0xFFRRGGBB words are exactly RGB32; wrap them, then detach.
    return QImage(reinterpret_cast<const uchar*>(canvas().Bits()), Canvas::Width, Canvas::Height,
                  Canvas::Width * 4, QImage::Format_RGB32)
        .copy();
}

void CanvasView::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    paintGraph(painter, event->rect());
    painted_ = canvas().Revision();
}

void CanvasView::paintGraph(QPainter& painter, const QRect& dirty) const {
    // At 1:1 the screen shows the canvas's own pixels; on a scaled screen the same graph is
    // drawn again at the screen's resolution rather than the pixels enlarged. The engine's
    // device is where the pixels go: the backing store, or an image the view is rendered into.
    const QPaintDevice* target =
        painter.paintEngine() ? painter.paintEngine()->paintDevice() : nullptr;
    if (target != nullptr && target->devicePixelRatioF() != 1.0) {
        PaintGraph(painter, graph_, channel_, rect());
        return;
    }
    const QImage pixels(reinterpret_cast<const uchar*>(canvas().Bits()), Canvas::Width,
                        Canvas::Height, Canvas::Width * 4, QImage::Format_RGB32);
    painter.drawImage(dirty, pixels, dirty);
}

}  // namespace vx470::desktop
