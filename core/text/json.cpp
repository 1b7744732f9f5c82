#include "core/text/json.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "core/text/utf8.h"

namespace vx470 {

const Json* Json::find(std::string_view key) const {
    const auto* object = std::get_if<Object>(&value);
    if (object == nullptr) return nullptr;
    for (const auto& [name, member] : *object) {
        if (name == key) return &member;
    }
    return nullptr;
}

std::optional<double> Json::number() const {
    if (const auto* d = std::get_if<double>(&value)) return *d;
    return std::nullopt;
}

std::optional<bool> Json::boolean() const {
    if (const auto* b = std::get_if<bool>(&value)) return *b;
    return std::nullopt;
}

namespace {

constexpr int kMaxDepth = 32;

class Parser {
  public:
    explicit Parser(std::string_view text) : text_(text) {}

    std::optional<Json> document() {
        std::optional<Json> v = value(0);
        skipBlanks();
        if (!v || at_ != text_.size()) return std::nullopt;
        return v;
    }

  private:
    void skipBlanks() {
        while (at_ < text_.size() && (text_[at_] == ' ' || text_[at_] == '\n' ||
                                      text_[at_] == '\r' || text_[at_] == '\t')) {
            ++at_;
        }
    }
    bool take(char c) {
        skipBlanks();
        if (at_ < text_.size() && text_[at_] == c) {
            ++at_;
            return true;
        }
        return false;
    }
    bool word(std::string_view w) {
        if (text_.substr(at_, w.size()) != w) return false;
        at_ += w.size();
        return true;
    }

    std::optional<Json> value(int depth) {
        if (depth > kMaxDepth) return std::nullopt;
        skipBlanks();
        if (at_ >= text_.size()) return std::nullopt;
        const char c = text_[at_];
        if (c == '{') return object(depth);
        if (c == '[') return array(depth);
        if (c == '"') {
            std::optional<std::string> s = string();
            if (!s) return std::nullopt;
            return Json{std::move(*s)};
        }
        if (word("true")) return Json{true};
        if (word("false")) return Json{false};
        if (word("null")) return Json{nullptr};
        return number();
    }

    std::optional<Json> number() {
        const std::size_t start = at_;
        if (at_ < text_.size() && text_[at_] == '-') ++at_;
        while (at_ < text_.size() &&
               std::string_view("0123456789.eE+-").find(text_[at_]) != std::string_view::npos) {
            ++at_;
        }
        double d = 0;
        const auto result = std::from_chars(text_.data() + start, text_.data() + at_, d);
        if (result.ec != std::errc{} || result.ptr != text_.data() + at_ || !std::isfinite(d)) {
            return std::nullopt;
        }
        return Json{d};
    }

    std::optional<unsigned> hex4() {
        if (text_.size() - at_ < 4) return std::nullopt;
        unsigned v = 0;
        const auto result = std::from_chars(text_.data() + at_, text_.data() + at_ + 4, v, 16);
        if (result.ptr != text_.data() + at_ + 4) return std::nullopt;
        at_ += 4;
        return v;
    }

    std::optional<std::string> string() {
        ++at_;  // the opening quote
        std::string out;
        while (at_ < text_.size()) {
            const char c = text_[at_++];
            if (c == '"') return out;
            if (static_cast<unsigned char>(c) < 0x20) return std::nullopt;
            if (c != '\\') {
                out.push_back(c);
                continue;
            }
            if (at_ >= text_.size()) return std::nullopt;
            const char e = text_[at_++];
            switch (e) {
                case '"':
                case '\\':
                case '/':
                    out.push_back(e);
                    break;
                case 'b':
                    out.push_back('\b');
                    break;
                case 'f':
                    out.push_back('\f');
                    break;
                case 'n':
                    out.push_back('\n');
                    break;
                case 'r':
                    out.push_back('\r');
                    break;
                case 't':
                    out.push_back('\t');
                    break;
                case 'u': {
                    std::optional<unsigned> u = hex4();
                    if (!u) return std::nullopt;
                    char32_t ch = *u;
                    // A surrogate pair is one character; a lone half is no character.
                    if (*u >= 0xD800 && *u < 0xDC00 && word("\\u")) {
                        const std::optional<unsigned> low = hex4();
                        if (!low || *low < 0xDC00 || *low > 0xDFFF) return std::nullopt;
                        ch = 0x10000 + ((*u - 0xD800) << 10) + (*low - 0xDC00);
                    }
                    AppendUtf8(out, ch);
                    break;
                }
                default:
                    return std::nullopt;
            }
        }
        return std::nullopt;
    }

    std::optional<Json> array(int depth) {
        ++at_;
        Json::Array items;
        if (take(']')) return Json{std::move(items)};
        do {
            std::optional<Json> v = value(depth + 1);
            if (!v) return std::nullopt;
            items.push_back(std::move(*v));
        } while (take(','));
        if (!take(']')) return std::nullopt;
        return Json{std::move(items)};
    }

    std::optional<Json> object(int depth) {
        ++at_;
        Json::Object members;
        if (take('}')) return Json{std::move(members)};
        do {
            skipBlanks();
            if (at_ >= text_.size() || text_[at_] != '"') return std::nullopt;
            std::optional<std::string> key = string();
            if (!key || !take(':')) return std::nullopt;
            std::optional<Json> v = value(depth + 1);
            if (!v) return std::nullopt;
            members.push_back({std::move(*key), std::move(*v)});
        } while (take(','));
        if (!take('}')) return std::nullopt;
        return Json{std::move(members)};
    }

    std::string_view text_;
    std::size_t at_ = 0;
};

}  // namespace

std::optional<Json> ParseJson(std::string_view text, std::size_t limit) {
    if (text.size() > limit) return std::nullopt;
    return Parser(text).document();
}

std::string JsonQuote(std::string_view text) {
    std::string out = "\"";
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out.push_back('\\');
            out.push_back(c);
        } else if (u < 0x20) {
            char buffer[8];
            std::snprintf(buffer, sizeof buffer, "\\u%04x", u);
            out += buffer;
        } else {
            out.push_back(c);
        }
    }
    out.push_back('"');
    return out;
}

}  // namespace vx470
