#include "core/text/numbers.h"

#include <charconv>
#include <cmath>
#include <system_error>

namespace vx470 {

std::optional<double> ParseNumber(const std::string& text) {
    std::size_t i = 0;
    const std::size_t n = text.size();
    while (i < n && text[i] == ' ') ++i;
    bool negative = false;
    if (i < n && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    const std::size_t start = i;
    std::size_t digits = 0;
    while (i < n && text[i] >= '0' && text[i] <= '9') ++i, ++digits;
    if (i < n && text[i] == '.') {
        ++i;
        while (i < n && text[i] >= '0' && text[i] <= '9') ++i, ++digits;
    }
    const std::size_t end = i;
    while (i < n && text[i] == ' ') ++i;
    if (digits == 0 || i != n) return std::nullopt;
    // from_chars, unlike strtod, ignores the process locale (Qt sets it from the desktop).
    double v = 0;
    const auto result = std::from_chars(text.data() + start, text.data() + end, v);
    if (result.ec == std::errc::result_out_of_range)
        v = HUGE_VAL;
    else if (result.ec != std::errc{})
        return std::nullopt;
    return negative ? -v : v;
}

std::optional<int> WholeNumber(std::optional<double> value, int lo, int hi) {
    if (!value || *value < lo || *value > hi || *value != std::trunc(*value)) return std::nullopt;
    return static_cast<int>(*value);
}

std::string FormatNumber(double value) {
    if (!std::isfinite(value)) return "0";
    char buffer[400];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
    // A negative value that rounds to nothing prints as 0.
    if (result.ptr - buffer == 2 && buffer[0] == '-' && buffer[1] == '0') return "0";
    return std::string(buffer, result.ptr);
}

}  // namespace vx470
