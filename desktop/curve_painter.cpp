#include "desktop/curve_painter.h"

#include <QPainterPath>
#include <algorithm>
#include <cmath>
#include <vector>

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
    if (ch < 0 || ch >= kChannels) return;
    // The compared curve lies under the live one, as on the canvas.
    if (const ResponseGraph::Curve* compared = graph.Compared(ch)) {
        PaintCurve(painter, *compared, ResponseGraph::CompareColor[static_cast<std::size_t>(ch)],
                   graph.PixelsPerDecade, area);
    }
    PaintCurve(painter, graph.ChannelResponse(ch),
               ResponseGraph::CurveColor[static_cast<std::size_t>(ch)], graph.PixelsPerDecade,
               area);
}

void PaintCurve(QPainter& painter, const ResponseGraph::Curve& levels, Canvas::Rgb curveColor,
                double pixelsPerDecade, const QRectF& area) {
    static const std::array<double, kFrequencyCount> decades = [] {
        std::array<double, kFrequencyCount> d{};
        for (std::size_t i = 0; i < kFrequencyCount; ++i) d[i] = Log10(FrequencyGrid[i] / 20.0);
        return d;
    }();
    // Through the centres of the pixels the canvas would paint; far-off points are pulled in
    // so that no coordinate is infinite, as the canvas does.
    constexpr double kLimit = 100000.0;
    QPolygonF points(static_cast<qsizetype>(kFrequencyCount));
    for (std::size_t i = 0; i < kFrequencyCount; ++i) {
        const double level = std::isnan(levels[i]) ? 0.0 : levels[i];
        points[static_cast<qsizetype>(i)] =
            QPointF(std::clamp(decades[i] * pixelsPerDecade, -kLimit, kLimit) + 0.5,
                    std::clamp(DbRow(level), -kLimit, kLimit) + 0.5);
    }
    // The line as bands one canvas pixel wide around it, filled: a pen that wide at a scale
    // takes Qt's general stroker, and one band of the whole curve its slow general polygon
    // fill; pieces of 16 points fill several times faster, and their seams do not show.
    const qsizetype n = points.size();
    std::vector<QPointF> half(static_cast<std::size_t>(n));
    for (qsizetype i = 0; i < n; ++i) {
        const QPointF along =
            points[std::min(i + 1, n - 1)] - points[std::max<qsizetype>(i - 1, 0)];
        const double length = std::hypot(along.x(), along.y());
        half[static_cast<std::size_t>(i)] =
            length > 0 ? QPointF(-along.y(), along.x()) * (0.5 / length) : QPointF(0, 0.5);
    }
    painter.save();
    mapCanvas(painter, area);
    painter.setClipRect(QRectF(0, 0, Canvas::Width, Canvas::Height), Qt::IntersectClip);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(color(curveColor));
    constexpr qsizetype kPiece = 16;
    QPolygonF band;
    for (qsizetype first = 0; first < n - 1; first += kPiece) {
        const qsizetype last = std::min(first + kPiece, n - 1);
        band.clear();
        for (qsizetype i = first; i <= last; ++i)
            band.append(points[i] + half[static_cast<std::size_t>(i)]);
        for (qsizetype i = last; i >= first; --i)
            band.append(points[i] - half[static_cast<std::size_t>(i)]);
        painter.drawPolygon(band, Qt::WindingFill);
    }
    painter.restore();
}

}  // namespace vx470::desktop
