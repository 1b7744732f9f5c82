#include "sim/replay.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <optional>
#include <string_view>

namespace vxsim {

namespace {

// A log line is short; a block of 160 bytes and what came behind it is about 1.2 KB.
constexpr std::size_t kMaxLine = 4096;

// Two upper-case hex digits; the meaning after the bytes starts with a lower-case word.
std::optional<std::uint8_t> hexByte(std::string_view token) {
    const auto digit = [](char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); };
    unsigned value = 0;
    if (token.size() != 2 || !digit(token[0]) || !digit(token[1])) {
        return std::nullopt;
    }
    const auto [ptr, ec] = std::from_chars(token.data(), token.data() + 2, value, 16);
    if (ec != std::errc{} || ptr != token.data() + 2) {
        return std::nullopt;
    }
    return static_cast<std::uint8_t>(value);
}

// The next blank-separated word of `rest`, taken off it.
std::string_view word(std::string_view& rest) {
    const std::size_t start = rest.find_first_not_of(' ');
    if (start == std::string_view::npos) {
        rest = {};
        return {};
    }
    rest.remove_prefix(start);
    const std::size_t end = std::min(rest.find(' '), rest.size());
    const std::string_view w = rest.substr(0, end);
    rest.remove_prefix(end);
    return w;
}

}  // namespace

ParsedReplay parseReplay(std::istream& log) {
    ParsedReplay result;
    std::vector<ReplayStep>& steps = result.steps;
    double frameAt = 0;
    std::string line;
    for (std::size_t number = 1; std::getline(log, line); ++number) {
        const auto fail = [&](const char* what) {
            result.error = "line " + std::to_string(number) + ": " + what;
            result.steps.clear();
            return result;
        };
        if (line.size() > kMaxLine) {
            return fail("too long for a log line");
        }
        std::string_view rest = line;
        if (!rest.empty() && rest.back() == '\r') {
            rest.remove_suffix(1);
        }
        if (rest.find_first_not_of(' ') == std::string_view::npos) {
            continue;
        }
        if (rest.front() == '#') {
            if (rest.find("serial log") != std::string_view::npos) {
                steps.clear();  // a new session begins
            }
            continue;
        }
        const std::string_view time = word(rest);
        double ms = 0;
        const auto [ptr, ec] = std::from_chars(time.data(), time.data() + time.size(), ms);
        const std::string_view direction = word(rest);
        if (ec != std::errc{} || ptr != time.data() + time.size() || ms < 0 ||
            (direction != ">" && direction != "<" && direction != "-")) {
            return fail("not a line of a serial log");
        }
        if (direction == "-") {
            continue;
        }
        // The bytes; the words after them say what they mean.
        std::vector<std::uint8_t> bytes;
        for (std::string_view more = rest;;) {
            const std::optional<std::uint8_t> b = hexByte(word(more));
            if (!b) {
                break;
            }
            bytes.push_back(*b);
            rest = more;
        }
        if (direction == ">") {
            if (bytes.size() != std::tuple_size_v<Frame>) {
                return fail("a frame that is not 10 bytes");
            }
            ReplayStep& step = steps.emplace_back();
            std::copy(bytes.begin(), bytes.end(), step.frame.begin());
            frameAt = ms;
        } else if (bytes.empty()) {
            return fail("bytes from the unit without a byte");
        } else if (!steps.empty()) {  // what came before the first frame answers nothing
            const auto after =
                std::chrono::duration<double, std::milli>(std::max(0.0, ms - frameAt));
            steps.back().answers.push_back(
                {std::chrono::duration_cast<std::chrono::microseconds>(after), std::move(bytes)});
        }
    }
    return result;
}

}  // namespace vxsim
