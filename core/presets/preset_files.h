#pragma once

namespace vx470 {

class Program;

// Preset files ("*.Fbk") on the PC: the 161 bytes of the working image, no header.
void LoadPresetFile(Program& program);
void SavePresetFile(Program& program);
// The serial log as a text file, saved the same careful way: a file is only ever replaced
// whole, by the one the user chose.
void SaveSerialLog(Program& program);

}  // namespace vx470
