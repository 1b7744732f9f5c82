#include "core/presets/frm_store.h"

#include <cstdio>

#include "core/program.h"

namespace vx470 {

namespace {
constexpr int kStoreSteps = 171;
std::string twoDigits(int n) {
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "%02d", n);
    return buffer;
}
}  // namespace

FrmStore::FrmStore(Program& program) : program_(program) {
    Name = "FrmStore";
    SetCaption("Store preset");
    List1.ToolTip = "Double click to select a preset";
    std::string numbers;
    for (int p = kFixedPresets; p < kPresets; ++p) {
        if (!numbers.empty()) numbers += ' ';
        numbers += twoDigits(p + 1);
        Combo1.AddItem(twoDigits(p + 1));
    }
    Label1.SetCaption(numbers);
    Label3.SetCaption("Memory Preset");
    Label2[0].SetCaption("Select position");
    Label2[1].SetCaption("Edit Name");
    Combo1.Name = "Combo1";
    Text1.Name = "Text1";
    Text1.MaxLength = DeviceAddress::NameLength;
    // What the box shows is what the unit stores: no character it has no code for.
    Text1.Accepts = TypableNameCharacter;
    ProgressBar1.Name = "ProgressBar1";
    BindPresetDialog(*this, "Store");
}

void FrmStore::Form_Load() {
    ProgressBar1.SetVisible(false);
    ProgressBar1.SetValue(0);
    List1.Clear();
    for (int p = kFixedPresets; p < kPresets; ++p) {
        List1.AddItem(program_.presets.PresetNames[static_cast<std::size_t>(p)]);
    }
    List1.SetListIndex(0);
    Text1.SetText(List1.SelectedText());
    Combo1.SetListIndex(List1.ListIndex());
}

void FrmStore::List1_DblClick() {
    Text1.SetText(List1.SelectedText());
    Combo1.SetListIndex(List1.ListIndex());
}

void FrmStore::Command1_Click(int index) {
    if (index == 0) {
        Unload();
        return;
    }
    const Answer answer =
        program_.platform.dialogs.show(MessageBox{"               Are you sure ? ", "Store Preset",
                                                  MessageButtons::YesNo, MessageIcon::None, 0});
    if (answer == Answer::No) return;
    SetMousePointer(MousePointer::ArrowHourglass);
    Memorize_eep();
    SetMousePointer(MousePointer::Default);
    Unload();
}

void FrmStore::CentreName(std::string& name) {
    NameCodes = CentredNameBytes(name);
    name = CentredName(name);
}

void FrmStore::Memorize_eep() {
    const int k = Combo1.ListIndex();
    if (k < 0 || k >= kUserSlots) return;
    const int p = k + kFixedPresets;
    PresetList& presets = program_.presets;
    ProgressBar1.SetVisible(true);
    ProgressBar1.SetValue(0);
    ProgressBar1.SetMax(kStoreSteps);

    std::string centred = Text1.Text();
    CentreName(centred);
    presets.PresetNames[static_cast<std::size_t>(p)] = Text1.Text();

    // The mark goes last (the sequence's own order); the program knows the slot as used
    // before it goes out, as the unit will once it has.
    const std::vector<MemoryWrite> writes = SlotWrites(k, program_.channels.image, NameCodes);
    for (std::size_t w = 0; w < writes.size(); ++w) {
        if (w + 1 == writes.size()) presets.PresetUsed[static_cast<std::size_t>(p)] = true;
        program_.link.SendFrame(WriteByteFrame(writes[w].address, writes[w].data));
        if (w + 1 < writes.size()) ProgressBar1.SetValue(ProgressBar1.Value() + 1);
    }

    presets.ShownPresetName =
        std::to_string(p + 1) + ": " + presets.PresetNames[static_cast<std::size_t>(p)];
    program_.frmEq.ShowPresetName();
    program_.frmEq.Label7.SetCaption("Preset loaded from Device");
    ProgressBar1.SetValue(0);
    ProgressBar1.SetVisible(false);
}

}  // namespace vx470
