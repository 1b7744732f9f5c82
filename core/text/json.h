#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace vx470 {

// Just enough JSON for the program's own small files (a backup's index) and the
// command-line tool's output. Texts are UTF-8.
struct Json {
    using Array = std::vector<Json>;
    // Members in the order read; a repeated key finds the first.
    using Object = std::vector<std::pair<std::string, Json>>;
    std::variant<std::nullptr_t, bool, double, std::string, Array, Object> value;

    const Json* find(std::string_view key) const;
    const std::string* string() const { return std::get_if<std::string>(&value); }
    std::optional<double> number() const;
    std::optional<bool> boolean() const;
    const Array* array() const { return std::get_if<Array>(&value); }
};

// Nothing for text that is not one JSON value, nests deeper than 32, or is longer than
// `limit` bytes.
std::optional<Json> ParseJson(std::string_view text, std::size_t limit = 1 << 20);
// `text` as a JSON string, quotes included.
std::string JsonQuote(std::string_view text);

}  // namespace vx470
