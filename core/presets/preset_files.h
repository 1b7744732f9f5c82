#pragma once

namespace vx470 {

class Program;

// Preset files ("*.Fbk") on the PC: the 161 bytes of the working image, no header.
void LoadPresetFile(Program& program);
void SavePresetFile(Program& program);

}  // namespace vx470
