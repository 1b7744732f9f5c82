#include "core/presets/frm_read.h"

#include <algorithm>
#include <string>

#include "core/program.h"

namespace vx470 {

FrmRead::FrmRead(Program& program) : program_(program) {
    Name = "FrmRead";
    SetCaption("Read Preset");
    List1.ToolTip = "Double click to load a preset";
    Label1.SetCaption("01 02 03 04 05 06 07 08 09 10 11 12 13 14 15 16 17 18 19 20");
    Label3.SetCaption("Memory Preset");
    BindPresetDialog(*this, "Read");
}

void FrmRead::Form_Load() {
    List1.Clear();
    for (const std::string& name : program_.presets.PresetNames) List1.AddItem(name);
    List1.SetListIndex(0);
}

void FrmRead::Command1_Click(int index) {
    if (index == 0) {
        Unload();
        return;
    }
    const int p = List1.ListIndex();
    if (p < 0 || p >= kPresets) return;
    Dialogs& dialogs = program_.platform.dialogs;
    if (!program_.presets.PresetUsed[static_cast<std::size_t>(p)]) {
        dialogs.show(MessageBox{"Preset empty", "Read Preset", MessageButtons::Ok,
                                MessageIcon::Critical, 0});
        return;
    }
    const Answer answer = dialogs.show(MessageBox{
        "Overwrite current editing with the preset " + std::to_string(p + 1) + ", are you sure ? ",
        "Read Preset", MessageButtons::YesNo, MessageIcon::None, 0});
    if (answer == Answer::No) return;
    SetCaption("Reading Preset......");
    SetMousePointer(MousePointer::ArrowHourglass);
    ReadDevicePreset(p);
    SetMousePointer(MousePointer::Default);
    Unload();
}

void FrmRead::ReadDevicePreset(int p) {
    const EditHistory::Step step(program_.history, "Read preset " + std::to_string(p + 1),
                                 EditHistory::Kind::WholeImage);
    Link& link = program_.link;
    if (!link.DemoMode) {
        link.ReopenWithBufferSize(kBlockReplySize);
        const bool read = link.ReadImageBlock(Frames::ReadBlock(static_cast<std::uint8_t>(p)));
        // A port that could not be opened again is a line that does not answer; the stale
        // bytes of the receive buffer never become the image.
        if (!read) link.TimeOut();
        std::copy_n(link.RxBuffer.begin(), kImageBlockSize, program_.channels.image.begin());
        link.ReopenWithBufferSize(kReplySize);
    }
    program_.channels.LinkChannels = 0;
    link.SuppressSend = true;
    program_.channelOps.ApplyImageToEditor();
    link.SuppressSend = false;
    PresetList& presets = program_.presets;
    presets.ShownPresetName =
        std::to_string(p + 1) + ": " + presets.PresetNames[static_cast<std::size_t>(p)];
    program_.frmEq.ShowPresetName();
    program_.frmEq.Label7.SetCaption("Preset loaded from Device");
}

}  // namespace vx470
