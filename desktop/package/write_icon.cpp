// Writes the program's icon as a PNG for installation: the same picture the program draws
// for its windows.
#include <QGuiApplication>

#include "desktop/artwork.h"

int main(int argc, char* argv[]) {
    if (argc != 3) return 2;
    QGuiApplication app(argc, argv);
    const int size = QString::fromLocal8Bit(argv[2]).toInt();
    return vx470::desktop::ApplicationPixmap(size > 0 ? size : 256)
                   .save(QString::fromLocal8Bit(argv[1]))
               ? 0
               : 1;
}
