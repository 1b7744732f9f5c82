#pragma once

#include <array>
#include <string_view>

#include "core/link/converters.h"

namespace vx470 {

// The plot's vertical scale: 0 dB falls on row 31.83 and each dB is 3.18 rows, so +10 dB is
// row 0 and -50 dB row 191.
inline constexpr double kZeroDbRow = 31.826666514078777;
inline constexpr double kRowsPerDb = 3.183333333333333;

// Columns per frequency decade that put 20 Hz at x = 0 and 20 kHz at x = 575.
inline double DecadeWidth() {
    return 575.0 / (Log10(20000.0) - Log10(20.0));
}

// The row of a level in dB and the column of a frequency in Hz on the plot.
inline double DbRow(double db) {
    return kZeroDbRow - kRowsPerDb * db;
}
inline double FrequencyColumn(double hz) {
    return Log10(hz / 20.0) * DecadeWidth();
}

// The scale texts shown beside the plot (levels, in dB) and under it (frequencies, in Hz),
// each with the value it marks.
struct ScaleMark {
    std::string_view text;
    double value;
};
inline constexpr std::array<ScaleMark, 7> kDbScaleMarks = {{
    {"+10", 10},
    {" 0", 0},
    {"-10", -10},
    {"-20", -20},
    {"-30", -30},
    {"-40", -40},
    {"-50", -50},
}};
inline constexpr std::array<ScaleMark, 4> kFrequencyScaleMarks = {{
    {"20Hz", 20},
    {"100Hz", 100},
    {"1KHz", 1000},
    {"10KHz", 10000},
}};

}  // namespace vx470
