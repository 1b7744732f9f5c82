#include "core/graph/response_graph.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>
#include <utility>

#include "core/graph/scale.h"
#include "core/link/converters.h"

namespace vx470 {
namespace {

// Far beyond the surface, yet safe to convert to int.
constexpr double kPixelLimit = 100000.0;

int toPixel(double v) {
    if (std::isnan(v)) v = 0.0;
    // Rounds half to even as nearbyint does, without its library call (a fifth of a curve):
    // adding and taking away 1.5 * 2^52 leaves the nearest integer of any |v| below 2^51.
    constexpr double kRound = 6755399441055744.0;
    const double limited = std::clamp(v, -kPixelLimit, kPixelLimit);
    return static_cast<int>((limited + kRound) - kRound);
}

// The Q factor of a Q code, which the model holds as a double; codes outside the table take
// its nearest end.
double qFactor(double code) {
    if (!(code >= 0.0)) return QFactors.front();
    const double index = std::nearbyint(std::min(code, static_cast<double>(kMaxQCode)));
    return QFactors[static_cast<std::size_t>(index)];
}

// Decades above 20 Hz of each grid point: its column is this times the columns per decade.
const ResponseGraph::Curve& decadesAbove20Hz() {
    static const ResponseGraph::Curve decades = [] {
        ResponseGraph::Curve d{};
        for (std::size_t i = 0; i < kFrequencyCount; ++i) d[i] = Log10(FrequencyGrid[i] / 20.0);
        return d;
    }();
    return decades;
}

}  // namespace

ResponseGraph::ResponseGraph(const ChannelModel& model)
    : PixelsPerDecade(DecadeWidth()), model_(model) {
    // NaN matches nothing, so every notch is computed the first time.
    const double none = std::numeric_limits<double>::quiet_NaN();
    computed_.fill({none, none, none});
}

void ResponseGraph::DrawNotchResponse(int n) {
    if (n < 0 || n >= kNotches) return;
    const auto i = static_cast<std::size_t>(n), ch = static_cast<std::size_t>(ChannelOfNotch(n));
    shape_[i] = {model_.NotchFrequency[i], model_.NotchGainDb[i], model_.NotchQ[i]};
    sumDue_[ch] = curveDue_[ch] = true;
    curveScale_[ch] = PixelsPerDecade;
}

void ResponseGraph::PlotResponsePoint(int i, int ch) {
    if (i < 0 || i >= static_cast<int>(kFrequencyCount) || ch < 0 || ch >= kChannels) return;
    update(static_cast<std::size_t>(ch));
    plot(static_cast<std::size_t>(i), static_cast<std::size_t>(ch),
         columns(PixelsPerDecade)[static_cast<std::size_t>(i)]);
}

void ResponseGraph::RedrawAllResponses() {
    curveDue_.fill(true);
    curveScale_.fill(PixelsPerDecade);
}

void ResponseGraph::Compare(const std::array<Curve, kChannels>* sums) {
    if (sums != nullptr) {
        compared_ = *sums;
    } else {
        compared_.reset();
    }
    RedrawAllResponses();
}

const Canvas& ResponseGraph::Picture1(int ch) const {
    update(static_cast<std::size_t>(ch));
    return canvas_[static_cast<std::size_t>(ch)];
}

const ResponseGraph::Curve& ResponseGraph::NotchResponse(int n) const {
    update(static_cast<std::size_t>(ChannelOfNotch(n)));
    return notch_[static_cast<std::size_t>(n)];
}

const ResponseGraph::Curve& ResponseGraph::ChannelResponse(int ch) const {
    update(static_cast<std::size_t>(ch));
    return sum_[static_cast<std::size_t>(ch)];
}

ResponseGraph::Curve& ResponseGraph::ChannelResponse(int ch) {
    update(static_cast<std::size_t>(ch));
    return sum_[static_cast<std::size_t>(ch)];
}

void ResponseGraph::update(std::size_t ch) const {
    const std::size_t first = ch * kNotchesPerChannel;
    for (std::size_t n = first; n < first + kNotchesPerChannel; ++n) {
        // Due when asked to show another shape than its curve was computed from.
        if (computed_[n] == shape_[n]) continue;
        computed_[n] = shape_[n];
        const double fc = shape_[n].frequency, gain = shape_[n].gain;
        const double q = qFactor(shape_[n].qCode);
        // A notch without a usable frequency has no shape; it adds nothing rather than NaN.
        if (!(fc > 0.0)) {
            notch_[n].fill(0.0);
            continue;
        }
        // A 0 dB notch, the most common kind, is zero everywhere: gain over a finite
        // denominator of at least 1 is the gain itself, sign and all.
        if (gain == 0.0) {
            notch_[n].fill(gain);
            continue;
        }
        for (std::size_t i = 0; i < kFrequencyCount; ++i) {
            const double f = FrequencyGrid[i];
            const double r = gain / (1.0 + std::pow(q, 2.0) * std::pow(fc / f - f / fc, 2.0));
            notch_[n][i] = std::isnan(r) ? 0.0 : r;
        }
    }
    if (std::exchange(sumDue_[ch], false)) {
        for (std::size_t i = 0; i < kFrequencyCount; ++i) {
            double total = 0.0;
            for (std::size_t n = first; n < first + kNotchesPerChannel; ++n) total += notch_[n][i];
            sum_[ch][i] = total;
        }
    }
    if (std::exchange(curveDue_[ch], false)) {
        canvas_[ch].Clear();
        const auto& x = columns(curveScale_[ch]);
        // The compared curve first, so that the live one stays on top where they meet.
        if (compared_) {
            const Curve& other = (*compared_)[ch];
            for (std::size_t i = 0; i < kFrequencyCount; ++i)
                plot(i, ch, x[i], other[i], CompareColor[ch]);
        }
        for (std::size_t i = 0; i < kFrequencyCount; ++i) plot(i, ch, x[i]);
    }
}

const std::array<int, kFrequencyCount>& ResponseGraph::columns(double pixelsPerDecade) const {
    // Compared bit for bit: the same bits give the same columns, NaN included.
    const auto bits = std::bit_cast<std::uint64_t>(pixelsPerDecade);
    if (!columnsScale_ || *columnsScale_ != bits) {
        for (std::size_t i = 0; i < kFrequencyCount; ++i)
            columns_[i] = toPixel(decadesAbove20Hz()[i] * pixelsPerDecade);
        columnsScale_ = bits;
    }
    return columns_;
}

void ResponseGraph::plot(std::size_t i, std::size_t ch, int x) const {
    plot(i, ch, x, sum_[ch][i], CurveColor[ch]);
}

void ResponseGraph::plot(std::size_t i, std::size_t ch, int x, double level,
                         Canvas::Rgb color) const {
    Canvas& canvas = canvas_[ch];
    // The lead-in segment to point 0 starts off the surface, so it leaves nothing visible.
    if (i == 0) canvas.MoveTo(-10, 0);
    canvas.SetPenColor(color);
    // +inf and -inf contributions together sum to NaN: draw that as 0 dB.
    if (std::isnan(level)) level = 0.0;
    canvas.LineTo(x, toPixel(DbRow(level)));
}

std::array<ResponseGraph::Curve, kChannels> ImageResponses(const PresetImage& image) {
    ChannelModel model{};
    ResponseGraph graph(model);
    for (int n = 0; n < kNotches; ++n) {
        const std::size_t i = static_cast<std::size_t>(n);
        const std::size_t o = static_cast<std::size_t>(NotchOffset[i]);
        // The rows' ranges: what a loaded image would show and send.
        const int f = std::min(NotchFrequencyIndex(image, n), kMaxFrequencyIndex);
        model.NotchFrequency[i] = FrequencyGrid[static_cast<std::size_t>(f)];
        model.NotchGainDb[i] =
            std::min<int>(image[o + NotchRecord::Gain], kMaxGainCode) - kMaxGainCode;
        model.NotchQ[i] = std::min<int>(image[o + NotchRecord::Q], kMaxQCode);
        graph.DrawNotchResponse(n);
    }
    return {graph.ChannelResponse(0), graph.ChannelResponse(1)};
}

}  // namespace vx470
