#include <QApplication>
#include <QMainWindow>

#include "core/app_info.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QString::fromUtf8(vx470::kApplicationTitle.data(),
                                                       vx470::kApplicationTitle.size()));
    QMainWindow window;
    window.setWindowTitle(QApplication::applicationName());
    window.resize(800, 521);
    window.show();
    return QApplication::exec();
}
