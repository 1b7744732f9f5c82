#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

namespace vx470 {

// The program's texts are UTF-8: captions, typed text, file names, preset names. Only the
// unit keeps its names in a single-byte code page (windows1252.h).

// Appends the UTF-8 bytes of `c`; a value that is no character appends U+FFFD.
void AppendUtf8(std::string& text, char32_t c);
// The character starting at `at`, and where the next one starts. A byte that starts no
// valid character is U+FFFD on its own, so any bytes decode without loss of position.
char32_t DecodeUtf8(std::string_view text, std::size_t& at);
// Characters in `text`.
std::size_t Utf8Length(std::string_view text);
// Where the character before byte `at` starts.
std::size_t PreviousUtf8(std::string_view text, std::size_t at);
// The first `characters` characters of `text`.
std::string_view Utf8Prefix(std::string_view text, std::size_t characters);

// Paths travel as UTF-8 on every system, also where the file system's own strings do not.
std::filesystem::path PathFromUtf8(std::string_view text);
std::string Utf8FromPath(const std::filesystem::path& path);

}  // namespace vx470
