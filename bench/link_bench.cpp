// The host's cost per transaction against the simulator on a pty that answers at once: the
// line itself needs 41.7 ms at 4800 baud for a frame and its reply, so everything measured
// here is overhead of ours (and of the pty).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <vector>

#include "core/link/commands.h"
#include "core/link/link.h"
#include "desktop/qt_serial_port.h"
#include "sim/pty_server.h"

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
    measure(state, [&] { rig.link.SendFrame(Frames::ReadByte(0, 48)); });
}
BENCHMARK(BM_SendFrame)->Iterations(2000)->UseRealTime();

void BM_ReadImageBlock(benchmark::State& state) {
    Rig rig(kBlockReplySize);
    measure(state, [&] { rig.link.ReadImageBlock(Frames::ReadBlock(kRunningImage)); });
}
BENCHMARK(BM_ReadImageBlock)->Iterations(1000)->UseRealTime();

}  // namespace
