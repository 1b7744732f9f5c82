#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "core/controls/controls.h"
#include "core/device/unit_memory.h"

namespace vx470 {

// The name of a user slot nothing is stored in.
inline constexpr const char* kEmptyPresetName = " Empty  ";

// The unit's presets as the program knows them: p = 0..19, shown as 1..20; 0..3 are the
// unit's fixed presets, 4..19 the user slots k = p - 4. Names are program text; on the unit
// each character is one Windows-1252 byte.
struct PresetList {
    std::array<bool, kPresets + 1> PresetUsed{};
    std::array<std::string, kPresets> PresetNames{};
    std::string CurrentName;
    std::string ShownPresetName;
};

// What both preset dialogs share: their list, "Cancel" (button 0) beside the action
// (button 1), and a close box that cancels.
template <typename Dialog>
void BindPresetDialog(Dialog& form, const char* action) {
    form.List1.Name = "List1";
    form.Command1[0].Caption = "Cancel";
    form.Command1[1].Caption = action;
    for (int i = 0; i < 2; ++i) {
        Button& b = form.Command1[static_cast<std::size_t>(i)];
        b.Name = "Command1(" + std::to_string(i) + ")";
        b.Click = [&form, i] { form.Command1_Click(i); };
    }
    form.List1.DblClick = [&form] { form.List1_DblClick(); };
    form.QueryUnload = [&form] {
        if (!form.Unloaded()) form.Unload();
        return false;
    };
}

}  // namespace vx470
