#include "desktop/program_text.h"

#include <QList>

#include "core/presets/windows1252.h"

namespace vx470::desktop {

QString FromProgramText(std::string_view text) {
    QString s;
    s.reserve(static_cast<qsizetype>(text.size()));
    for (char c : text) {
        // Every Windows-1252 character lies in the BMP: one UTF-16 unit per byte.
        s.append(QChar(static_cast<char16_t>(FromWindows1252(static_cast<std::uint8_t>(c)))));
    }
    return s;
}

std::string ToProgramText(const QString& text) {
    std::string s;
    s.reserve(static_cast<std::size_t>(text.size()));
    for (char32_t c : text.toUcs4()) s.push_back(static_cast<char>(ToWindows1252(c)));
    return s;
}

}  // namespace vx470::desktop
