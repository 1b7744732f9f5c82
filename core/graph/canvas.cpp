#include "core/graph/canvas.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "core/graph/scale.h"

namespace vx470 {
namespace {

// Coordinates beyond this are pulled in to it, which keeps the line arithmetic below well
// inside 64 bits; a line that long only crosses the surface when something upstream is broken.
constexpr int kCoordinateLimit = 1 << 24;

int limitCoordinate(int v) {
    return std::clamp(v, -kCoordinateLimit, kCoordinateLimit);
}

// Rounds up a / b for b > 0.
std::int64_t ceilDiv(std::int64_t a, std::int64_t b) {
    return a >= 0 ? (a + b - 1) / b : -(-a / b);
}

// One Bresenham line from (a0, b0) over da steps along the major axis a (|da| >= |db|), end
// pixel excluded. Step k lies at a0 + k and b0 + the row nearest to k * db / da, a half
// rounded away from the start. Steps that would fall outside aSize x bSize are skipped in
// closed form rather than walked, so a far-away start costs nothing.
template <typename Plot>
void rasterise(std::int64_t a0, std::int64_t b0, std::int64_t da, std::int64_t db,
               std::int64_t aSize, std::int64_t bSize, Plot plot) {
    const std::int64_t n = std::abs(da), m = std::abs(db);
    if (n == 0) return;
    const std::int64_t sa = da < 0 ? -1 : 1, sb = db < 0 ? -1 : 1;
    std::int64_t kFirst = 0, kLast = n - 1, j = 0, remainder = n;
    // A line between two points on the surface stays on it: nothing to clip, and none of the
    // divisions below, which were most of a curve's cost.
    const auto inside = [&](std::int64_t a, std::int64_t b) {
        return a >= 0 && a < aSize && b >= 0 && b < bSize;
    };
    if (!inside(a0, b0) || !inside(a0 + da, b0 + db)) {
        kFirst = sa > 0 ? -a0 : a0 - (aSize - 1);
        kLast = sa > 0 ? aSize - 1 - a0 : a0;
        // Range of minor-axis offsets j that stay on the surface.
        const std::int64_t jLow = sb > 0 ? -b0 : b0 - (bSize - 1);
        const std::int64_t jHigh = sb > 0 ? bSize - 1 - b0 : b0;
        if (m == 0) {
            if (jLow > 0 || jHigh < 0) return;
        } else {
            // j(k) = floor((2km + n) / 2n); solve j(k) >= jLow and j(k) <= jHigh for k.
            kFirst = std::max(kFirst, ceilDiv(2 * n * jLow - n, 2 * m));
            kLast = std::min(kLast, ceilDiv(2 * n * (jHigh + 1) - n, 2 * m) - 1);
        }
        kFirst = std::max<std::int64_t>(kFirst, 0);
        kLast = std::min(kLast, n - 1);
        if (kFirst > kLast) return;
        const std::int64_t numerator = 2 * kFirst * m + n;
        j = numerator / (2 * n);
        remainder = numerator % (2 * n);
    }
    for (std::int64_t k = kFirst; k <= kLast; ++k) {
        plot(a0 + sa * k, b0 + sb * j);
        remainder += 2 * m;
        if (remainder >= 2 * n) {
            remainder -= 2 * n;
            ++j;
        }
    }
}

}  // namespace

const std::vector<Canvas::GridRule>& Canvas::Grid() {
    static const std::vector<GridRule> rules = [] {
        std::vector<GridRule> r;
        const double decadeWidth = DecadeWidth();
        // Decade lines at 100 Hz, 1 kHz and 10 kHz, fainter ones at 2..9 times each decade.
        for (double decade : {10.0, 100.0, 1000.0, 10000.0}) {
            for (int k = 1; k <= 9; ++k) {
                const double f = k * decade;
                if (f <= 20.0 || f >= 20000.0) continue;
                const auto x = static_cast<int>(std::nearbyint(Log10(f / 20.0) * decadeWidth));
                r.push_back({true, x, k == 1 ? GridLine : MinorGridLine});
            }
        }
        // One line per 10 dB from +10 down to -50, on the rows the curve uses.
        for (int db = 10; db >= -50; db -= 10) {
            const auto y = static_cast<int>(std::nearbyint(kZeroDbRow - kRowsPerDb * db));
            r.push_back({false, y, db == 0 ? ZeroDbLine : GridLine});
        }
        return r;
    }();
    return rules;
}

const std::vector<std::uint32_t>& Canvas::background() {
    static const std::vector<std::uint32_t> image = [] {
        std::vector<std::uint32_t> px(std::size_t{Width} * Height, pack(Paper));
        for (const GridRule& rule : Grid()) {
            const std::uint32_t c = pack(rule.color);
            if (rule.vertical) {
                for (int y = 0; y < Height; ++y)
                    px[static_cast<std::size_t>(y * Width + rule.at)] = c;
            } else {
                std::fill_n(px.begin() + std::ptrdiff_t{rule.at} * Width, Width, c);
            }
        }
        return px;
    }();
    return image;
}

Canvas::Canvas() = default;

void Canvas::Clear() {
    const std::vector<std::uint32_t>& paper = background();
    if (painted_.size() <= kPaintedLimit) {
        for (const std::uint32_t i : painted_) pixels_[i] = paper[i];
    } else if (dirtyTop_ <= dirtyBottom_) {
        const std::ptrdiff_t first = std::ptrdiff_t{dirtyTop_} * Width;
        const std::ptrdiff_t last = std::ptrdiff_t{dirtyBottom_ + 1} * Width;
        std::copy(paper.begin() + first, paper.begin() + last, pixels_.begin() + first);
    }
    painted_.clear();
    dirtyTop_ = Height;
    dirtyBottom_ = -1;
    ++revision_;
}

void Canvas::MoveTo(int x, int y) {
    x_ = limitCoordinate(x);
    y_ = limitCoordinate(y);
}

void Canvas::LineTo(int x, int y) {
    x = limitCoordinate(x);
    y = limitCoordinate(y);
    const std::int64_t dx = std::int64_t{x} - x_, dy = std::int64_t{y} - y_;
    if (pixels_.empty()) {
        pixels_ = background();
        painted_.reserve(kPaintedLimit + 1);
    }
    // The rows the line may touch, for a Clear that has to put back whole rows.
    dirtyTop_ = std::min(dirtyTop_, std::clamp(std::min(y, y_), 0, Height - 1));
    dirtyBottom_ = std::max(dirtyBottom_, std::clamp(std::max(y, y_), 0, Height - 1));
    auto put = [this](std::int64_t px, std::int64_t py) {
        const auto i = static_cast<std::uint32_t>(py * Width + px);
        pixels_[i] = pen_;
        if (painted_.size() <= kPaintedLimit) painted_.push_back(i);
    };
    if (std::abs(dx) >= std::abs(dy)) {
        rasterise(x_, y_, dx, dy, Width, Height, put);
    } else {
        rasterise(y_, x_, dy, dx, Height, Width,
                  [&put](std::int64_t a, std::int64_t b) { put(b, a); });
    }
    x_ = x;
    y_ = y;
    ++revision_;
}

Canvas::Rgb Canvas::Pixel(int x, int y) const {
    if (x < 0 || x >= Width || y < 0 || y >= Height) return Paper;
    return unpack(pixels()[static_cast<std::size_t>(y) * Width + static_cast<std::size_t>(x)]);
}

}  // namespace vx470
