#pragma once

#include <optional>
#include <string>

#include "core/graph/export_sheet.h"
#include "core/graph/response_graph.h"

namespace vx470::desktop {

// The bytes of the export file: both channels' curves over their scales, then the sheet's
// texts and tables. PNG at twice the sheet's size; SVG and PDF with the curves as vectors.
// Nothing when it could not be drawn.
std::optional<std::string> DrawExportSheet(const ResponseGraph& graph, const ExportSheet& sheet,
                                           SheetFormat format);

}  // namespace vx470::desktop
