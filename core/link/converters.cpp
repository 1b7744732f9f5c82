#include "core/link/converters.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

#include "core/shell/tables.h"
#include "core/text/numbers.h"

namespace vx470 {
namespace {

// The index of the point of an increasing list nearest to x. The upper neighbour must be
// strictly nearer to win, so a tie goes to the lower point. Values beyond either end (and
// NaN) give the end point.
template <typename PointAt>
int nearestPoint(double x, int count, PointAt pointAt) {
    // The first point not below x, by bisection: the grid is searched for every notch shown.
    int upper = 0;
    for (int step = count; step > 0;) {
        const int half = step / 2;
        if (pointAt(upper + half) < x) {
            upper += half + 1;
            step -= half + 1;
        } else {
            step = half;
        }
    }
    if (upper == count) return count - 1;
    const int lower = upper > 0 ? upper - 1 : 0;
    const double p = pointAt(upper);
    if (p == x) return upper;
    return (p - x) < (x - pointAt(lower)) ? upper : lower;
}

int nearestGridIndex(double f) {
    return nearestPoint(f, static_cast<int>(FrequencyGrid.size()),
                        [](int i) { return FrequencyGrid[static_cast<std::size_t>(i)]; });
}

}  // namespace

double SnapToFrequencyGrid(double f) {
    return FrequencyGrid[static_cast<std::size_t>(nearestGridIndex(f))];
}

std::int16_t FrequencyToIndex(double f) {
    return static_cast<std::int16_t>(nearestGridIndex(f));
}

const std::string& GridFrequencyText(int index) {
    static const std::vector<std::string> texts = [] {
        std::vector<std::string> t;
        for (double f : FrequencyGrid) t.push_back(FormatNumber(f));
        return t;
    }();
    return texts[static_cast<std::size_t>(std::clamp(index, 0, kMaxFrequencyIndex))];
}

std::int16_t GainToIndex(double x) {
    return static_cast<std::int16_t>(nearestPoint(x, 46, [](int i) { return i - 45.0; }));
}

std::int16_t NearestSensitivity(double x) {
    return static_cast<std::int16_t>(1 + nearestPoint(x, 16, [](int i) { return i + 1.0; }));
}

void PutLongBE(double x, std::size_t start, ByteScratchBuffer& ByteScratch) {
    if (start > ByteScratch.size() - 4) return;
    // Only frequency indexes and memory addresses pass through here; anything outside a
    // 32-bit unsigned value (or NaN) is written as 0 rather than overflowing the conversion.
    const double r = std::nearbyint(x);  // the default rounding mode rounds halves to even
    const std::uint32_t v =
        (r >= 0 && r <= 4294967295.0) ? static_cast<std::uint32_t>(r) : std::uint32_t{0};
    for (std::size_t k = 0; k < 4; ++k) {
        ByteScratch[start + k] = static_cast<std::uint8_t>(v >> (8 * (3 - k)));
    }
}

double Log10(double x) {
    return std::log(x) / std::log(10.0);
}

}  // namespace vx470
