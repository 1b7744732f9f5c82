#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace vx470::desktop {

// The program's texts are bytes, one Windows-1252 character each, as the unit and the
// preset files have them; Qt's are Unicode.
QString FromProgramText(std::string_view text);
// Every character Windows-1252 does not have becomes '?'.
std::string ToProgramText(const QString& text);

}  // namespace vx470::desktop
