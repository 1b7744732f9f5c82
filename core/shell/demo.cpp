#include <algorithm>

#include "core/program.h"
#include "core/shell/mdi_frm_main.h"
#include "core/shell/tables.h"

namespace vx470 {

// Without a unit the program works on fixed presets and the default image and sends
// nothing for the rest of the run.
void MDIFrmMain::DemoSetup() {
    Label& label = program_.frmSplash.Label1;
    label.SetCaption("Dumping memory: please wait ");
    label.Refresh();
    PresetList& presets = program_.presets;
    for (int p = 0; p < kPresets; ++p) {
        const auto i = static_cast<std::size_t>(p);
        presets.PresetUsed[i] = p < kFixedPresets;
        presets.PresetNames[i] =
            p < kFixedPresets ? std::string(DefaultPresetNames[i]) : kEmptyPresetName;
    }
    std::copy(DefaultImage.begin(), DefaultImage.end(), program_.channels.image.begin());
    FrmEq& eq = program_.frmEq;
    eq.SetEnabled(false);
    program_.channels.LinkChannels = 0;
    program_.link.SuppressSend = true;
    program_.channelOps.ApplyImageToEditor();
    eq.SetEnabled(true);
    SetCaption("VX-470 - DEMO - Remote Control Software");
    SetMousePointer(MousePointer::Default);
    program_.graph.RedrawAllResponses();
}

}  // namespace vx470
