#pragma once

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

}  // namespace vx470
