#include "desktop/curve_painter.h"

#include <QPainterPath>
#include <algorithm>
#include <cmath>

#include "core/graph/canvas.h"
#include "core/graph/scale.h"
#include "core/link/converters.h"

namespace vx470::desktop {

namespace {

QColor color(Canvas::Rgb c) {
    return {c.r, c.g, c.b};
}

// Maps canvas pixels onto `area`: pixel (x, y) covers the unit square from (x, y).
void mapCanvas(QPainter& painter, const QRectF& area) {
    painter.translate(area.topLeft());
    painter.scale(area.width() / Canvas::Width, area.height() / Canvas::Height);
}

}  // namespace

void PaintGraph(QPainter& painter, const ResponseGraph& graph, int ch, const QRectF& area) {
    painter.save();
    mapCanvas(painter, area);
    painter.fillRect(QRectF(0, 0, Canvas::Width, Canvas::Height), color(Canvas::Paper));
    for (const Canvas::GridRule& rule : Canvas::Grid()) {
        painter.fillRect(rule.vertical ? QRectF(rule.at, 0, 1, Canvas::Height)
                                       : QRectF(0, rule.at, Canvas::Width, 1),
                         color(rule.color));
    }
    painter.restore();
    PaintCurve(painter, graph, ch, area);
}

void PaintCurve(QPainter& painter, const ResponseGraph& graph, int ch, const QRectF& area) {
    if (ch < 0 || ch >= kChannels) return;
    static const std::array<double, kFrequencyCount> decades = [] {
        std::array<double, kFrequencyCount> d{};
        for (std::size_t i = 0; i < kFrequencyCount; ++i) d[i] = Log10(FrequencyGrid[i] / 20.0);
        return d;
    }();
    const ResponseGraph::Curve& levels = graph.ChannelResponse(ch);
    // Through the centres of the pixels the canvas would paint; far-off points are pulled in
    // so that no coordinate is infinite, as the canvas does.
    constexpr double kLimit = 100000.0;
    QPainterPath path;
    for (std::size_t i = 0; i < kFrequencyCount; ++i) {
        const double level = std::isnan(levels[i]) ? 0.0 : levels[i];
        const QPointF p(std::clamp(decades[i] * graph.PixelsPerDecade, -kLimit, kLimit) + 0.5,
                        std::clamp(DbRow(level), -kLimit, kLimit) + 0.5);
        if (i == 0) {
            path.moveTo(p);
        } else {
            path.lineTo(p);
        }
    }
    painter.save();
    mapCanvas(painter, area);
    painter.setClipRect(QRectF(0, 0, Canvas::Width, Canvas::Height), Qt::IntersectClip);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(color(ResponseGraph::CurveColor[static_cast<std::size_t>(ch)]), 1.0));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(path);
    painter.restore();
}

}  // namespace vx470::desktop
