#include "core/graph/readout.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "core/graph/canvas.h"
#include "core/link/converters.h"

namespace vx470 {

namespace {

std::string hertz(double f) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, f < 1000 ? "%.1f Hz" : "%.0f Hz", f);
    return buffer;
}

}  // namespace

GraphReadout ReadGraph(const ResponseGraph& graph, const ChannelModel& model, int ch, double x) {
    GraphReadout r;
    if (ch < 0 || ch >= kChannels) return r;
    const double column = std::clamp(x, 0.0, static_cast<double>(Canvas::Width - 1));
    r.frequency = std::clamp(20.0 * std::pow(10.0, column / graph.PixelsPerDecade),
                             FrequencyGrid.front(), FrequencyGrid.back());
    // The sum is known on the grid: the grid frequency nearest on the log scale.
    const auto above = std::lower_bound(FrequencyGrid.begin(), FrequencyGrid.end(), r.frequency);
    std::size_t i = static_cast<std::size_t>(above - FrequencyGrid.begin());
    if (i > 0 && (i == FrequencyGrid.size() || Log10(r.frequency / FrequencyGrid[i - 1]) <
                                                   Log10(FrequencyGrid[i] / r.frequency))) {
        --i;
    }
    const double sum = graph.ChannelResponse(ch)[i];
    r.response = std::isfinite(sum) ? sum : 0;
    double nearest = HUGE_VAL;
    for (int k = 0; k < kNotchesPerChannel; ++k) {
        const double f =
            model.NotchFrequency[static_cast<std::size_t>(ch * kNotchesPerChannel + k)];
        const double distance = f > 0 ? std::abs(Log10(f / r.frequency)) : HUGE_VAL;
        if (distance < nearest) {
            nearest = distance;
            r.notch = k;
        }
    }
    const auto n = static_cast<std::size_t>(ch * kNotchesPerChannel + r.notch);
    r.automatic = r.notch < model.NumNotchAuto[static_cast<std::size_t>(ch)];
    const int q = std::clamp(static_cast<int>(model.NotchQ[n]), 0, kMaxQCode);
    char response[32], notch[160];
    std::snprintf(response, sizeof response, "%+.1f dB", r.response == 0 ? 0.0 : r.response);
    std::snprintf(notch, sizeof notch, "nearest notch %d (%s): %s, %.0f dB, Q %s", r.notch + 1,
                  r.automatic ? "automatic" : "manual", hertz(model.NotchFrequency[n]).c_str(),
                  model.NotchGainDb[n], std::string(QNames[static_cast<std::size_t>(q)]).c_str());
    r.text =
        std::string(ChannelName(ch)) + " " + hertz(r.frequency) + ": " + response + "  |  " + notch;
    return r;
}

}  // namespace vx470
