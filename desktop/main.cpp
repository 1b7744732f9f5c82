#include <QApplication>
#include <QCommandLineParser>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>

#include "core/app_info.h"
#include "core/program.h"
#include "desktop/artwork.h"
#include "desktop/gate.h"
#include "desktop/main_window.h"
#include "desktop/program_text.h"
#include "desktop/qt_platform.h"
#include "desktop/qt_serial_port.h"

namespace {

// Takes the arguments Qt has left and prints help, the version or what is wrong; the exit
// code when the program ends here.
std::optional<int> parse(QCommandLineParser& parser) {
    if (!parser.parse(QCoreApplication::arguments())) {
        std::fprintf(stderr, "vx470: %s\nTry 'vx470 --help'.\n", qPrintable(parser.errorText()));
        return 2;
    }
    if (!parser.positionalArguments().isEmpty()) {
        std::fprintf(stderr, "vx470: unexpected argument '%s'\nTry 'vx470 --help'.\n",
                     qPrintable(parser.positionalArguments().first()));
        return 2;
    }
    if (parser.isSet(QStringLiteral("help")) || parser.isSet(QStringLiteral("help-all"))) {
        std::fputs(qPrintable(parser.helpText()), stdout);
        return 0;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        std::printf("vx470 %s\n", VX470_VERSION);
        return 0;
    }
    return std::nullopt;
}

// Help and the version are answered without starting the window system, which needs a display.
bool onlyAsksForText(int argc, char* argv[]) {
    return std::any_of(argv + 1, argv + argc, [](const char* a) {
        for (const char* t : {"-h", "-?", "--help", "--help-all", "-v", "--version"})
            if (std::strcmp(a, t) == 0) return true;
        return false;
    });
}

}  // namespace

int main(int argc, char* argv[]) {
    using namespace vx470;
    using namespace vx470::desktop;

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Edits, watches and stores the settings of a VX-470 feedback suppressor over RS-232.\n"
        "Without --port it looks for the unit on the port it used last, then on ports 1 to 35,\n"
        "and offers demo mode when none answers."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption portOption(
        {QStringLiteral("p"), QStringLiteral("port")},
        QStringLiteral("Use the serial port <device> (e.g. /dev/ttyUSB0 or COM3) and no other; "
                       "the port remembered for the next start stays as it is."),
        QStringLiteral("device"));
    parser.addOption(portOption);
    const QCommandLineOption logOption(
        QStringLiteral("log"),
        QStringLiteral("Add every frame to and from the unit to the end of <file> as it happens, "
                       "one line each with its meaning (as the Serial log window shows them)."),
        QStringLiteral("file"));
    parser.addOption(logOption);
    if (onlyAsksForText(argc, argv)) {
        QCoreApplication app(argc, argv);
        return parse(parser).value_or(0);
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QString::fromUtf8(
        kApplicationTitle.data(), static_cast<qsizetype>(kApplicationTitle.size())));
    QApplication::setWindowIcon(ApplicationIcon());
    if (const std::optional<int> end = parse(parser)) return *end;

    const bool named = parser.isSet(portOption);
    QtSerialPort port(named ? QStringList{parser.value(portOption)} : QtSerialPort::systemPorts(),
                      named);
    SteadyClock clock;
    QtDialogs dialogs;
    QtFileDialogs fileDialogs;
    QtHost host;
    Program program(Platform{port, clock, dialogs, fileDialogs, host});
    program.PortFromCommandLine = named;
    program.link.setObserver(&program.trafficLog);
    if (parser.isSet(logOption)) {
        errno = 0;
        if (!program.trafficLog.writeTo(ToProgramText(parser.value(logOption)))) {
            std::fprintf(stderr, "vx470: %s: %s\n", qPrintable(parser.value(logOption)),
                         errno != 0 ? std::strerror(errno) : "cannot write the log there");
            return 2;
        }
    }
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
