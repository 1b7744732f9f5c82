#include "desktop/artwork.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <cmath>

#include "core/app_info.h"

namespace vx470::desktop {

namespace {

const QColor kInk(40, 48, 64);
const QColor kLeft(220, 30, 30);
const QColor kRight(30, 60, 220);

// A response with one notch, across `r`: flat, a dip at `at` (0..1) of `depth` (0..1).
QPainterPath notchCurve(const QRectF& r, double at, double depth, double width) {
    QPainterPath path;
    for (int i = 0; i <= 100; ++i) {
        const double x = i / 100.0;
        const double d = (x - at) / width;
        const double y = depth / (1 + d * d * 40);
        const QPointF p(r.left() + x * r.width(), r.top() + y * r.height());
        if (i == 0) {
            path.moveTo(p);
        } else {
            path.lineTo(p);
        }
    }
    return path;
}

void drawDevice(QPainter& p, const QRectF& r) {
    p.setPen(QPen(kInk, 1.5));
    p.setBrush(QColor(70, 78, 96));
    p.drawRoundedRect(r, 2, 2);
    p.setBrush(QColor(120, 220, 120));
    p.setPen(Qt::NoPen);
    p.drawEllipse(QPointF(r.left() + r.width() * 0.15, r.center().y()), 1.6, 1.6);
    p.setBrush(QColor(200, 205, 215));
    for (int i = 0; i < 3; ++i) {
        p.drawRect(QRectF(r.left() + r.width() * (0.35 + i * 0.2), r.top() + r.height() * 0.3, 2.5,
                          r.height() * 0.4));
    }
}

void drawArrow(QPainter& p, QPointF from, QPointF to, const QColor& colour) {
    p.setPen(QPen(colour, 2.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawLine(from, to);
    const double angle = std::atan2(to.y() - from.y(), to.x() - from.x());
    for (double side : {-0.6, 0.6}) {
        p.drawLine(to, to - QPointF(std::cos(angle + side) * 6, std::sin(angle + side) * 6));
    }
}

void drawFile(QPainter& p, const QRectF& r) {
    QPainterPath page;
    page.moveTo(r.topLeft());
    page.lineTo(r.right() - 6, r.top());
    page.lineTo(r.right(), r.top() + 6);
    page.lineTo(r.bottomRight());
    page.lineTo(r.bottomLeft());
    page.closeSubpath();
    p.setPen(QPen(kInk, 1.3));
    p.setBrush(Qt::white);
    p.drawPath(page);
    p.setPen(QPen(kLeft, 1.4));
    p.setBrush(Qt::NoBrush);
    p.drawPath(notchCurve(r.adjusted(3, 6, -3, -6), 0.5, 1.0, 0.18));
}

void drawChannels(QPainter& p, const QRectF& r, bool leftToRight) {
    QFont f = p.font();
    f.setBold(true);
    f.setPixelSize(static_cast<int>(r.height() * 0.42));
    p.setFont(f);
    const QRectF left(r.left(), r.top(), r.width() * 0.38, r.height() * 0.55);
    const QRectF right(r.right() - r.width() * 0.38, r.top(), r.width() * 0.38, r.height() * 0.55);
    p.setPen(kLeft);
    p.drawText(left, Qt::AlignCenter, QStringLiteral("L"));
    p.setPen(kRight);
    p.drawText(right, Qt::AlignCenter, QStringLiteral("R"));
    const double y = r.top() + r.height() * 0.78;
    const QPointF a(r.left() + r.width() * 0.18, y);
    const QPointF b(r.right() - r.width() * 0.18, y);
    drawArrow(p, leftToRight ? a : b, leftToRight ? b : a, kInk);
}

// Drawn in a 32 x 32 square.
void drawToolbarIcon(QPainter& p, int index) {
    switch (index) {
        case 0:  // load from the PC: a file coming in
            drawFile(p, QRectF(4, 2, 18, 24));
            drawArrow(p, QPointF(28, 4), QPointF(28, 22), QColor(30, 140, 60));
            break;
        case 1:  // save to the PC: a file going out
            drawFile(p, QRectF(4, 2, 18, 24));
            drawArrow(p, QPointF(28, 22), QPointF(28, 4), QColor(30, 140, 60));
            break;
        case 2:  // store to the unit
            drawDevice(p, QRectF(2, 20, 28, 10));
            drawArrow(p, QPointF(16, 2), QPointF(16, 17), QColor(200, 120, 20));
            break;
        case 3:  // read from the unit
            drawDevice(p, QRectF(2, 20, 28, 10));
            drawArrow(p, QPointF(16, 17), QPointF(16, 2), QColor(30, 120, 200));
            break;
        case 7:
            drawChannels(p, QRectF(1, 2, 30, 28), true);
            break;
        case 8:
            drawChannels(p, QRectF(1, 2, 30, 28), false);
            break;
        default:
            break;
    }
}

}  // namespace

QIcon ToolbarIcon(int index) {
    // One picture for each screen scale the toolbar may be shown at (100 % to 300 %), each
    // drawn at its own size: Qt picks the one that fills the button's device pixels.
    QIcon icon;
    for (int size : {32, 40, 48, 56, 64, 80, 96}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(size / 32.0, size / 32.0);
        drawToolbarIcon(p, index);
        p.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

void PaintApplicationIcon(QPainter& p, double size) {
    p.setRenderHint(QPainter::Antialiasing);
    const double s = size / 64.0;
    QLinearGradient g(0, 0, 0, size);
    g.setColorAt(0, QColor(52, 62, 84));
    g.setColorAt(1, QColor(24, 30, 42));
    p.setBrush(g);
    p.setPen(Qt::NoPen);
    p.drawRoundedRect(QRectF(2 * s, 2 * s, 60 * s, 60 * s), 10 * s, 10 * s);
    p.setPen(QPen(QColor(255, 255, 255, 60), 1 * s));
    for (int i = 1; i < 4; ++i)
        p.drawLine(QPointF(8 * s, (8 + i * 12) * s), QPointF(56 * s, (8 + i * 12) * s));
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(255, 80, 70), 3.5 * s, Qt::SolidLine, Qt::RoundCap));
    p.drawPath(notchCurve(QRectF(8 * s, 18 * s, 48 * s, 34 * s), 0.42, 1.0, 0.12));
    p.setPen(QPen(QColor(110, 160, 255), 2.2 * s, Qt::SolidLine, Qt::RoundCap));
    p.drawPath(notchCurve(QRectF(8 * s, 16 * s, 48 * s, 18 * s), 0.75, 1.0, 0.1));
}

QPixmap ApplicationPixmap(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    PaintApplicationIcon(p, size);
    return pixmap;
}

QIcon ApplicationIcon() {
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256}) icon.addPixmap(ApplicationPixmap(size));
    return icon;
}

QPixmap SplashPicture(qreal scale) {
    QPixmap pixmap(QSize(513, 452) * scale);
    pixmap.setDevicePixelRatio(scale);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, 0, 452);
    g.setColorAt(0, QColor(38, 46, 64));
    g.setColorAt(1, QColor(14, 18, 26));
    p.fillRect(QRectF(0, 0, 513, 452), g);

    // A response plot: grid, then a Left and a Right curve with a few notches.
    const QRectF plot(40, 150, 433, 190);
    p.setPen(QPen(QColor(255, 255, 255, 28), 1));
    for (int i = 0; i <= 6; ++i)
        p.drawLine(QPointF(plot.left(), plot.top() + i * plot.height() / 6),
                   QPointF(plot.right(), plot.top() + i * plot.height() / 6));
    for (int i = 0; i <= 3; ++i)
        p.drawLine(QPointF(plot.left() + i * plot.width() / 3, plot.top()),
                   QPointF(plot.left() + i * plot.width() / 3, plot.bottom()));
    const auto curve = [&](const QColor& c, std::initializer_list<std::array<double, 3>> notches,
                           double offset) {
        QPainterPath path;
        for (int i = 0; i <= 400; ++i) {
            const double x = i / 400.0;
            double y = 0;
            for (const auto& n : notches) {
                const double d = (x - n[0]) / n[2];
                y += n[1] / (1 + d * d * 40);
            }
            const QPointF pt(plot.left() + x * plot.width(),
                             plot.top() + offset + y * (plot.height() - offset));
            if (i == 0) {
                path.moveTo(pt);
            } else {
                path.lineTo(pt);
            }
        }
        p.setPen(QPen(c, 2.5));
        p.drawPath(path);
    };
    curve(QColor(255, 80, 70), {{0.22, 0.7, 0.05}, {0.48, 0.35, 0.1}, {0.7, 0.85, 0.03}}, 32);
    curve(QColor(110, 160, 255), {{0.3, 0.5, 0.04}, {0.62, 0.9, 0.06}, {0.85, 0.3, 0.08}}, 32);

    p.setPen(Qt::white);
    QFont title = p.font();
    title.setPixelSize(44);
    title.setBold(true);
    p.setFont(title);
    p.drawText(QRectF(0, 40, 513, 56), Qt::AlignCenter,
               QString::fromUtf8(kApplicationTitle.data(),
                                 static_cast<qsizetype>(kApplicationTitle.size())));
    QFont sub = p.font();
    sub.setPixelSize(16);
    sub.setBold(false);
    p.setFont(sub);
    p.setPen(QColor(200, 208, 222));
    p.drawText(QRectF(0, 98, 513, 24), Qt::AlignCenter,
               QStringLiteral("Digital feedback suppressor \u2014 remote control"));
    p.save();
    p.translate(24, 370);
    PaintApplicationIcon(p, 56);
    p.restore();
    return pixmap;
}

}  // namespace vx470::desktop
