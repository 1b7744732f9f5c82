#pragma once

#include <array>

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

    // Pen colour of each channel's curve.
    static constexpr std::array<Canvas::Rgb, kChannels> CurveColor = {Canvas::Rgb{255, 0, 0},
                                                                      Canvas::Rgb{0, 0, 255}};

    // Read when a redraw is asked for, not when it is carried out.
    double PixelsPerDecade;

  private:
    struct NotchShape {
        double frequency, gain, qCode;
    };
    // Computes the notches and sums that are due, then replots channel ch if it is due.
    void update(std::size_t ch) const;
    void plot(std::size_t i, std::size_t ch, double pixelsPerDecade) const;

    const ChannelModel& model_;
    // What each notch was last asked to show, and the work still to do for it.
    std::array<NotchShape, kNotches> shape_{};
    mutable std::array<bool, kNotches> notchDue_{};
    mutable std::array<bool, kChannels> sumDue_{}, curveDue_{};
    std::array<double, kChannels> curveScale_{};

    mutable std::array<Canvas, kChannels> canvas_;
    mutable std::array<Curve, kNotches> notch_{};
    mutable std::array<Curve, kChannels> sum_{};
};

}  // namespace vx470
