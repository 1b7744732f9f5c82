#pragma once

#include <array>

#include "core/graph/canvas.h"
#include "core/model/channel_state.h"
#include "core/model/preset_image.h"
#include "core/shell/tables.h"

namespace vx470 {

// The combined notch response of each channel: every notch's contribution in dB on the
// frequency grid, their sum per channel, and the curve of that sum on the channel's canvas.
class ResponseGraph {
  public:
    using Curve = std::array<double, kFrequencyCount>;

    // Reads the notch frequency, gain and Q code of the model whenever a notch is redrawn.
    explicit ResponseGraph(const ChannelModel& model);

    // Recomputes notch n (0..23), re-sums its channel and redraws that channel's curve.
    // Any other n is ignored.
    void DrawNotchResponse(int n);
    // Draws the segment ending at grid point i (0..729) of channel ch's curve; point 0 starts
    // a new curve. Any other i or ch is ignored.
    void PlotResponsePoint(int i, int ch);
    // Replots both curves from the stored sums without recomputing anything.
    void RedrawAllResponses();

    // Pen colour of each channel's curve.
    static constexpr std::array<Canvas::Rgb, kChannels> CurveColor = {Canvas::Rgb{255, 0, 0},
                                                                      Canvas::Rgb{0, 0, 255}};

    double PixelsPerDecade;
    // 0 = Left, 1 = Right.
    std::array<Canvas, kChannels> Picture1;
    // Each notch's contribution as last computed, and each channel's sum of its twelve.
    std::array<Curve, kNotches> NotchResponse{};
    std::array<Curve, kChannels> ChannelResponse{};

  private:
    const ChannelModel& model_;
};

}  // namespace vx470
