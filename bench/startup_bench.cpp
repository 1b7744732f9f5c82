// The start-up read-out against a unit paced at the real 4800 baud, all 16 user presets used:
// 156 frames and their replies, one of them the 160-byte image. The line alone needs
// (156 * 10 + 155 * 10 + 160) bytes * 10 bits / 4800 baud = 6.81 s; the figure that matters
// is how far above that the whole read-out ends.
#include <benchmark/benchmark.h>

#include <chrono>

#include "core/program.h"
#include "desktop/qt_serial_port.h"
#include "sim/pty_server.h"
#include "tests/fakes/fakes.h"

namespace {

using namespace vx470;

constexpr double kLineBytes = 156 * 10 + 155 * 10 + 160;
constexpr double kLineSeconds = kLineBytes * 10 / 4800;

void BM_StartupDumpPaced(benchmark::State& state) {
    vxsim::Config config{.userPresets = {5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20},
                         .paced = true};
    for (auto _ : state) {
        vxsim::PtyServer server(config);
        desktop::QtSerialPort port(QStringList{QString::fromStdString(server.path())});
        SteadyClock clock;
        test::FakeDialogs dialogs;
        test::FakeFileDialogs files;
        test::FakeHost host;
        Program program(Platform{port, clock, dialogs, files, host});
        program.link.CommPortNumber = 1;
        program.link.OpenCommPort();
        program.link.ReopenWithBufferSize(kReplySize);

        const auto t0 = std::chrono::steady_clock::now();
        program.mainWindow.DumpDeviceMemory();
        const auto t1 = std::chrono::steady_clock::now();
        const double seconds = std::chrono::duration<double>(t1 - t0).count();
        state.SetIterationTime(seconds);
        state.counters["frames"] = static_cast<double>(server.frameCount());
        state.counters["line_s"] = kLineSeconds;
        state.counters["ratio"] = seconds / kLineSeconds;
        if (!dialogs.shown.empty()) state.SkipWithError("a message box appeared");
    }
}
BENCHMARK(BM_StartupDumpPaced)
    ->Iterations(1)
    ->Repetitions(3)
    ->UseManualTime()
    ->Unit(benchmark::kSecond);

}  // namespace
