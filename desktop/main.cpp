#include <QApplication>

#include "core/app_info.h"
#include "core/program.h"
#include "desktop/artwork.h"
#include "desktop/gate.h"
#include "desktop/main_window.h"
#include "desktop/qt_platform.h"
#include "desktop/qt_serial_port.h"

int main(int argc, char* argv[]) {
    using namespace vx470;
    using namespace vx470::desktop;

    QApplication app(argc, argv);
    QApplication::setApplicationName(QString::fromUtf8(
        kApplicationTitle.data(), static_cast<qsizetype>(kApplicationTitle.size())));
    QApplication::setWindowIcon(ApplicationIcon());

    QtSerialPort port(QtSerialPort::systemPorts());
    SteadyClock clock;
    QtDialogs dialogs;
    QtFileDialogs fileDialogs;
    QtHost host;
    Program program(Platform{port, clock, dialogs, fileDialogs, host});
    Gate gate(program);
    gate.watchInput(app);
    host.attach(program, gate);
    dialogs.attach(gate);
    fileDialogs.attach(gate);

    MainWindow mainWindow(program, gate);
    SplashWindow splash(program);
    splash.show();
    gate.enter(nullptr, [&] { program.Start(); });
    if (gate.ended()) return gate.exitCode();
    const int status = QApplication::exec();
    return gate.ended() ? gate.exitCode() : status;
}
