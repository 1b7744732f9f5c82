// The pieces below the program: controls, converters, tables, the canvas and the graph.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <limits>
#include <set>
#include <tuple>
#include <utility>

#include "core/controls/controls.h"
#include "core/graph/response_graph.h"
#include "core/link/converters.h"
#include "core/model/channel_state.h"
#include "core/shell/tables.h"

namespace vx470 {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

TEST(Numbers, OnlyPlainNumbersParseAndNumbersPrintWithoutTrailingZeros) {
    EXPECT_EQ(ParseNumber(" -45 "), -45.0);
    EXPECT_EQ(ParseNumber("247.90"), 247.9);
    for (const char* junk : {"", "-", "+", "1-2", "?", "12?", "1e5", "1.2.3", " ", "0x10", "."})
        EXPECT_FALSE(ParseNumber(junk).has_value()) << junk;
    EXPECT_GT(*ParseNumber(std::string(400, '9')), 1e300);
    EXPECT_EQ((std::vector{FormatNumber(20.05), FormatNumber(20000), FormatNumber(-0.0)}),
              (std::vector<std::string>{"20.05", "20000", "0"}));
}

TEST(TextBox, KeysGoToTheCaretAsCharactersAndALockedBoxTakesNothing) {
    TextBox box;
    box.SetText("ab");
    box.SetSelection(1, 0);
    box.UserType("\u00E9\u20AC");
    box.UserKey(Key::Backspace);  // one character, not one byte
    EXPECT_EQ(std::pair(box.Text(), box.SelStart()), std::pair(std::string("a\u00E9b"), 3ul));
    box.Locked = true;
    box.UserType("x");
    box.UserEdit("zz", 2);
    EXPECT_EQ(box.Text(), "a\u00E9b");
}

// The grid is transcribed, not computed: a slip shifts every code after it. Its ordering and
// ends are checked at compile time; the first cases are landmarks the program relies on.
TEST(Converters, NearestEntryLowerOnTiesEndsOutside) {
    constexpr int kLandmarks = 9;
    const std::pair<double, int> grid[] = {
        {20, 0},        {20.05, 1},   {247.9, 266},     {993.6, 412}, {1003, 413},
        {2008, 486},    {19859, 727}, {19900, 728},     {20000, 729}, {1000, 413},
        {995, 412},     {1017, 414},  // half-way between 1012 and 1022
        {19879.5, 727}, {19950, 728}, {19950.001, 729}, {5, 0},       {25000, 729},
        {kInf, 729},    {kNaN, 0}};
    for (int k = 0; k < static_cast<int>(std::size(grid)); ++k) {
        const auto [hz, index] = grid[k];
        const double entry = FrequencyGrid[static_cast<std::size_t>(index)];
        EXPECT_EQ(std::pair(FrequencyToIndex(hz), SnapToFrequencyGrid(hz)),
                  std::pair(static_cast<std::int16_t>(index), entry))
            << hz;
        EXPECT_TRUE(k >= kLandmarks || entry == hz) << hz;
    }
    for (auto [db, code] : {std::pair{0.0, 45}, {-45.0, 0}, {-10.5, 34}, {-10.4, 35}, {3.0, 45}})
        EXPECT_EQ(GainToIndex(db), code) << db;
    for (auto [x, s] : {std::pair{-7.0, 1}, {7.5, 7}, {7.51, 8}, {20.0, 16}})
        EXPECT_EQ(NearestSensitivity(x), s) << x;
}

TEST(CompareChannels, AnyBlockByteCountsButTheSpareByteDoesNot) {
    // The byte changed, whether the channels then differ; the first Right byte is never decoded.
    for (auto [i, differ] : {std::pair{160, false}, {80, true}, {159, true}}) {
        ChannelState s;
        std::copy(DefaultImage.begin(), DefaultImage.end(), s.image.begin());
        s.image[static_cast<std::size_t>(i)] ^= 1;
        s.CompareChannels();
        EXPECT_EQ(s.ChannelsDiffer, differ) << i;
    }
}

using Points = std::set<std::pair<int, int>>;
constexpr Canvas::Rgb kRed{255, 0, 0}, kBlue{0, 0, 255};

// Every pixel that differs from an untouched canvas, moved by (-dx, -dy) and kept if still on it.
Points painted(const Canvas& c, int dx = 0, int dy = 0) {
    const Canvas blank;
    Points out;
    for (int y = dy; y < Canvas::Height + std::min(dy, 0); ++y)
        for (int x = dx; x < Canvas::Width + std::min(dx, 0); ++x)
            if (x >= 0 && y >= 0 && !(c.Pixel(x, y) == blank.Pixel(x, y)))
                out.insert({x - dx, y - dy});
    return out;
}
bool sameBits(const Canvas& a, const Canvas& b) {
    return std::memcmp(a.Bits(), b.Bits(), 4 * Canvas::Width * Canvas::Height) == 0;
}
void line(Canvas& c, int x0, int y0, int x1, int y1) {
    c.MoveTo(x0, y0);
    c.LineTo(x1, y1);
}

TEST(Canvas, OnAGreyGridLinesLeaveTheirEndPixelClipAtTheEdgesAndClearRemovesThem) {
    Canvas c;
    for (int row : {0, 64, 95, 127, 159, 191}) EXPECT_EQ(c.Pixel(10, row), Canvas::GridLine);
    for (int column : {134, 326, 517}) EXPECT_EQ(c.Pixel(column, 10), Canvas::GridLine);
    EXPECT_EQ(c.Pixel(10, 32), Canvas::ZeroDbLine);
    for (int i = 0; i < Canvas::Width * Canvas::Height; ++i) {
        const auto p = c.Pixel(i % Canvas::Width, i / Canvas::Width);  // red and blue stand out
        ASSERT_TRUE(p.r == p.g && p.g == p.b && p.r >= 150) << i;
    }
    auto revision = c.Revision();
    c.SetPenColor(kRed);
    c.MoveTo(10, 10);
    for (auto [x, y] : {std::pair{20, 10}, {20, 40}, {10, 50}, {10, 50}}) c.LineTo(x, y);
    line(c, -100, 60, 700, 60);
    line(c, 300, -5, 300, 500);
    line(c, INT_MIN, INT_MIN, INT_MAX, INT_MAX);
    c.LineTo(INT_MIN, INT_MAX);
    Points expected;
    for (int k = 0; k < 10; ++k) expected.insert({{10 + k, 10}, {20 - k, 40 + k}});
    for (int k = 10; k < 40; ++k) expected.insert({20, k});
    for (int k = 0; k < Canvas::Width; ++k) expected.insert({k, 60});
    for (int k = 0; k < Canvas::Height; ++k) expected.insert({{300, k}, {k, k}});
    EXPECT_EQ(painted(c), expected);
    EXPECT_EQ(c.Bits()[10 * Canvas::Width + 10], 0xFFFF0000u);
    EXPECT_EQ(std::pair(c.Pixel(-1, 0), c.Pixel(0, Canvas::Height)),
              std::pair(Canvas::Paper, Canvas::Paper));
    EXPECT_NE(std::exchange(revision, c.Revision()), c.Revision());
    c.Clear();
    EXPECT_NE(c.Revision(), revision);
    EXPECT_TRUE(sameBits(c, Canvas{}));
    // Clear puts back what a curve painted pixel by pixel, and far more than a curve by rows.
    for (int row = 0; row < Canvas::Height; row += 3) line(c, 0, row, Canvas::Width, row);
    c.Clear();
    EXPECT_TRUE(sameBits(c, Canvas{}));
}

TEST(Canvas, ClippedLineKeepsThePixelsOfTheSameLineDrawnInside) {
    // Each line, and a shift (dx, dy) that brings it fully onto the surface.
    const int lines[][6] = {{-37, 5, 63, 150, 200, 0},  {63, 150, -37, 5, 200, 0},
                            {110, 30, 10, -40, 0, 100}, {560, 180, 700, 100, -300, 0},
                            {5, 170, 90, 260, 0, -80},  {550, -25, 590, 150, -100, 25}};
    for (const auto& l : lines) {
        Canvas clipped, inside;
        line(clipped, l[0], l[1], l[2], l[3]);
        line(inside, l[0] + l[4], l[1] + l[5], l[2] + l[4], l[3] + l[5]);
        const Points expected = painted(inside, l[4], l[5]);
        EXPECT_FALSE(expected.empty());
        EXPECT_EQ(painted(clipped), expected) << l[0] << "," << l[1] << " " << l[2] << "," << l[3];
    }
}

class ResponseGraphTest : public ::testing::Test {
  protected:
    void draw(int n, double f, double gain, double q, ResponseGraph* g = nullptr) {
        std::tie(model.NotchFrequency[n], model.NotchGainDb[n], model.NotchQ[n]) =
            std::tuple(f, gain, q);
        (g ? *g : graph).DrawNotchResponse(n);
    }
    // The lowest painted row of a column, or -1.
    int bottomRow(int ch, int column) const {
        int bottom = -1;
        for (auto [x, y] : painted(graph.Picture1(ch))) bottom = x == column ? y : bottom;
        return bottom;
    }

    ChannelModel model;
    ResponseGraph graph{model};
};

TEST_F(ResponseGraphTest, ZeroDbCurvesAreFlatOnRow32InTheirColoursAndLevelsBeyondTheEndsClip) {
    EXPECT_NEAR(graph.PixelsPerDecade, 191.6666666666667, 1e-12);
    for (int n = 0; n < kNotches; ++n) draw(n, 1003, 0, 2);
    for (int ch = 0; ch < kChannels; ++ch) {
        for (int x = 1; x < 575; ++x) ASSERT_EQ(graph.Picture1(ch).Pixel(x, 32), ch ? kBlue : kRed);
        // Only the lead-in from off the surface may touch column 0 off the line.
        for (auto [x, y] : painted(graph.Picture1(ch))) EXPECT_TRUE(y == 32 || x == 0);
    }
    ResponseGraph fresh{model};  // never-computed contributions are 0 too
    fresh.RedrawAllResponses();
    for (int ch : {0, 1}) EXPECT_TRUE(sameBits(fresh.Picture1(ch), graph.Picture1(ch))) << ch;

    graph.ChannelResponse(0).fill(10);
    graph.ChannelResponse(1).fill(-50);
    graph.RedrawAllResponses();
    EXPECT_EQ(std::pair(graph.Picture1(0).Pixel(300, 0), graph.Picture1(1).Pixel(300, 191)),
              std::pair(kRed, kBlue));
    for (int n : {0, 1, 2}) draw(n, 1003, -45, 3);
    EXPECT_EQ(graph.ChannelResponse(0)[413], -135.0);
    EXPECT_EQ(bottomRow(0, 326), -1);  // the curve leaves through the bottom edge there
    EXPECT_EQ(graph.Picture1(0).Pixel(100, 32), kRed);
}

TEST_F(ResponseGraphTest, ADeepWideNotchIsComputedAloneAndRedrawsOnlyItsChannel) {
    draw(3, 1003, -45, 3);
    EXPECT_EQ(graph.NotchResponse(3)[413], -45.0);
    EXPECT_NEAR(graph.NotchResponse(3)[412], -44.19, 0.005);  // 993.6 Hz
    EXPECT_NEAR(graph.NotchResponse(3)[486], -0.38, 0.005);   // 2008 Hz
    EXPECT_EQ(graph.ChannelResponse(0), graph.NotchResponse(3));
    EXPECT_EQ(bottomRow(0, 326), 175);
    draw(3, 1003, -45, 0);
    EXPECT_NEAR(graph.NotchResponse(3)[412], -9.75, 0.005);

    draw(1, 500, -20, 1);
    draw(13, 5000, -30, 2);
    const auto notch1 = graph.NotchResponse(1), notch3 = graph.NotchResponse(3);
    const Canvas right = graph.Picture1(1);
    model.NotchGainDb[1] = -45;  // changed in the model but not redrawn
    draw(0, 2000, -10, 3);
    for (std::size_t i = 0; i < kFrequencyCount; ++i)
        ASSERT_DOUBLE_EQ(graph.ChannelResponse(0)[i],
                         graph.NotchResponse(0)[i] + notch1[i] + notch3[i]);
    EXPECT_EQ(graph.Picture1(1).Revision(), right.Revision());
    for (bool redrawn : {false, true}) {
        if (redrawn) graph.RedrawAllResponses();
        EXPECT_EQ(graph.NotchResponse(1), notch1) << redrawn;
        EXPECT_TRUE(sameBits(graph.Picture1(1), right)) << redrawn;
    }
}

TEST_F(ResponseGraphTest, ACanvasReadOnlyAtTheEndEqualsOneReadAfterEveryStep) {
    ResponseGraph stepwise{model};
    for (auto [n, f, gain, q] : {std::tuple{0, 1003.0, -45.0, 3.0},
                                 {5, 200.0, -12.0, 0.0},
                                 {0, 8000.0, -30.0, 1.0},
                                 {17, 60.0, -45.0, 2.0}}) {
        for (ResponseGraph* g : {&graph, &stepwise}) draw(n, f, gain, q, g);
        stepwise.Picture1(n / kNotchesPerChannel);
        model.NotchGainDb[n] = -3;  // a change the graph is not told of shows nowhere
        for (ResponseGraph* g : {&graph, &stepwise}) g->PlotResponsePoint(300, n % 2);
        stepwise.Picture1(n % 2);
    }
    for (ResponseGraph* g : {&graph, &stepwise}) g->PixelsPerDecade = 150, g->RedrawAllResponses();
    stepwise.Picture1(0);
    for (ResponseGraph* g : {&graph, &stepwise}) g->PixelsPerDecade = 191;
    for (int ch : {0, 1}) {
        EXPECT_EQ(graph.ChannelResponse(ch), stepwise.ChannelResponse(ch)) << ch;
        EXPECT_TRUE(sameBits(graph.Picture1(ch), stepwise.Picture1(ch))) << ch;
    }
}

}  // namespace
}  // namespace vx470
