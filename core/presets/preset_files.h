#pragma once

#include <functional>
#include <optional>
#include <string>

#include "core/graph/export_sheet.h"
#include "core/model/preset_image.h"

namespace vx470 {

class Program;

// Preset files ("*.Fbk") on the PC: the 161 bytes of the working image, no header.
void LoadPresetFile(Program& program);
void SavePresetFile(Program& program);
// Asks for a preset file and reads it; nothing when cancelled or refused (after the error
// box). `title` gets the file's name without its folder.
std::optional<PresetImage> OpenPresetFile(Program& program, std::string& title);
// The serial log as a text file, saved the same careful way: a file is only ever replaced
// whole, by the one the user chose.
void SaveSerialLog(Program& program);
// The curves and the sheet of settings, under the name the editor shows, as a picture, drawing
// or document by the chosen name's extension, saved the same careful way. `draw` gives the
// file's bytes, or nothing when it could not.
using DrawSheet = std::function<std::optional<std::string>(const ExportSheet&, SheetFormat)>;
void ExportCurves(Program& program, const DrawSheet& draw);
// The folder the file dialogs open in: the user's preset folder (made here on first use), or
// in portable use the program's "Preset" folder, or the program's own.
std::string PresetFolder(const Program& program);

}  // namespace vx470
