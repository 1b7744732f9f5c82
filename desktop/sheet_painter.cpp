#include "desktop/sheet_painter.h"

#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <QSvgGenerator>

#include "core/graph/scale.h"
#include "desktop/curve_painter.h"
#include "desktop/program_text.h"

namespace vx470::desktop {

namespace {

// The sheet in its own units: the graphs at their canvas size, a 16-unit line of text.
constexpr double kWidth = 720, kHeight = 1060, kMargin = 30, kLine = 16;

QString text(const std::string& s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

void font(QPainter& p, double size, bool bold) {
    QFont f = p.font();
    f.setPixelSize(static_cast<int>(size));
    f.setBold(bold);
    p.setFont(f);
}

// The channel's graph at `top`, with its level marks at the right and frequency marks under it.
double graphAt(QPainter& p, const ResponseGraph& graph, int ch, double top) {
    font(p, 13, true);
    p.setPen(Qt::black);
    p.drawText(QPointF(kMargin, top + 12), FromProgramText(ChannelName(ch)));
    const QRectF area(kMargin, top + 18, Canvas::Width, Canvas::Height);
    PaintGraph(p, graph, ch, area);
    p.setPen(Qt::black);
    p.setBrush(Qt::NoBrush);
    p.drawRect(area);
    font(p, 10, false);
    for (const ScaleMark& m : kDbScaleMarks) {
        p.drawText(QRectF(area.right() + 4, area.top() + DbRow(m.value) - 7, 40, 14),
                   Qt::AlignLeft | Qt::AlignVCenter, FromProgramText(m.text));
    }
    for (const ScaleMark& m : kFrequencyScaleMarks) {
        p.drawText(QRectF(area.left() + FrequencyColumn(m.value) - 20, area.bottom() + 2, 40, 14),
                   Qt::AlignCenter, FromProgramText(m.text));
    }
    return area.bottom() + 22;
}

double tableAt(QPainter& p, const SheetTable& table, double top) {
    const double column = (kWidth - 2 * kMargin) / static_cast<double>(table.columns.size());
    const auto row = [&](const std::vector<std::string>& cells, double y) {
        for (std::size_t i = 0; i < cells.size() && i < table.columns.size(); ++i) {
            p.drawText(QRectF(kMargin + column * static_cast<double>(i), y, column - 4, kLine),
                       Qt::AlignLeft | Qt::AlignVCenter, text(cells[i]));
        }
    };
    font(p, 11, true);
    row(table.columns, top);
    font(p, 11, false);
    p.setPen(QColor(200, 200, 200));
    p.drawLine(QPointF(kMargin, top + kLine), QPointF(kWidth - kMargin, top + kLine));
    p.setPen(Qt::black);
    double y = top + kLine + 2;
    for (const std::vector<std::string>& cells : table.rows) {
        row(cells, y);
        y += kLine;
    }
    return y + kLine;
}

void paintSheet(QPainter& p, const ResponseGraph& graph, const ExportSheet& sheet) {
    p.fillRect(QRectF(0, 0, kWidth, kHeight), Qt::white);
    p.setPen(Qt::black);
    font(p, 20, true);
    p.drawText(QPointF(kMargin, kMargin + 10), text(sheet.title));
    font(p, 13, false);
    p.drawText(QPointF(kMargin, kMargin + 32), text(sheet.preset));
    p.drawText(QPointF(kMargin, kMargin + 50), text(sheet.date));
    double y = kMargin + 64;
    for (int ch = 0; ch < kChannels; ++ch) y = graphAt(p, graph, ch, y);
    y = tableAt(p, sheet.notches, y);
    tableAt(p, sheet.automatic, y);
}

std::optional<std::string> bytesOf(const QByteArray& bytes) {
    if (bytes.isEmpty()) return std::nullopt;
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

}  // namespace

std::optional<std::string> DrawExportSheet(const ResponseGraph& graph, const ExportSheet& sheet,
                                           SheetFormat format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QPainter painter;
    switch (format) {
        case SheetFormat::Png: {
            QImage image(QSize(kWidth, kHeight) * 2, QImage::Format_RGB32);
            image.setDevicePixelRatio(2);
            if (!painter.begin(&image)) return std::nullopt;
            paintSheet(painter, graph, sheet);
            painter.end();
            if (!image.save(&buffer, "PNG")) return std::nullopt;
            break;
        }
        case SheetFormat::Svg: {
            QSvgGenerator svg;
            svg.setOutputDevice(&buffer);
            svg.setSize(QSize(kWidth, kHeight));
            svg.setViewBox(QRectF(0, 0, kWidth, kHeight));
            svg.setTitle(text(sheet.title));
            svg.setDescription(text(sheet.preset + ", " + sheet.date));
            if (!painter.begin(&svg)) return std::nullopt;
            paintSheet(painter, graph, sheet);
            if (!painter.end()) return std::nullopt;
            break;
        }
        case SheetFormat::Pdf: {
            QPdfWriter pdf(&buffer);
            pdf.setTitle(text(sheet.title + " - " + sheet.preset));
            pdf.setCreator(QStringLiteral("VX-470 Remote"));
            pdf.setPageSize(QPageSize(QPageSize::A4));
            pdf.setPageMargins(QMarginsF(10, 10, 10, 10), QPageLayout::Millimeter);
            if (!painter.begin(&pdf)) return std::nullopt;
            // The sheet fitted to the printable part of the page.
            const double s = std::min(pdf.width() / kWidth, pdf.height() / kHeight);
            painter.scale(s, s);
            paintSheet(painter, graph, sheet);
            if (!painter.end()) return std::nullopt;
            break;
        }
    }
    return bytesOf(bytes);
}

}  // namespace vx470::desktop
