#include "core/presets/frm_store.h"

#include <cstdio>

#include "core/program.h"
#include "core/text/utf8.h"
#include "core/text/windows1252.h"

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
    Text1.Accepts = [](char32_t c) { return c >= 32 && ToWindows1252(c).has_value(); };
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
    const std::size_t n = Utf8Length(name);
    if (n < 8) {
        const std::size_t before = (8 - n + 1) / 2;
        name = std::string(before, ' ') + name + std::string(8 - n - before, ' ');
    }
    std::size_t at = 0;
    for (std::uint8_t& code : NameCodes) {
        // Names come from the box or from the unit, so every character has a code.
        code = at < name.size() ? ToWindows1252(DecodeUtf8(name, at)).value_or('?') : ' ';
    }
}

void FrmStore::writeByte(int address, std::uint8_t data) {
    PutLongBE(address, 0, program_.ByteScratch);
    program_.link.SendFrame(
        Frames::WriteByte(program_.ByteScratch[2], program_.ByteScratch[3], data));
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

    const PresetImage& image = program_.channels.image;
    for (int i = 0; i < static_cast<int>(kImageBlockSize); ++i) {
        writeByte(DeviceAddress::Images + static_cast<int>(kImageBlockSize) * k + i,
                  image[static_cast<std::size_t>(i)]);
        ProgressBar1.SetValue(ProgressBar1.Value() + 1);
    }
    for (int i = 0; i < DeviceAddress::NameLength; ++i) {
        writeByte(DeviceAddress::Names + DeviceAddress::NameLength * k + i,
                  NameCodes[static_cast<std::size_t>(i)]);
        ProgressBar1.SetValue(ProgressBar1.Value() + 1);
    }
    // The mark goes last: a store cut off before it leaves the slot as it was.
    presets.PresetUsed[static_cast<std::size_t>(p)] = true;
    program_.link.SendFrame(Frames::WriteByte(
        0, static_cast<std::uint8_t>(DeviceAddress::Marks + k), DeviceAddress::Occupied));

    presets.ShownPresetName =
        std::to_string(p + 1) + ": " + presets.PresetNames[static_cast<std::size_t>(p)];
    program_.frmEq.ShowPresetName();
    program_.frmEq.Label7.SetCaption("Preset loaded from Device");
    ProgressBar1.SetValue(0);
    ProgressBar1.SetVisible(false);
}

}  // namespace vx470
