// vx470-cli: the unit's presets from the command line, without a window system.
#include <QCoreApplication>
#include <csignal>
#include <cstdio>
#include <iostream>
#include <optional>

#include "cli/cli.h"
#include "desktop/qt_files.h"
#include "desktop/qt_serial_port.h"

#ifdef Q_OS_WIN
#include <io.h>
#define isatty _isatty
#define fileno _fileno
#else
#include <unistd.h>
#endif

namespace {

volatile std::sig_atomic_t interruptedFlag = 0;

extern "C" void onInterrupt(int) {
    interruptedFlag = 1;
}

// Windows numbers its ports COM1 to COM35 whether or not they exist, as the editor does.
constexpr int kWindowsPorts = 35;

class QtCliHost final : public vx470::cli::Host {
  public:
    vx470::SerialPort& ports(const std::string& device) override {
        named_ = !device.empty();
        port_.emplace(named_ ? QStringList{QString::fromLocal8Bit(device.c_str())}
                             : vx470::desktop::QtSerialPort::systemPorts(),
                      named_, false);
        count_ = named_ ? 1 : static_cast<int>(vx470::desktop::QtSerialPort::systemPorts().size());
#ifdef Q_OS_WIN
        if (!named_) count_ = kWindowsPorts;
#endif
        return *port_;
    }
    int portCount() override { return count_; }
    std::string portName(int number) override {
        return port_ ? port_->deviceFor(number).toStdString() : std::string();
    }
    std::string openError() override {
        return port_ ? port_->openError().toStdString() : std::string();
    }
    vx470::Clock& clock() override { return clock_; }
    bool flushToDisk(const std::string& path) override {
        return vx470::desktop::FlushFileToDisk(QString::fromStdString(path));
    }
    bool interrupted() override { return interruptedFlag != 0; }
    bool terminal() override { return isatty(fileno(stderr)) != 0; }

  private:
    std::optional<vx470::desktop::QtSerialPort> port_;
    vx470::SteadyClock clock_;
    bool named_ = false;
    int count_ = 0;
};

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    std::signal(SIGINT, onInterrupt);
    std::signal(SIGTERM, onInterrupt);
    // Arguments as the system passed them: file names are UTF-8 on every system the tool
    // builds for but Windows, where Qt has them from the wide command line.
    std::vector<std::string> args;
    const QStringList all = QCoreApplication::arguments();
    for (qsizetype i = 1; i < all.size(); ++i) args.push_back(all[i].toStdString());
    QtCliHost host;
    return vx470::cli::Run(args, host, std::cout, std::cerr);
}
