#include <benchmark/benchmark.h>

#include "bench/busy_model.h"
#include "core/graph/readout.h"
#include "core/graph/response_graph.h"
#include "core/model/channel_state.h"

namespace vx470 {
namespace {

// One editor step: recompute one notch, re-sum its channel, clear and redraw the curve; with
// argument 1, over the curve of a preset compared with it.
void BM_DrawNotchResponse(benchmark::State& state) {
    ChannelModel model = busyModel();
    ResponseGraph graph{model};
    for (int n = 0; n < kNotches; ++n) graph.DrawNotchResponse(n);
    if (state.range(0) == 1) {
        PresetImage other{};
        for (int n = 0; n < kNotches; ++n)
            other[NotchOffset[n] + 2] = static_cast<std::uint8_t>(40 * n);
        const auto sums = ImageResponses(other);
        graph.Compare(&sums);
    }
    int step = 0;
    for (auto _ : state) {
        model.NotchGainDb[5] = -static_cast<double>(step++ % 46);
        graph.DrawNotchResponse(5);
        benchmark::DoNotOptimize(graph.Picture1(0).Bits());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_DrawNotchResponse)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// What a view's look at both graphs costs while the line waits and nothing has changed.
void BM_GraphsUnchanged(benchmark::State& state) {
    const ChannelModel model = busyModel();
    ResponseGraph graph{model};
    for (int n = 0; n < kNotches; ++n) graph.DrawNotchResponse(n);
    for (auto _ : state) {
        benchmark::DoNotOptimize(graph.Picture1(0).Revision() + graph.Picture1(1).Revision());
    }
}
BENCHMARK(BM_GraphsUnchanged);

// What the status line shows for one pointer move over a graph.
void BM_ReadGraph(benchmark::State& state) {
    const ChannelModel model = busyModel();
    ResponseGraph graph{model};
    for (int n = 0; n < kNotches; ++n) graph.DrawNotchResponse(n);
    double x = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(ReadGraph(graph, model, 0, x).text.data());
        x = x >= 575 ? 0 : x + 1.5;
    }
}
BENCHMARK(BM_ReadGraph)->Unit(benchmark::kMicrosecond);

void BM_RedrawAllResponses(benchmark::State& state) {
    const ChannelModel model = busyModel();
    ResponseGraph graph{model};
    for (int n = 0; n < kNotches; ++n) graph.DrawNotchResponse(n);
    for (auto _ : state) {
        graph.RedrawAllResponses();
        benchmark::DoNotOptimize(graph.Picture1(1).Bits());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_RedrawAllResponses)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace vx470
