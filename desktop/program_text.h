#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace vx470::desktop {

// The program's texts are UTF-8; Qt's are UTF-16.
QString FromProgramText(std::string_view text);
std::string ToProgramText(const QString& text);

}  // namespace vx470::desktop
