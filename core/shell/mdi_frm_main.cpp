#include "core/shell/mdi_frm_main.h"

#include <string>

namespace vx470 {

MDIFrmMain::MDIFrmMain(Program& program) : program_(program) {
    static constexpr std::array<const char*, 6> tips = {
        "Load Preset from PC",  "Save Preset to PC",  "Store Preset to device",
        "Read Preset from device", "Copy Left to Right", "Copy Right to Left"};
    for (std::size_t i = 0; i < kToolbarButtons.size(); ++i) {
        Button& b = Command1[static_cast<std::size_t>(kToolbarButtons[i])];
        b.ToolTip = tips[i];
        b.Name = "Command1(" + std::to_string(kToolbarButtons[i]) + ")";
    }
    for (int unused : {4, 5, 6}) Command1[static_cast<std::size_t>(unused)].SetVisible(false);
}

}  // namespace vx470
