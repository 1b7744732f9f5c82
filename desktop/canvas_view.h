#pragma once

#include <QImage>
#include <QWidget>
#include <cstdint>

#include "core/graph/canvas.h"

namespace vx470::desktop {

// Shows a graph canvas 1:1. The program draws on the canvas without telling anyone, so the
// window calls FollowCanvas when the program may have drawn (after each entry) and the view
// repaints only when the canvas has actually changed.
class CanvasView final : public QWidget {
  public:
    explicit CanvasView(const Canvas& canvas, QWidget* parent = nullptr);

    void FollowCanvas();
    // The canvas's pixels as they are now, sharing nothing with it.
    QImage Image() const;

    QSize sizeHint() const override { return {Canvas::Width, Canvas::Height}; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    const Canvas& canvas_;
    std::uint64_t painted_;
};

}  // namespace vx470::desktop
