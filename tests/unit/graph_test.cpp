#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <limits>
#include <set>
#include <utility>

#include "core/graph/canvas.h"
#include "core/graph/response_graph.h"
#include "core/shell/tables.h"

namespace vx470 {
namespace {

using Point = std::pair<int, int>;
using Points = std::set<Point>;
constexpr Canvas::Rgb kRed{255, 0, 0};
constexpr Canvas::Rgb kBlue{0, 0, 255};
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// Every pixel that differs from an untouched canvas.
Points painted(const Canvas& c) {
    const Canvas blank;
    Points out;
    for (int y = 0; y < Canvas::Height; ++y) {
        for (int x = 0; x < Canvas::Width; ++x) {
            if (!(c.Pixel(x, y) == blank.Pixel(x, y))) out.insert({x, y});
        }
    }
    return out;
}

bool sameBits(const Canvas& a, const Canvas& b) {
    return std::memcmp(a.Bits(), b.Bits(),
                       sizeof(std::uint32_t) * Canvas::Width * Canvas::Height) == 0;
}

TEST(CanvasBackground, GridOnTheCurveScaleInGreysOnly) {
    const Canvas c;
    for (int row : {0, 64, 95, 127, 159, 191}) EXPECT_EQ(c.Pixel(10, row), Canvas::GridLine) << row;
    EXPECT_EQ(c.Pixel(10, 32), Canvas::ZeroDbLine);
    for (int column : {134, 326, 517}) EXPECT_EQ(c.Pixel(column, 10), Canvas::GridLine) << column;
    EXPECT_EQ(c.Pixel(10, 10), Canvas::Paper);
    // Grey everywhere, so a red or blue curve stands out on every pixel.
    for (int y = 0; y < Canvas::Height; ++y) {
        for (int x = 0; x < Canvas::Width; ++x) {
            const auto p = c.Pixel(x, y);
            ASSERT_TRUE(p.r == p.g && p.g == p.b && p.r >= 150) << x << "," << y;
        }
    }
    EXPECT_EQ(c.Bits()[10 * Canvas::Width + 10], 0xFFFFFFFFu);
}

TEST(CanvasLine, StraightLinesStopShortOfTheirEnd) {
    Canvas c;
    c.SetPenColor(kRed);
    c.MoveTo(10, 10);
    c.LineTo(20, 10);  // horizontal
    c.LineTo(20, 40);  // vertical, from the previous end
    c.LineTo(10, 50);  // diagonal
    c.LineTo(10, 50);  // zero length
    Points expected;
    for (int x = 10; x < 20; ++x) expected.insert({x, 10});
    for (int y = 10; y < 40; ++y) expected.insert({20, y});
    for (int k = 0; k < 10; ++k) expected.insert({20 - k, 40 + k});
    EXPECT_EQ(painted(c), expected);
    EXPECT_EQ(c.Pixel(20, 10), kRed);
    EXPECT_EQ(c.Bits()[10 * Canvas::Width + 10], 0xFFFF0000u);
}

TEST(CanvasLine, ClipsAtTheEdgesAndSurvivesExtremeCoordinates) {
    Canvas c;
    c.SetPenColor(kBlue);
    c.MoveTo(-100, 50);
    c.LineTo(700, 50);
    c.MoveTo(300, -5);
    c.LineTo(300, 500);
    c.MoveTo(INT_MIN, INT_MIN);
    c.LineTo(INT_MAX, INT_MAX);
    c.LineTo(INT_MIN, INT_MAX);
    Points expected;
    for (int x = 0; x < Canvas::Width; ++x) expected.insert({x, 50});
    for (int y = 0; y < Canvas::Height; ++y) expected.insert({300, y});
    for (int k = 0; k < Canvas::Height; ++k) expected.insert({k, k});
    EXPECT_EQ(painted(c), expected);
    EXPECT_EQ(c.Pixel(-1, 0), Canvas::Paper);
    EXPECT_EQ(c.Pixel(Canvas::Width, 0), Canvas::Paper);
    EXPECT_EQ(c.Pixel(0, Canvas::Height), Canvas::Paper);
}

TEST(CanvasLine, ClippedPartMatchesTheSameLineDrawnInside) {
    struct Line {
        int x0, y0, x1, y1, dx, dy;  // dx, dy: shift that brings the line fully inside
    };
    const Line lines[] = {{-37, 5, 63, 150, 200, 0},     {63, 150, -37, 5, 200, 0},
                          {10, -40, 110, 30, 0, 100},    {110, 30, 10, -40, 0, 100},
                          {560, 180, 700, 100, -300, 0}, {5, 170, 90, 260, 0, -80},
                          {550, -25, 590, 170, -100, 25}};
    for (const Line& l : lines) {
        Canvas clipped, inside;
        clipped.MoveTo(l.x0, l.y0);
        clipped.LineTo(l.x1, l.y1);
        inside.MoveTo(l.x0 + l.dx, l.y0 + l.dy);
        inside.LineTo(l.x1 + l.dx, l.y1 + l.dy);
        Points expected;
        for (const auto& [x, y] : painted(inside)) {
            const int cx = x - l.dx, cy = y - l.dy;
            if (cx >= 0 && cx < Canvas::Width && cy >= 0 && cy < Canvas::Height) {
                expected.insert({cx, cy});
            }
        }
        EXPECT_FALSE(expected.empty());
        EXPECT_EQ(painted(clipped), expected) << l.x0 << "," << l.y0 << " " << l.x1 << "," << l.y1;
    }
}

TEST(CanvasLine, ClearRestoresTheBackgroundAndEveryChangeBumpsTheRevision) {
    Canvas c;
    auto revision = c.Revision();
    c.MoveTo(-50, -50);
    c.LineTo(600, 250);
    EXPECT_NE(c.Revision(), revision);
    revision = c.Revision();
    c.Clear();
    EXPECT_NE(c.Revision(), revision);
    EXPECT_TRUE(sameBits(c, Canvas{}));
}

class ResponseGraphTest : public ::testing::Test {
  protected:
    void setNotch(int n, double f, double gain, double q) {
        model.NotchFrequency[n] = f;
        model.NotchGainDb[n] = gain;
        model.NotchQ[n] = q;
    }
    static int gridIndex(double f) {
        return static_cast<int>(std::find(FrequencyGrid.begin(), FrequencyGrid.end(), f) -
                                FrequencyGrid.begin());
    }
    // The lowest painted row of a column, or -1.
    int bottomRow(int ch, int x) const {
        int bottom = -1;
        for (const auto& [px, py] : painted(graph.Picture1[ch])) {
            if (px == x) bottom = std::max(bottom, py);
        }
        return bottom;
    }

    ChannelModel model;
    ResponseGraph graph{model};
};

TEST_F(ResponseGraphTest, ZeroDbCurvesAreFlatOnRow32InTheirChannelColours) {
    EXPECT_NEAR(graph.PixelsPerDecade, 191.6666666666667, 1e-12);
    for (int n = 0; n < kNotches; ++n) setNotch(n, 1003, 0, 2);
    for (int n = 0; n < kNotches; ++n) graph.DrawNotchResponse(n);
    for (int ch = 0; ch < kChannels; ++ch) {
        const Canvas& c = graph.Picture1[ch];
        for (int x = 1; x < Canvas::Width - 1; ++x)
            ASSERT_EQ(c.Pixel(x, 32), ch == 0 ? kRed : kBlue);
        // Only the lead-in from off the surface may touch column 0 above the line.
        for (const auto& [x, y] : painted(c)) EXPECT_TRUE(y == 32 || x == 0) << x << "," << y;
    }
    // Never-computed contributions are 0 too, so a fresh redraw looks the same.
    ResponseGraph fresh{model};
    fresh.RedrawAllResponses();
    EXPECT_TRUE(sameBits(fresh.Picture1[0], graph.Picture1[0]));
    EXPECT_TRUE(sameBits(fresh.Picture1[1], graph.Picture1[1]));
}

TEST_F(ResponseGraphTest, DeepWideNotchAt1003Hz) {
    setNotch(3, 1003, -45, 3);
    graph.DrawNotchResponse(3);
    EXPECT_EQ(gridIndex(1003), 413);
    EXPECT_DOUBLE_EQ(graph.NotchResponse[3][413], -45.0);
    EXPECT_NEAR(graph.NotchResponse[3][412], -44.19, 0.005);             // 993.6 Hz
    EXPECT_NEAR(graph.NotchResponse[3][gridIndex(2008)], -0.38, 0.005);  // octave above
    EXPECT_EQ(graph.ChannelResponse[0], graph.NotchResponse[3]);
    EXPECT_EQ(bottomRow(0, 326), 175);

    setNotch(3, 1003, -45, 0);
    graph.DrawNotchResponse(3);
    EXPECT_NEAR(graph.NotchResponse[3][412], -9.75, 0.005);
}

TEST_F(ResponseGraphTest, OnlyTheRedrawnNotchIsRecomputedAndOnlyItsChannelRedrawn) {
    setNotch(1, 500, -20, 1);
    setNotch(13, 5000, -30, 2);
    graph.DrawNotchResponse(1);
    graph.DrawNotchResponse(13);
    const auto notch1 = graph.NotchResponse[1];
    const Canvas right = graph.Picture1[1];
    const auto rightSum = graph.ChannelResponse[1];

    setNotch(1, 500, -45, 1);  // changed in the model but not redrawn
    setNotch(0, 2000, -10, 3);
    graph.DrawNotchResponse(0);
    EXPECT_EQ(graph.NotchResponse[1], notch1);
    for (std::size_t i = 0; i < kFrequencyCount; ++i) {
        ASSERT_DOUBLE_EQ(graph.ChannelResponse[0][i], graph.NotchResponse[0][i] + notch1[i]);
    }
    EXPECT_TRUE(sameBits(graph.Picture1[1], right));
    EXPECT_EQ(graph.Picture1[1].Revision(), right.Revision());
    EXPECT_EQ(graph.ChannelResponse[1], rightSum);

    graph.RedrawAllResponses();
    EXPECT_EQ(graph.NotchResponse[1], notch1);
    EXPECT_TRUE(sameBits(graph.Picture1[1], right));
}

TEST_F(ResponseGraphTest, ScaleEndsAndLevelsBeyondThemAreClipped) {
    graph.ChannelResponse[0].fill(10);
    graph.ChannelResponse[1].fill(-50);
    graph.RedrawAllResponses();
    EXPECT_EQ(graph.Picture1[0].Pixel(300, 0), kRed);
    EXPECT_EQ(graph.Picture1[1].Pixel(300, 191), kBlue);

    for (int n : {0, 1, 2}) setNotch(n, 1003, -45, 3);
    for (int n : {0, 1, 2}) graph.DrawNotchResponse(n);
    EXPECT_DOUBLE_EQ(graph.ChannelResponse[0][413], -135.0);
    EXPECT_EQ(bottomRow(0, 326), -1);  // the curve leaves through the bottom edge there
    EXPECT_EQ(graph.Picture1[0].Pixel(100, 32), kRed);
}

TEST_F(ResponseGraphTest, BadValuesNeverCrashOrPoisonTheSum) {
    for (double f : {kNaN, kInf, -kInf, 0.0, -5.0}) {
        setNotch(0, f, -45, 3);
        graph.DrawNotchResponse(0);
        for (double r : graph.NotchResponse[0]) ASSERT_EQ(r, 0.0) << f;
    }
    setNotch(0, 1003, kNaN, 3);
    graph.DrawNotchResponse(0);
    for (double r : graph.NotchResponse[0]) ASSERT_EQ(r, 0.0);

    // Q codes beyond the table take its ends.
    setNotch(0, 1003, -45, 3);
    graph.DrawNotchResponse(0);
    const auto widest = graph.NotchResponse[0];
    setNotch(0, 1003, -45, 9);
    graph.DrawNotchResponse(0);
    EXPECT_EQ(graph.NotchResponse[0], widest);
    setNotch(0, 1003, -45, 0);
    graph.DrawNotchResponse(0);
    const auto narrowest = graph.NotchResponse[0];
    for (double q : {-2.0, kNaN}) {
        setNotch(0, 1003, -45, q);
        graph.DrawNotchResponse(0);
        EXPECT_EQ(graph.NotchResponse[0], narrowest);
    }

    // Infinite gains of both signs meet in a NaN sum, which is drawn as 0 dB.
    setNotch(0, 1003, -kInf, 3);
    setNotch(1, 1003, kInf, 3);
    graph.DrawNotchResponse(0);
    graph.DrawNotchResponse(1);
    EXPECT_EQ(graph.Picture1[0].Pixel(326, 32), kRed);

    const auto revisions =
        std::make_pair(graph.Picture1[0].Revision(), graph.Picture1[1].Revision());
    graph.DrawNotchResponse(-1);
    graph.DrawNotchResponse(kNotches);
    graph.PlotResponsePoint(0, 2);
    graph.PlotResponsePoint(-1, 0);
    graph.PlotResponsePoint(static_cast<int>(kFrequencyCount), 1);
    EXPECT_EQ(revisions,
              std::make_pair(graph.Picture1[0].Revision(), graph.Picture1[1].Revision()));

    for (double scale : {kNaN, kInf, 1e300}) {
        graph.PixelsPerDecade = scale;
        graph.RedrawAllResponses();
    }
}

}  // namespace
}  // namespace vx470
