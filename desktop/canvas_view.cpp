#include "desktop/canvas_view.h"

#include "core/editor/notch_drag.h"
#include "core/graph/readout.h"
#include "desktop/curve_painter.h"

#include <QMouseEvent>
#include <QPaintEngine>
#include <QPaintEvent>
#include <QPainter>
#include <QTimer>
#include <QWheelEvent>
#include <algorithm>

#include "desktop/gate.h"

namespace vx470::desktop {

CanvasView::CanvasView(const ResponseGraph& graph, int channel, QWidget* parent)
    : QWidget(parent), graph_(graph), channel_(channel), painted_(canvas().Revision()) {
    setFixedSize(Canvas::Width, Canvas::Height);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
}

void CanvasView::EnableDragging(Gate& gate, NotchDrag& drag) {
    gate_ = &gate;
    drag_ = &drag;
}

QPointF CanvasView::canvasPoint(QPointF position) const {
    return {position.x() * Canvas::Width / std::max(1, width()),
            position.y() * Canvas::Height / std::max(1, height())};
}

void CanvasView::showCursor(QPointF at) {
    if (drag_ == nullptr) return;
    if (drag_->Dragging()) {
        setCursor(Qt::ClosedHandCursor);
    } else if (drag_->HandleAt(channel_, at.x(), at.y())) {
        setCursor(Qt::OpenHandCursor);
    } else {
        unsetCursor();
    }
}

void CanvasView::mouseMoveEvent(QMouseEvent* event) {
    pointer_ = canvasPoint(event->position());
    if (drag_ != nullptr && drag_->Dragging()) {
        if (!std::exchange(moveDue_, true)) QTimer::singleShot(0, this, &CanvasView::followPointer);
        return;
    }
    showCursor(pointer_);
    showReadout();
}

void CanvasView::showReadout() {
    if (!Hovered) return;
    Hovered(QString::fromStdString(
        drag_ != nullptr && drag_->Dragging()
            ? drag_->Sending()
            : ReadGraph(graph_, graph_.Model(), channel_, pointer_.x()).text));
}

void CanvasView::followPointer() {
    if (!std::exchange(moveDue_, false) || drag_ == nullptr || !drag_->Dragging()) return;
    gate_->enter(this, [&] { drag_->Move(pointer_.x(), pointer_.y()); });
    showReadout();
    FollowCanvas();
}

void CanvasView::mousePressEvent(QMouseEvent* event) {
    if (drag_ == nullptr || event->button() != Qt::LeftButton)
        return QWidget::mousePressEvent(event);
    pointer_ = canvasPoint(event->position());
    gate_->enter(this, [&] { drag_->Press(channel_, pointer_.x(), pointer_.y()); });
    showCursor(pointer_);
    if (drag_->Dragging()) showReadout();
    FollowCanvas();
}

void CanvasView::mouseReleaseEvent(QMouseEvent* event) {
    // The gate lets go of a held button after a slow entry; a drag only ends where the user
    // lets go, and sends no more than the latest place anyway.
    if (drag_ == nullptr || !drag_->Dragging() || event->button() != Qt::LeftButton ||
        !event->spontaneous()) {
        return QWidget::mouseReleaseEvent(event);
    }
    moveDue_ = false;
    pointer_ = canvasPoint(event->position());
    gate_->enter(this, [&] { drag_->Release(pointer_.x(), pointer_.y()); });
    showCursor(pointer_);
    showReadout();
    FollowCanvas();
}

void CanvasView::wheelEvent(QWheelEvent* event) {
    const QPointF at = canvasPoint(event->position());
    if (drag_ == nullptr || !drag_->HandleAt(channel_, at.x(), at.y())) return event->ignore();
    // A fine-grained wheel adds up to whole notches of 120.
    wheelRest_ += event->angleDelta().y();
    const int steps = wheelRest_ / 120;
    wheelRest_ -= steps * 120;
    if (steps != 0) gate_->enter(this, [&] { drag_->Wheel(channel_, at.x(), at.y(), steps); });
    event->accept();
    FollowCanvas();
}

void CanvasView::enterEvent(QEnterEvent*) {
    hovered_ = true;
    update();
}

void CanvasView::leaveEvent(QEvent*) {
    hovered_ = false;
    update();
    if (Hovered) Hovered(QString());
}

void CanvasView::FollowCanvas(bool now) {
    if (canvas().Revision() == painted_) return;
    if (now) {
        repaint();
    } else {
        update();
    }
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
    paintHandles(painter);
}

void CanvasView::paintHandles(QPainter& painter) {
    if (drag_ == nullptr || !(hovered_ || drag_->Dragging())) return;
    const Canvas::Rgb c = ResponseGraph::CurveColor[static_cast<std::size_t>(channel_)];
    painter.setRenderHint(QPainter::Antialiasing);
    for (const NotchDrag::Handle& h : drag_->Handles(channel_)) {
        const bool held = drag_->Notch() == h.notch;
        painter.setPen(QPen(QColor(c.r, c.g, c.b), held ? 2.0 : 1.0));
        painter.setBrush(held ? QColor(c.r, c.g, c.b, 90) : QColor(255, 255, 255, 200));
        painter.drawEllipse(QPointF(h.x + 0.5, h.y + 0.5), 4.0, 4.0);
    }
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
