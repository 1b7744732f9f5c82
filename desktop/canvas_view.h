#pragma once

#include <functional>

#include <QImage>
#include <QWidget>
#include <cstdint>

#include "core/graph/response_graph.h"

namespace vx470 {
class NotchDrag;
}

namespace vx470::desktop {

class Gate;

// Shows a channel's graph canvas 1:1; on a scaled screen, the same graph drawn at the
// screen's resolution. The program draws on the canvas without telling anyone, so the window
// calls FollowCanvas when the program may have drawn (after each entry) and the view repaints
// only when the canvas has actually changed. The graph draws when its canvas is read, so the
// view reads it through the graph every time.
class CanvasView final : public QWidget {
  public:
    CanvasView(const ResponseGraph& graph, int channel, QWidget* parent = nullptr);

    // `now` paints before returning: the program is waiting on the line, not on the event loop.
    void FollowCanvas(bool now = false);
    // The canvas's pixels as they are now, sharing nothing with it.
    QImage Image() const;

    QSize sizeHint() const override { return {Canvas::Width, Canvas::Height}; }

    // Told what the graph shows under the pointer as it moves, and an empty text as it leaves;
    // during a drag, what is being sent.
    std::function<void(const QString& readout)> Hovered;

    // The manual notches get handles while the pointer is over the graph: drag one to move
    // its notch, turn the wheel over it to step its Q.
    void EnableDragging(Gate& gate, NotchDrag& drag);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

  private:
    // The graph as the screen should show it, over the part `dirty` (at least) of the view.
    void paintGraph(QPainter& painter, const QRect& dirty) const;
    const Canvas& canvas() const { return graph_.Picture1(channel_); }
    QPointF canvasPoint(QPointF position) const;
    void paintHandles(QPainter& painter);
    // Moves the dragged notch to where the pointer last was. Moves that arrive while the line
    // is busy only update that place, so the unit gets the latest one, not each in turn.
    void followPointer();
    void showCursor(QPointF at);
    // Hovered with what the graph shows at the pointer, or during a drag what is sent.
    void showReadout();

    const ResponseGraph& graph_;
    int channel_;
    std::uint64_t painted_;
    Gate* gate_ = nullptr;
    NotchDrag* drag_ = nullptr;
    QPointF pointer_;
    bool moveDue_ = false;
    bool hovered_ = false;
    int wheelRest_ = 0;
};

}  // namespace vx470::desktop
