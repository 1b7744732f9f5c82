#include <benchmark/benchmark.h>

#include "core/graph/readout.h"
#include "core/graph/response_graph.h"
#include "core/model/channel_state.h"

namespace vx470 {
namespace {

// Both channels with twelve notches spread over the band at assorted depths and widths.
ChannelModel busyModel() {
    ChannelModel model;
    for (int n = 0; n < kNotches; ++n) {
        model.NotchFrequency[n] = FrequencyGrid[static_cast<std::size_t>(30 + 55 * (n % 12))];
        model.NotchGainDb[n] = -static_cast<double>(3 * n % 46);
        model.NotchQ[n] = n % 4;
    }
    return model;
}

// One editor step: recompute one notch, re-sum its channel, clear and redraw the curve.
void BM_DrawNotchResponse(benchmark::State& state) {
    ChannelModel model = busyModel();
    ResponseGraph graph{model};
    for (int n = 0; n < kNotches; ++n) graph.DrawNotchResponse(n);
    int step = 0;
    for (auto _ : state) {
        model.NotchGainDb[5] = -static_cast<double>(step++ % 46);
        graph.DrawNotchResponse(5);
        benchmark::DoNotOptimize(graph.Picture1(0).Bits());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_DrawNotchResponse)->Unit(benchmark::kMicrosecond);

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
