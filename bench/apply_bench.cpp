// Putting a whole preset image into the editor with sending suppressed, as the start-up
// read-out and a preset read do: 24 notch rows (each recomputing its contribution and
// redrawing its channel's curve) and both channels' settings.
#include <benchmark/benchmark.h>

#include <algorithm>

#include "core/program.h"
#include "core/shell/tables.h"
#include "tests/fakes/fakes.h"

namespace {

using namespace vx470;

void BM_ApplyImageToEditor(benchmark::State& state) {
    test::FakePlatform p;
    Program program(Platform{p.port, p.clock, p.dialogs, p.fileDialogs, p.host});
    std::copy(DefaultImage.begin(), DefaultImage.end(), program.channels.image.begin());
    // A few notches of different depth and width, so the curves are not flat.
    program.channels.image[44] = 10;
    program.channels.image[47] = 3;
    program.channels.image[132] = 20;
    program.link.SuppressSend = true;
    for (auto _ : state) {
        program.channelOps.ApplyImageToEditor();
        // As the window does afterwards: both curves are drawn when their canvases are read.
        for (int ch : {0, 1}) benchmark::DoNotOptimize(program.graph.Picture1(ch).Revision());
    }
    if (!p.port.writes.empty()) state.SkipWithError("a frame went out");
}
BENCHMARK(BM_ApplyImageToEditor)->Unit(benchmark::kMillisecond);

}  // namespace
