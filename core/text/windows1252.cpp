#include "core/text/windows1252.h"

#include <array>

#include "core/text/utf8.h"

namespace vx470 {

namespace {

// 0x80..0x9F, where Windows-1252 differs from Latin-1; 0 marks the five unused codes, which
// read back as the C1 control character of the same number.
constexpr std::array<char32_t, 32> kHighControls = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

}  // namespace

char32_t FromWindows1252(std::uint8_t byte) {
    if (byte >= 0x80 && byte <= 0x9F && kHighControls[byte - 0x80] != 0) {
        return kHighControls[byte - 0x80];
    }
    return byte;
}

std::optional<std::uint8_t> ToWindows1252(char32_t character) {
    if (character < 0x80 || (character >= 0xA0 && character <= 0xFF)) {
        return static_cast<std::uint8_t>(character);
    }
    for (std::size_t i = 0; i < kHighControls.size(); ++i) {
        if (kHighControls[i] == character && character != 0)
            return static_cast<std::uint8_t>(0x80 + i);
    }
    // The unused codes travel as themselves so a name read from the unit survives a store.
    if (character >= 0x80 && character <= 0x9F && kHighControls[character - 0x80] == 0) {
        return static_cast<std::uint8_t>(character);
    }
    return std::nullopt;
}

std::string TextFromWindows1252(std::string_view bytes) {
    std::string text;
    for (char b : bytes) AppendUtf8(text, FromWindows1252(static_cast<std::uint8_t>(b)));
    return text;
}

}  // namespace vx470
