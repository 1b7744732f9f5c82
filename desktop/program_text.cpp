#include "desktop/program_text.h"

namespace vx470::desktop {

QString FromProgramText(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string ToProgramText(const QString& text) {
    return text.toUtf8().toStdString();
}

}  // namespace vx470::desktop
