#pragma once

#include <cstdint>

namespace vx470 {

// Preset names are bytes on the unit, one Windows-1252 character each, both ways.
char32_t FromWindows1252(std::uint8_t byte);
// The Windows-1252 code of a character; '?' for a character the code page does not have.
std::uint8_t ToWindows1252(char32_t character);

}  // namespace vx470
