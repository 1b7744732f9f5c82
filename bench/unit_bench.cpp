// vx470-cli's commands against the simulator on pseudo-terminals, through Qt's serial ports:
// the port search with 1, 4 and 16 silent ports before the unit, and a store, a read, a
// backup and a restore on a line paced at 4800 baud, each against the time its bytes take
// on the line. Prints a table; the figures go into the closing notes.
#include <QCoreApplication>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <random>
#include <sstream>
#include <vector>

#include "cli/cli.h"
#include "core/device/unit_memory.h"
#include "desktop/qt_serial_port.h"
#include "sim/pty_server.h"

namespace {

using namespace vx470;
namespace fs = std::filesystem;

class BenchHost final : public cli::Host {
  public:
    explicit BenchHost(QStringList devices) : devices_(std::move(devices)) {}
    SerialPort& ports(const std::string&) override {
        port_.emplace(devices_, false, false);
        return *port_;
    }
    int portCount() override { return static_cast<int>(devices_.size()); }
    std::string portName(int n) override { return port_->deviceFor(n).toStdString(); }
    Clock& clock() override { return clock_; }
    bool flushToDisk(const std::string&) override { return true; }
    bool interrupted() override { return false; }
    bool terminal() override { return false; }

  private:
    QStringList devices_;
    std::optional<desktop::QtSerialPort> port_;
    SteadyClock clock_;
};

double run(BenchHost& host, std::vector<std::string> args) {
    std::ostringstream out, err;
    const auto t0 = std::chrono::steady_clock::now();
    const int rc = cli::Run(args, host, out, err);
    const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    if (rc != 0) std::fprintf(stderr, "%s failed (%d): %s", args[0].c_str(), rc, err.str().c_str());
    return s;
}

// The bytes of `frames` 10-byte frames with 10-byte replies and `blocks` block reads, at
// 4800 baud (10 bits a byte).
double lineSeconds(int frames, int blocks) {
    return (frames * 20.0 + blocks * 170.0) / 480.0;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    std::printf("port search: silent ports before the unit, each given one probe\n");
    std::printf("%8s %10s %22s\n", "silent", "search s", "one after another s");
    for (const int silent : {1, 4, 16}) {
        vxsim::Config quiet;
        quiet.faults = {{vxsim::FaultKind::NoReply, 0, 0}};
        std::vector<std::unique_ptr<vxsim::PtyServer>> servers;
        QStringList devices;
        for (int i = 0; i < silent; ++i) {
            servers.push_back(std::make_unique<vxsim::PtyServer>(quiet));
            devices.append(QString::fromStdString(servers.back()->path()));
        }
        servers.push_back(std::make_unique<vxsim::PtyServer>());
        devices.append(QString::fromStdString(servers.back()->path()));
        BenchHost host(devices);
        std::printf(
            "%8d %10.2f %22s\n", silent, run(host, {"get", "left.sensitivity"}),
            ("3 to 4 each: " + std::to_string(3 * silent) + " to " + std::to_string(4 * silent))
                .c_str());
    }

    const fs::path dir =
        fs::temp_directory_path() / ("vx470-unit-bench-" + std::to_string(std::random_device{}()));
    fs::create_directories(dir);
    const std::string file = (dir / "p.Fbk").string();
    vxsim::PtyServer from(vxsim::Config{.userPresets = {5, 6, 7, 8}, .paced = true});
    vxsim::PtyServer to(vxsim::Config{.paced = true});
    BenchHost source({QString::fromStdString(from.path())});
    BenchHost target({QString::fromStdString(to.path())});
    const int probe = 1;
    std::printf("\npaced at 4800 baud (line time = the bytes of every frame and reply)\n");
    std::printf("%-28s %8s %8s %7s\n", "command", "took s", "line s", "ratio");
    const auto row = [](const char* what, double took, double line) {
        std::printf("%-28s %8.2f %8.2f %7.4f\n", what, took, line, took / line);
    };
    // read 5: the probe, the mark, the block; store: the probe and 169 writes.
    row("read 5 FILE", run(source, {"read", "5", file}), lineSeconds(probe + 1, 1));
    row("store FILE 9 NAME", run(target, {"store", file, "9", "Bench"}),
        lineSeconds(probe + 169, 0));
    // A backup of 4 stored presets: marks, 4 x 168 bytes, the current name, the block.
    const std::string folder = (dir / "backup").string();
    row("backup (4 stored presets)", run(source, {"backup", folder}),
        lineSeconds(probe + kUserSlots + 4 * 168 + 8, 1));
    // Into the unit that holds preset 9 only: marks; 4 x (168 writes, 168 reads, the mark);
    // preset 9 unmarked first, then emptied as the backup holds it.
    row("restore (4 presets)", run(target, {"restore", folder}),
        lineSeconds(probe + kUserSlots + 4 * 337 + 1, 0));
    fs::remove_all(dir);
    return 0;
}
