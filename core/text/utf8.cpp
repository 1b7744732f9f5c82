#include "core/text/utf8.h"

namespace vx470 {

namespace {
constexpr char32_t kReplacement = 0xFFFD;

bool continuation(unsigned char b) {
    return (b & 0xC0) == 0x80;
}
}  // namespace

void AppendUtf8(std::string& text, char32_t c) {
    if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) c = kReplacement;
    const auto put = [&text](unsigned v) { text.push_back(static_cast<char>(v)); };
    if (c < 0x80) {
        put(c);
    } else if (c < 0x800) {
        put(0xC0 | (c >> 6));
        put(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        put(0xE0 | (c >> 12));
        put(0x80 | ((c >> 6) & 0x3F));
        put(0x80 | (c & 0x3F));
    } else {
        put(0xF0 | (c >> 18));
        put(0x80 | ((c >> 12) & 0x3F));
        put(0x80 | ((c >> 6) & 0x3F));
        put(0x80 | (c & 0x3F));
    }
}

char32_t DecodeUtf8(std::string_view text, std::size_t& at) {
    const auto lead = static_cast<unsigned char>(text[at++]);
    if (lead < 0x80) return lead;
    std::size_t more = 0;
    char32_t c = 0;
    char32_t least = 0;
    if ((lead & 0xE0) == 0xC0) {
        more = 1, c = lead & 0x1F, least = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        more = 2, c = lead & 0x0F, least = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        more = 3, c = lead & 0x07, least = 0x10000;
    } else {
        return kReplacement;
    }
    if (text.size() - at < more) return kReplacement;
    for (std::size_t i = 0; i < more; ++i) {
        if (!continuation(static_cast<unsigned char>(text[at + i]))) return kReplacement;
        c = (c << 6) | (static_cast<unsigned char>(text[at + i]) & 0x3F);
    }
    // Overlong forms, surrogates and values past Unicode are not characters.
    if (c < least || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return kReplacement;
    at += more;
    return c;
}

std::size_t Utf8Length(std::string_view text) {
    std::size_t n = 0;
    for (std::size_t at = 0; at < text.size(); ++n) DecodeUtf8(text, at);
    return n;
}

std::size_t PreviousUtf8(std::string_view text, std::size_t at) {
    std::size_t start = 0;
    for (std::size_t next = 0; next < at && next < text.size();) {
        start = next;
        DecodeUtf8(text, next);
    }
    return start;
}

std::string_view Utf8Prefix(std::string_view text, std::size_t characters) {
    std::size_t at = 0;
    for (std::size_t n = 0; n < characters && at < text.size(); ++n) DecodeUtf8(text, at);
    return text.substr(0, at);
}

std::filesystem::path PathFromUtf8(std::string_view text) {
    return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

std::string Utf8FromPath(const std::filesystem::path& path) {
    const std::u8string s = path.u8string();
    return std::string(s.begin(), s.end());
}

}  // namespace vx470
