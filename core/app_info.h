#pragma once

#include <string_view>

namespace vx470 {

// The application's title: the caption of the "Time out" box and of the program's windows
// where no other caption is set.
inline constexpr std::string_view kApplicationTitle = "VX-470 Remote";

}  // namespace vx470
