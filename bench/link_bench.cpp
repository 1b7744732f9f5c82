// The host's cost per transaction against the simulator on a pty that answers at once: the
// line itself needs 41.7 ms at 4800 baud for a frame and its reply, so everything measured
// here is overhead of ours (and of the pty). The argument `log` is 0 for no traffic log on
// the link, 1 for the log in memory only, 2 for the log and its file; the same transaction
// against the simulated unit in-process (no pty, no system calls but the file's) shows the
// log's own share.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <vector>

#include "core/link/commands.h"
#include "core/link/link.h"
#include "core/link/traffic_log.h"
#include "desktop/qt_serial_port.h"
#include "sim/pty_server.h"
#include "tests/support/sim_line.h"

namespace {

using namespace vx470;

// The unit answers every frame here; a message box would mean the benchmark is broken.
class NoDialogs final : public Dialogs {
  public:
    Answer show(const MessageBox&) override { std::abort(); }
};

struct Rig {
    vxsim::PtyServer server{vxsim::Config{.userPresets = {5, 9}}};
    desktop::QtSerialPort port{QStringList{QString::fromStdString(server.path())}};
    SteadyClock clock;
    NoDialogs dialogs;
    Link link{port, clock, dialogs};

    explicit Rig(std::size_t bufferSize) {
        link.CommPortNumber = 1;
        link.OpenCommPort();
        link.ReopenWithBufferSize(bufferSize);
    }
};

// The traffic log the benchmark's argument asks for, attached to `link`.
class Logging {
  public:
    Logging(benchmark::State& state, Link& link, Clock& clock) : link_(link) {
        if (state.range(0) == 0) return;
        log_ = std::make_unique<TrafficLog>(clock);
        if (state.range(0) == 2 && !log_->writeTo(path_.string())) std::abort();
        link.setObserver(log_.get());
    }
    ~Logging() {
        link_.setObserver(nullptr);
        log_.reset();
        std::error_code error;
        std::filesystem::remove(path_, error);
    }

  private:
    Link& link_;
    std::unique_ptr<TrafficLog> log_;
    std::filesystem::path path_ = std::filesystem::temp_directory_path() / "vx470-link-bench.log";
};

void report(benchmark::State& state, std::vector<double>& micros) {
    std::sort(micros.begin(), micros.end());
    if (micros.empty()) return;
    state.counters["median_us"] = micros[micros.size() / 2];
    state.counters["p99_us"] = micros[std::min(micros.size() - 1, micros.size() * 99 / 100)];
}

template <typename Transaction>
void measure(benchmark::State& state, Transaction transaction) {
    std::vector<double> micros;
    for (auto _ : state) {
        const auto t0 = std::chrono::steady_clock::now();
        transaction();
        const auto t1 = std::chrono::steady_clock::now();
        micros.push_back(std::chrono::duration<double, std::micro>(t1 - t0).count());
    }
    report(state, micros);
}

void BM_SendFrame(benchmark::State& state) {
    Rig rig(kReplySize);
    Logging logging(state, rig.link, rig.clock);
    measure(state, [&] { rig.link.SendFrame(Frames::ReadByte(0, 48)); });
}
BENCHMARK(BM_SendFrame)->ArgName("log")->DenseRange(0, 2)->Iterations(5000)->UseRealTime();

void BM_SendFrameInProcess(benchmark::State& state) {
    vxsim::Unit unit({.userPresets = {5, 9}});
    test::SimLine line(unit);
    NoDialogs dialogs;
    Link link(line, line, dialogs);
    link.CommPortNumber = 1;
    link.OpenCommPort();
    link.ReopenWithBufferSize(kReplySize);
    Logging logging(state, link, line);
    measure(state, [&] { link.SendFrame(Frames::ReadByte(0, 48)); });
}
BENCHMARK(BM_SendFrameInProcess)->ArgName("log")->DenseRange(0, 2)->Iterations(20000);

void BM_ReadImageBlock(benchmark::State& state) {
    Rig rig(kBlockReplySize);
    measure(state, [&] { rig.link.ReadImageBlock(Frames::ReadBlock(kRunningImage)); });
}
BENCHMARK(BM_ReadImageBlock)->Iterations(1000)->UseRealTime();

}  // namespace
