#pragma once

#include <QPainter>
#include <QRectF>

#include "core/graph/response_graph.h"

namespace vx470::desktop {

// Channel ch's graph as vector drawing into `area` (logical units, the canvas's 576 x 192
// stretched to fit): the paper, the canvas's grid, the compared curve if any and the curve of
// the channel's summed response, one canvas pixel wide. Drawn at the painter's resolution, so a scaled screen, an
// SVG or a PDF gets a sharp curve rather than the canvas's pixels enlarged.
void PaintGraph(QPainter& painter, const ResponseGraph& graph, int ch, const QRectF& area);
// A curve of levels on the grid (dB, one per grid frequency) alone, over whatever is there, at
// the graph's columns per decade.
void PaintCurve(QPainter& painter, const ResponseGraph::Curve& levels, Canvas::Rgb color,
                double pixelsPerDecade, const QRectF& area);

}  // namespace vx470::desktop
