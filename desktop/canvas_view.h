#pragma once

#include <functional>

#include <QImage>
#include <QWidget>
#include <cstdint>

#include "core/graph/response_graph.h"

namespace vx470::desktop {

// Shows a channel's graph canvas 1:1; on a scaled screen, the same graph drawn at the
// screen's resolution. The program draws on the canvas without telling anyone, so the window
// calls FollowCanvas when the program may have drawn (after each entry) and the view repaints
// only when the canvas has actually changed. The graph draws when its canvas is read, so the
// view reads it through the graph every time.
class CanvasView final : public QWidget {
  public:
    CanvasView(const ResponseGraph& graph, int channel, QWidget* parent = nullptr);

    void FollowCanvas();
    // The canvas's pixels as they are now, sharing nothing with it.
    QImage Image() const;

    QSize sizeHint() const override { return {Canvas::Width, Canvas::Height}; }

    // Told what the graph shows under the pointer as it moves, and an empty text as it leaves.
    std::function<void(const QString& readout)> Hovered;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

  private:
    // The graph as the screen should show it, over the part `dirty` (at least) of the view.
    void paintGraph(QPainter& painter, const QRect& dirty) const;
    const Canvas& canvas() const { return graph_.Picture1(channel_); }

    const ResponseGraph& graph_;
    int channel_;
    std::uint64_t painted_;
};

}  // namespace vx470::desktop
