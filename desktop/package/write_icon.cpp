// Writes the program's icon into the hicolor theme tree under DIR: a PNG of each size the
// desktops ask for and a scalable SVG, all from the drawing the program uses for its windows.
#include <QDir>
#include <QGuiApplication>
#include <QSvgGenerator>
#include <cstdio>

#include "desktop/artwork.h"

int main(int argc, char* argv[]) {
    if (argc != 2) {
        std::fputs("usage: vx470-icon DIR\n", stderr);
        return 2;
    }
    QGuiApplication app(argc, argv);
    const QString root = QString::fromLocal8Bit(argv[1]) + QStringLiteral("/hicolor/");
    for (int size : {16, 24, 32, 48, 64, 128, 256, 512}) {
        const QString folder = root + QStringLiteral("%1x%1/apps").arg(size);
        if (!QDir().mkpath(folder) ||
            !vx470::desktop::ApplicationPixmap(size).save(folder + QStringLiteral("/vx470.png"))) {
            return 1;
        }
    }
    const QString scalable = root + QStringLiteral("scalable/apps");
    if (!QDir().mkpath(scalable)) return 1;
    QSvgGenerator svg;
    svg.setFileName(scalable + QStringLiteral("/vx470.svg"));
    svg.setSize(QSize(64, 64));
    svg.setViewBox(QRect(0, 0, 64, 64));
    svg.setTitle(QStringLiteral("VX-470 Remote"));
    QPainter painter;
    if (!painter.begin(&svg)) return 1;
    vx470::desktop::PaintApplicationIcon(painter, 64);
    return painter.end() ? 0 : 1;
}
