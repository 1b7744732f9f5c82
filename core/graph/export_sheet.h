#pragma once

#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/model/channel_state.h"

namespace vx470 {

// A table of texts: its column headings and its rows, each as many cells as headings.
struct SheetTable {
    std::vector<std::string> columns;
    std::vector<std::vector<std::string>> rows;
};

// What an export of the curves puts on its sheet besides the two curves: a title, the
// preset's name, when it was made, every notch and each channel's automatic settings, in the
// editor's own words. The painting of it is the window system's business.
struct ExportSheet {
    std::string title;
    std::string preset;
    std::string date;
    SheetTable notches;
    SheetTable automatic;
};

ExportSheet MakeExportSheet(const ChannelModel& model, std::string_view presetName,
                            const std::tm& when);

// The kinds of file an export writes, by the chosen name's extension (any case).
enum class SheetFormat { Png, Svg, Pdf };
std::optional<SheetFormat> SheetFormatOf(std::string_view path);
inline constexpr const char* kSheetFilter =
    "PNG picture (*.png)|*.png|SVG drawing (*.svg)|*.svg|PDF document (*.pdf)|*.pdf";

}  // namespace vx470
