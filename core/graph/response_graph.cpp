#include "core/graph/response_graph.h"

#include <algorithm>
#include <cmath>

#include "core/graph/scale.h"
#include "core/link/converters.h"

namespace vx470 {
namespace {

// Far beyond the surface, yet safe to convert to int.
constexpr double kPixelLimit = 100000.0;

int toPixel(double v) {
    if (std::isnan(v)) v = 0.0;
    return static_cast<int>(std::nearbyint(std::clamp(v, -kPixelLimit, kPixelLimit)));
}

// The Q factor of a Q code, which the model holds as a double; codes outside the table take
// its nearest end.
double qFactor(double code) {
    if (!(code >= 0.0)) return QFactors.front();
    const double index = std::nearbyint(std::min(code, static_cast<double>(kMaxQCode)));
    return QFactors[static_cast<std::size_t>(index)];
}

}  // namespace

ResponseGraph::ResponseGraph(const ChannelModel& model)
    : PixelsPerDecade(DecadeWidth()), model_(model) {}

void ResponseGraph::DrawNotchResponse(int n) {
    if (n < 0 || n >= kNotches) return;
    const int ch = ChannelOfNotch(n);
    Picture1[static_cast<std::size_t>(ch)].Clear();

    const double fc = model_.NotchFrequency[static_cast<std::size_t>(n)];
    const double gain = model_.NotchGainDb[static_cast<std::size_t>(n)];
    const double q = qFactor(model_.NotchQ[static_cast<std::size_t>(n)]);
    // A notch without a usable frequency has no shape; it adds nothing rather than NaN.
    const bool shaped = fc > 0.0;

    Curve& notch = NotchResponse[static_cast<std::size_t>(n)];
    Curve& sum = ChannelResponse[static_cast<std::size_t>(ch)];
    const auto first = static_cast<std::size_t>(ch * kNotchesPerChannel);
    for (std::size_t i = 0; i < kFrequencyCount; ++i) {
        const double f = FrequencyGrid[i];
        double r = 0.0;
        if (shaped) {
            r = gain / (1.0 + std::pow(q, 2.0) * std::pow(fc / f - f / fc, 2.0));
            if (std::isnan(r)) r = 0.0;
        }
        notch[i] = r;

        double total = 0.0;
        for (int k = 0; k < kNotchesPerChannel; ++k) {
            total += NotchResponse[first + static_cast<std::size_t>(k)][i];
        }
        sum[i] = total;

        PlotResponsePoint(static_cast<int>(i), ch);
    }
}

void ResponseGraph::PlotResponsePoint(int i, int ch) {
    if (i < 0 || i >= static_cast<int>(kFrequencyCount) || ch < 0 || ch >= kChannels) return;
    Canvas& canvas = Picture1[static_cast<std::size_t>(ch)];
    // The lead-in segment to point 0 starts off the surface, so it leaves nothing visible.
    if (i == 0) canvas.MoveTo(-10, 0);
    canvas.SetPenColor(CurveColor[static_cast<std::size_t>(ch)]);

    double level = ChannelResponse[static_cast<std::size_t>(ch)][static_cast<std::size_t>(i)];
    // +inf and -inf contributions together sum to NaN: draw that as 0 dB.
    if (std::isnan(level)) level = 0.0;
    const double y = kZeroDbRow - kRowsPerDb * level;
    const double x = Log10(FrequencyGrid[static_cast<std::size_t>(i)] / 20.0) * PixelsPerDecade;
    canvas.LineTo(toPixel(x), toPixel(y));
}

void ResponseGraph::RedrawAllResponses() {
    Picture1[0].Clear();
    Picture1[1].Clear();
    for (int ch = 0; ch < kChannels; ++ch) {
        for (int i = 0; i < static_cast<int>(kFrequencyCount); ++i) PlotResponsePoint(i, ch);
    }
}

}  // namespace vx470
