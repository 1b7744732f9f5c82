#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vx470 {

// Preset names are bytes on the unit, one Windows-1252 character each, both ways.
char32_t FromWindows1252(std::uint8_t byte);
// The Windows-1252 code of a character; none for a character the code page does not have.
std::optional<std::uint8_t> ToWindows1252(char32_t character);
// Bytes as the unit holds them, as program text.
std::string TextFromWindows1252(std::string_view bytes);

}  // namespace vx470
