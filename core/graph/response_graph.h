#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "core/graph/canvas.h"
#include "core/model/channel_state.h"
#include "core/model/preset_image.h"
#include "core/shell/tables.h"

namespace vx470 {

// The combined notch response of each channel: every notch's contribution in dB on the
// frequency grid, their sum per channel, and the curve of that sum on the channel's canvas.
//
// Drawing is deferred: DrawNotchResponse and RedrawAllResponses note what is due, and the
// curves and canvases are brought up to date when they are next read. What they then hold is
// exactly what drawing at once would have left; a whole preset load costs one curve per
// channel, or nothing when no one looks.
class ResponseGraph {
  public:
    using Curve = std::array<double, kFrequencyCount>;

    explicit ResponseGraph(const ChannelModel& model);

    // Recomputes notch n (0..23) from the frequency, gain and Q code the model holds now,
    // re-sums its channel and redraws that channel's curve. Any other n is ignored.
    void DrawNotchResponse(int n);
    // Draws the segment ending at grid point i (0..729) of channel ch's curve; point 0 starts
    // a new curve. Any other i or ch is ignored.
    void PlotResponsePoint(int i, int ch);
    // Replots both curves from the stored sums without recomputing anything.
    void RedrawAllResponses();

    // Channel ch's canvas (0 = Left, 1 = Right), up to date.
    const Canvas& Picture1(int ch) const;
    // Notch n's contribution as last computed, and channel ch's sum of its twelve.
    const Curve& NotchResponse(int n) const;
    const Curve& ChannelResponse(int ch) const;
    // The stored sum itself, for replotting other levels than the notches give.
    Curve& ChannelResponse(int ch);

    const ChannelModel& Model() const { return model_; }

    // Curves to hold against the live ones (another preset's sums), drawn under them on each
    // canvas in CompareColor; nullptr takes them away, and the canvases show what they did.
    void Compare(const std::array<Curve, kChannels>* sums);
    // Channel ch's compared curve, if there is one.
    const Curve* Compared(int ch) const {
        return compared_ && ch >= 0 && ch < kChannels ? &(*compared_)[static_cast<std::size_t>(ch)]
                                                      : nullptr;
    }

    // Pen colour of each channel's curve, and of the curve it is compared with.
    static constexpr std::array<Canvas::Rgb, kChannels> CurveColor = {Canvas::Rgb{255, 0, 0},
                                                                      Canvas::Rgb{0, 0, 255}};
    static constexpr std::array<Canvas::Rgb, kChannels> CompareColor = {Canvas::Rgb{230, 120, 0},
                                                                        Canvas::Rgb{0, 150, 60}};

    // Read when a redraw is asked for, not when it is carried out.
    double PixelsPerDecade;

  private:
    struct NotchShape {
        double frequency, gain, qCode;
        bool operator==(const NotchShape&) const = default;
    };
    // Computes the notches and sums that are due, then replots channel ch if it is due.
    void update(std::size_t ch) const;
    // Draws the segment to grid point i of channel ch's curve, at column x.
    void plot(std::size_t i, std::size_t ch, int x) const;
    // The same for a level of another curve, in `color`.
    void plot(std::size_t i, std::size_t ch, int x, double level, Canvas::Rgb color) const;
    // The column of every grid point at a scale; kept for the scale last asked for.
    const std::array<int, kFrequencyCount>& columns(double pixelsPerDecade) const;

    const ChannelModel& model_;
    // What each notch was last asked to show.
    std::array<NotchShape, kNotches> shape_{};
    // What each notch's curve was computed from: a notch asked to show the same again (a
    // preset loaded twice, a link of equal channels) is not computed again.
    mutable std::array<NotchShape, kNotches> computed_;
    mutable std::array<bool, kChannels> sumDue_{}, curveDue_{};
    std::array<double, kChannels> curveScale_{};

    mutable std::array<Canvas, kChannels> canvas_;
    mutable std::array<Curve, kNotches> notch_{};
    mutable std::array<Curve, kChannels> sum_{};
    std::optional<std::array<Curve, kChannels>> compared_;
    mutable std::array<int, kFrequencyCount> columns_{};
    mutable std::optional<std::uint64_t> columnsScale_;
};

// What the graph of `image` would sum for each channel once the editor held it: its notches
// decoded as the editor's rows take them, into a model and a graph of their own.
std::array<ResponseGraph::Curve, kChannels> ImageResponses(const PresetImage& image);

}  // namespace vx470
