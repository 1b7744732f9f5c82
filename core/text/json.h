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
struct JsonMember;

struct Json {
    using Array = std::vector<Json>;
    // Members in the order read; a repeated key finds the first. (A vector of a type declared
    // only, not of pairs: a pair of this type would need it whole before it is.)
    using Object = std::vector<JsonMember>;
    std::variant<std::nullptr_t, bool, double, std::string, Array, Object> value;

    const Json* find(std::string_view key) const;
    const std::string* string() const { return std::get_if<std::string>(&value); }
    std::optional<double> number() const;
    std::optional<bool> boolean() const;
    const Array* array() const { return std::get_if<Array>(&value); }
};

struct JsonMember {
    std::string key;
    Json value;
};

// Nothing for text that is not one JSON value, nests deeper than 32, or is longer than
// `limit` bytes.
std::optional<Json> ParseJson(std::string_view text, std::size_t limit = 1 << 20);
// `text` as a JSON string, quotes included.
std::string JsonQuote(std::string_view text);

}  // namespace vx470
