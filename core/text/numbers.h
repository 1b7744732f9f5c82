#pragma once

#include <optional>
#include <string>

namespace vx470 {

// Number parsing for typed entries: optional blanks, an optional sign, digits with an
// optional decimal part. Anything else (empty, a lone sign, "1-2", "?") is not a number.
std::optional<double> ParseNumber(const std::string& text);
// The whole number from `lo` to `hi` that `value` is; nothing for any other.
std::optional<int> WholeNumber(std::optional<double> value, int lo, int hi);
// A number as the program writes it: no trailing zeros, no exponent ("20.05", "1003").
std::string FormatNumber(double value);

}  // namespace vx470
