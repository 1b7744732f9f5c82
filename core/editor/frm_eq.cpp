#include "core/editor/frm_eq.h"

#include <string>
#include <utility>

#include "core/device/parameters.h"
#include "core/editor/edit_history.h"
#include "core/link/converters.h"
#include "core/program.h"
#include "core/shell/tables.h"

namespace vx470 {

namespace {

// Label2 index of each automatic-panel row caption, Left and Right.
struct RowCaption {
    std::array<std::size_t, kChannels> index;
    const char* caption;
};
constexpr std::array<RowCaption, 6> kRowCaptions = {{
    {{0, 1}, "Sensitivity "},
    {{2, 7}, "Num notch automatic"},
    {{3, 6}, "Q notch automatic"},
    {{4, 5}, "Attenuation notch"},
    {{8, 10}, "Release notch"},
    {{9, 11}, "Mode search"},
}};

constexpr std::size_t at(int i) {
    return static_cast<std::size_t>(i);
}

bool isDigit(int key) {
    return key >= '0' && key <= '9';
}

std::string indexed(const char* name, int i) {
    return std::string(name) + "(" + std::to_string(i) + ")";
}

}  // namespace

std::string NotchName(int n, std::string_view what) {
    const int ch = ChannelOfNotch(n);
    std::string name =
        std::string(ChannelName(ch)) + " notch " + std::to_string(n - ch * kNotchesPerChannel + 1);
    if (!what.empty()) name += " " + std::string(what);
    return name;
}

std::string ChannelSettingName(int ch, std::string_view what) {
    return std::string(ChannelName(ch)) + " " + std::string(what);
}

FrmEq::FrmEq(Program& program) : program_(program) {
    SetCaption("Parameters Control");
    Check1[0].Caption = "Search Feedback L&&R";
    Check1[1].Caption = "Search Feedback L";
    Check1[2].Caption = "Search Feedback R";
    Check2.Caption = "Link channel Left && Right";
    Frame5[0].Caption = "Channel Left";
    Frame5[1].Caption = "Channel Right";
    Command1[0].Caption = Command1[1].Caption = "Reset Notch Automatic";
    Command1[2].Caption = Command1[3].Caption = "Reset Notch Manual";

    for (int ch = 0; ch < kChannels; ++ch) {
        const std::size_t c = at(ch);
        Frame5[c].SetContainer(this);
        for (Frame* f : {&Frame10[c], &Frame3[c], &Frame4[c], &Frame2[c]}) {
            f->SetContainer(&Frame5[c]);
        }
        Label170[3 * c].SetCaption("Freq");
        Label170[3 * c + 1].SetCaption("Gain");
        Label170[3 * c + 2].SetCaption("Q");
        for (const RowCaption& row : kRowCaptions) Label2[row.index[c]].SetCaption(row.caption);

        HScroll1[c].SetRange(0, 11);
        HScroll2[c].SetRange(0, kMaxQCode);
        HScroll3[c].SetRange(0, 1);
        HScroll4[c].SetRange(0, 1);
        HScroll5[c].SetRange(0, 1);
        Slider1[c].SetRange(0, kMaxSensitivity);
        for (Control* x : std::initializer_list<Control*>{
                 &HScroll1[c], &HScroll2[c], &HScroll3[c], &HScroll4[c], &HScroll5[c], &Slider1[c],
                 &Text4[c], &Label3[c], &Label5[c], &Label6[c], &Label1[c], &Label9[c]}) {
            x->SetContainer(&Frame4[c]);
        }
        for (const RowCaption& row : kRowCaptions) Label2[row.index[c]].SetContainer(&Frame4[c]);
        Label3[c].SetCaption("11");
        Label5[c].SetCaption("1/70");
        Label6[c].SetCaption("Variable");
        Label1[c].SetCaption("Slow");
        Label9[c].SetCaption("Sharp");
        Text4[c].SetText("Text4");
        Command1[c].SetContainer(&Frame2[c]);
        Command1[c + 2].SetContainer(&Frame2[c]);
    }
    for (int n = 0; n < kNotches; ++n) {
        const std::size_t i = at(n);
        const Frame* rows = &Frame3[at(ChannelOfNotch(n))];
        HScroll6[i].SetRange(0, kMaxFrequencyIndex);
        HScroll20[i].SetRange(0, kMaxGainCode);
        HScroll30[i].SetRange(0, kMaxQCode);
        Text2[i].SetText("20000");
        Text1[i].SetText("-45");
        Text3[i].SetText("1/70");
        Text3[i].Locked = true;
        for (Control* x : std::initializer_list<Control*>{
                 &Text2[i], &HScroll6[i], &Text1[i], &HScroll20[i], &Text3[i], &HScroll30[i]}) {
            x->SetContainer(rows);
        }
    }
    for (int c = 0; c < kChannels; ++c) {
        for (int j = 0; j < 3; ++j) Label170[at(3 * c + j)].SetContainer(&Frame3[at(c)]);
    }
    for (Control* x : std::initializer_list<Control*>{&Label7, &Label8, &Check2, &Check1[0],
                                                      &Check1[1], &Check1[2]}) {
        x->SetContainer(&Frame1);
    }
    Frame1.SetContainer(this);
    nameControls();
    bind();
}

void FrmEq::nameControls() {
    Name = "FrmEq";
    Label7.Name = "Label7";
    Label8.Name = "Label8";
    Check2.Name = "Check2";
    for (int i = 0; i < 3; ++i) Check1[at(i)].Name = indexed("Check1", i);
    for (int i = 0; i < 4; ++i) Command1[at(i)].Name = indexed("Command1", i);
    for (int n = 0; n < kNotches; ++n) {
        Text2[at(n)].Name = indexed("Text2", n);
        HScroll6[at(n)].Name = indexed("HScroll6", n);
        Text1[at(n)].Name = indexed("Text1", n);
        HScroll20[at(n)].Name = indexed("HScroll20", n);
        Text3[at(n)].Name = indexed("Text3", n);
        HScroll30[at(n)].Name = indexed("HScroll30", n);
    }
    for (int c = 0; c < kChannels; ++c) {
        const std::size_t i = at(c);
        Frame5[i].Name = indexed("Frame5", c);
        Frame3[i].Name = indexed("Frame3", c);
        Frame4[i].Name = indexed("Frame4", c);
        HScroll1[i].Name = indexed("HScroll1", c);
        HScroll2[i].Name = indexed("HScroll2", c);
        HScroll3[i].Name = indexed("HScroll3", c);
        HScroll4[i].Name = indexed("HScroll4", c);
        HScroll5[i].Name = indexed("HScroll5", c);
        Slider1[i].Name = indexed("Slider1", c);
        Text4[i].Name = indexed("Text4", c);
        Label3[i].Name = indexed("Label3", c);
        Label5[i].Name = indexed("Label5", c);
        Label6[i].Name = indexed("Label6", c);
        Label1[i].Name = indexed("Label1", c);
        Label9[i].Name = indexed("Label9", c);
    }
}

void FrmEq::bind() {
    for (int n = 0; n < kNotches; ++n) {
        const std::size_t i = at(n);
        HScroll6[i].Change = [this, n] { HScroll6_Change(n); };
        HScroll20[i].Change = [this, n] { HScroll20_Change(n); };
        HScroll30[i].Change = [this, n] { HScroll30_Change(n); };
        Text1[i].KeyPress = [this, n](int key) { return Text1_KeyPress(n, key); };
        Text2[i].KeyPress = [this, n](int key) { return Text2_KeyPress(n, key); };
    }
    for (int c = 0; c < kChannels; ++c) {
        const std::size_t i = at(c);
        HScroll1[i].Change = [this, c] { HScroll1_Change(c); };
        HScroll2[i].Change = [this, c] { HScroll2_Change(c); };
        HScroll3[i].Change = [this, c] { HScroll3_Change(c); };
        HScroll4[i].Change = [this, c] { HScroll4_Change(c); };
        HScroll5[i].Change = [this, c] { HScroll5_Change(c); };
        Slider1[i].Change = [this, c] { Slider1_Change(c); };
        Text4[i].KeyPress = [this, c](int key) { return Text4_KeyPress(c, key); };
    }
    for (int i = 0; i < 3; ++i) Check1[at(i)].Click = [this, i] { Check1_Click(i); };
    Check2.Click = [this] { Check2_Click(); };
    for (int i = 0; i < 4; ++i) Command1[at(i)].Click = [this, i] { Command1_Click(i); };
    QueryUnload = [this] { return Form_QueryUnload(); };
}

void FrmEq::warn(const char* text) {
    // One box, refilled: a typed entry may warn at every Enter.
    warning_.text = text;
    program_.platform.dialogs.show(warning_);
}

void FrmEq::sendRow(int n) {
    program_.CurrentNotch = n;
    program_.sends.SendNotchFilter(program_.CurrentNotch);
    program_.graph.DrawNotchResponse(program_.CurrentNotch);
}

// ---- notch rows ---------------------------------------------------------------------------

void FrmEq::HScroll6_Change(int n) {
    if (program_.IgnoreControlEvents) return;
    const EditHistory::Step step(program_.history, NotchName(n, "frequency"));
    const std::size_t i = at(n);
    Text2[i].SetText(GridFrequencyText(HScroll6[i].Value()));
    Text2[i].Refresh();
    sendRow(n);
    if (program_.channels.LinkChannels != 0) {
        const std::size_t o = at(PartnerNotch(n));
        program_.IgnoreControlEvents = true;
        HScroll6[o].SetValue(HScroll6[i].Value());
        Text2[o].SetText(Text2[i].Text());
        program_.IgnoreControlEvents = false;
        sendRow(PartnerNotch(n));
    }
}

void FrmEq::MoveNotch(int n, int frequencyIndex, int gainCode) {
    const std::size_t i = at(n);
    if (HScroll6[i].Value() == frequencyIndex && HScroll20[i].Value() == gainCode) return;
    const auto place = [&](std::size_t m) {
        program_.IgnoreControlEvents = true;
        HScroll6[m].SetValue(frequencyIndex);
        HScroll20[m].SetValue(gainCode);
        program_.IgnoreControlEvents = false;
        Text2[m].SetText(GridFrequencyText(HScroll6[m].Value()));
        Text2[m].Refresh();
        sendRow(static_cast<int>(m));
    };
    place(i);
    if (program_.channels.LinkChannels != 0) place(at(PartnerNotch(n)));
}

void FrmEq::mirrorGain(int n) {
    program_.IgnoreControlEvents = true;
    HScroll20[at(PartnerNotch(n))].SetValue(HScroll20[at(n)].Value());
    program_.IgnoreControlEvents = false;
    sendRow(PartnerNotch(n));
}

void FrmEq::HScroll20_Change(int n) {
    if (program_.IgnoreControlEvents) return;
    const EditHistory::Step step(program_.history, NotchName(n, "gain"));
    const std::size_t i = at(n);
    Text1[i].SetText(std::to_string(HScroll20[i].Value() - kMaxGainCode));
    Text1[i].Refresh();
    sendRow(n);
    if (program_.channels.LinkChannels != 0) mirrorGain(n);
}

void FrmEq::HScroll30_Change(int n) {
    if (program_.IgnoreControlEvents) return;
    const EditHistory::Step step(program_.history, NotchName(n, "Q"));
    const std::size_t i = at(n);
    Text3[i].SetText(std::string(QNames[at(HScroll30[i].Value())]));
    Text3[i].Refresh();
    sendRow(n);
    if (program_.channels.LinkChannels != 0) {
        const std::size_t o = at(PartnerNotch(n));
        program_.IgnoreControlEvents = true;
        HScroll30[o].SetValue(HScroll30[i].Value());
        program_.IgnoreControlEvents = false;
        Text3[o].SetText(Text3[i].Text());
        Text3[o].Refresh();
        sendRow(PartnerNotch(n));
    }
}

std::optional<double> FrmEq::typedEntry(const TextBox& box, int key, bool minusPasses,
                                        const char* warning, int& reply) {
    reply = key;
    if (program_.IgnoreControlEvents || isDigit(key) || key == Key::Backspace ||
        (minusPasses && key == '-')) {
        return std::nullopt;
    }
    const std::optional<double> typed = key == Key::Enter ? ParseNumber(box.Text()) : std::nullopt;
    if (typed) {
        reply = 0;
    } else {
        warn(warning);
        reply = '?';
    }
    return typed;
}

int FrmEq::Text1_KeyPress(int n, int key) {
    const std::size_t i = at(n);
    int reply = 0;
    const std::optional<double> typed = typedEntry(Text1[i], key, true, "  Incorrect value", reply);
    if (!typed) return reply;
    const EditHistory::Step step(program_.history, NotchName(n, "gain"));
    if (*typed > 0) Text1[i].SetText("0");
    if (*ParseNumber(Text1[i].Text()) < -kMaxGainCode) Text1[i].SetText("-45");
    const int code = GainToIndex(*ParseNumber(Text1[i].Text()));
    Text1[i].SetText(std::to_string(code - kMaxGainCode));
    program_.IgnoreControlEvents = true;
    HScroll20[i].SetValue(code);
    program_.IgnoreControlEvents = false;
    sendRow(n);
    if (program_.channels.LinkChannels != 0) mirrorGain(n);
    return 0;
}

int FrmEq::Text2_KeyPress(int n, int key) {
    const std::size_t i = at(n);
    int reply = 0;
    const std::optional<double> typed =
        typedEntry(Text2[i], key, false, "  Incorrect frequency value", reply);
    if (!typed) return reply;
    const EditHistory::Step step(program_.history, NotchName(n, "frequency"));
    if (*typed > 20000) Text2[i].SetText("20000");
    if (*ParseNumber(Text2[i].Text()) < 20) Text2[i].SetText("20");
    const int index = FrequencyToIndex(*ParseNumber(Text2[i].Text()));
    Text2[i].SetText(GridFrequencyText(index));
    program_.IgnoreControlEvents = true;
    HScroll6[i].SetValue(index);
    program_.IgnoreControlEvents = false;
    sendRow(n);
    if (program_.channels.LinkChannels != 0) {
        const std::size_t o = at(PartnerNotch(n));
        Text2[o].SetText(Text2[i].Text());
        Text2[o].Refresh();
        program_.IgnoreControlEvents = true;
        HScroll6[o].SetValue(HScroll6[i].Value());
        program_.IgnoreControlEvents = false;
        sendRow(PartnerNotch(n));
    }
    return 0;
}

// ---- automatic panel ----------------------------------------------------------------------

bool FrmEq::followBar(int value, std::int16_t& model, int offset, Label& label,
                      std::string caption) {
    model = static_cast<std::int16_t>(value);
    program_.channels.image[at(offset)] = static_cast<std::uint8_t>(model);
    label.SetCaption(std::move(caption));
    label.Refresh();
    return !program_.IgnoreControlEvents;
}

void FrmEq::HScroll1_Change(int ch) {
    const std::size_t c = at(ch);
    ChannelModel& m = program_.channels.model;
    const int count = HScroll1[c].Value() + 1;
    if (!followBar(count, m.NumNotchAuto[c], NumAutoOffset[c], Label3[c], std::to_string(count))) {
        return;
    }
    const EditHistory::Step step(program_.history,
                                 ChannelSettingName(ch, "number of automatic notches"));
    program_.sends.SendNumNotchAutomatic(ch);
    if (program_.channels.LinkChannels != 0) {
        const int other = 1 - ch;
        program_.IgnoreControlEvents = true;
        HScroll1[at(other)].SetValue(HScroll1[c].Value());
        program_.IgnoreControlEvents = false;
        program_.sends.SendNumNotchAutomatic(other);
    }
}

void FrmEq::ShowAutomaticQ(int ch, int count, int q, int textQ) {
    for (int k = 0; k < kNotchesPerChannel && k < count; ++k) {
        const std::size_t m = at(ch * kNotchesPerChannel + k);
        program_.IgnoreControlEvents = true;
        HScroll30[m].SetValue(q);
        Text3[m].SetText(std::string(QNames[at(textQ)]));
        Text3[m].Refresh();
        program_.IgnoreControlEvents = false;
    }
}

void FrmEq::HScroll2_Change(int ch) {
    const std::size_t c = at(ch);
    ChannelModel& m = program_.channels.model;
    const int q = HScroll2[c].Value();
    if (!followBar(q, m.QNotchAuto[c], QAutoOffset[c], Label5[c], std::string(QNames[at(q)]))) {
        return;
    }
    const EditHistory::Step step(program_.history,
                                 ChannelSettingName(ch, "Q of automatic notches"));
    ShowAutomaticQ(ch, m.NumNotchAuto[c], m.QNotchAuto[c], m.QNotchAuto[c]);
    program_.sends.SendQNotchAutomatic(ch);
    if (program_.channels.LinkChannels != 0) {
        const int other = 1 - ch;
        const std::size_t o = at(other);
        program_.IgnoreControlEvents = true;
        HScroll2[o].SetValue(HScroll2[c].Value());
        program_.IgnoreControlEvents = false;
        // The other channel's own automatic rows: only those take the automatic Q.
        ShowAutomaticQ(other, m.NumNotchAuto[o], m.QNotchAuto[c], m.QNotchAuto[o]);
        program_.sends.SendQNotchAutomatic(other);
    }
}

template <std::size_t N>
void FrmEq::settingBarChange(int ch, std::array<ScrollBar, kChannels>& bar,
                             std::array<Label, kChannels>& label,
                             std::array<std::int16_t, kChannels> ChannelModel::*model,
                             const std::array<int, kChannels>& offset,
                             const std::array<std::string_view, N>& names,
                             void (ParameterSends::*send)(int), const char* what) {
    const std::size_t c = at(ch);
    const int v = bar[c].Value();
    if (!followBar(v, (program_.channels.model.*model)[c], offset[c], label[c],
                   std::string(names[at(v)]))) {
        return;
    }
    const EditHistory::Step step(program_.history, ChannelSettingName(ch, what));
    (program_.sends.*send)(ch);
    if (program_.channels.LinkChannels != 0) {
        program_.IgnoreControlEvents = true;
        bar[at(1 - ch)].SetValue(v);
        program_.IgnoreControlEvents = false;
        (program_.sends.*send)(1 - ch);
    }
}

void FrmEq::HScroll3_Change(int ch) {
    settingBarChange(ch, HScroll3, Label6, &ChannelModel::AttenuationNotch, AttenuationOffset,
                     AttenuationNames, &ParameterSends::SendAttenuationNotch, "attenuation");
}

void FrmEq::HScroll4_Change(int ch) {
    settingBarChange(ch, HScroll4, Label1, &ChannelModel::ReleaseNotch, ReleaseOffset, ReleaseNames,
                     &ParameterSends::SendReleaseNotch, "release");
}

void FrmEq::HScroll5_Change(int ch) {
    settingBarChange(ch, HScroll5, Label9, &ChannelModel::ModeSearch, ModeSearchOffset,
                     ModeSearchNames, &ParameterSends::SendModeSearch, "search mode");
}

void FrmEq::mirrorSensitivity(int ch) {
    const std::size_t c = at(ch);
    const std::size_t o = at(1 - ch);
    program_.IgnoreControlEvents = true;
    Slider1[o].SetValue(Slider1[c].Value());
    Text4[o].SetText(std::to_string(program_.channels.model.Sensitivity[c] + 1));
    Text4[o].Refresh();
    program_.IgnoreControlEvents = false;
    program_.sends.SendSensitivity(1 - ch);
}

void FrmEq::Slider1_Change(int ch) {
    const std::size_t c = at(ch);
    ChannelModel& m = program_.channels.model;
    m.Sensitivity[c] = static_cast<std::int16_t>(Slider1[c].Value());
    program_.channels.image[at(SensitivityOffset[c])] = static_cast<std::uint8_t>(m.Sensitivity[c]);
    Text4[c].SetText(std::to_string(m.Sensitivity[c] + 1));
    Text4[c].Refresh();
    if (program_.IgnoreControlEvents) return;
    const EditHistory::Step step(program_.history, ChannelSettingName(ch, "sensitivity"));
    program_.sends.SendSensitivity(ch);
    if (program_.channels.LinkChannels != 0) mirrorSensitivity(ch);
}

int FrmEq::Text4_KeyPress(int ch, int key) {
    const std::size_t c = at(ch);
    int reply = 0;
    const std::optional<double> typed =
        typedEntry(Text4[c], key, false, "  Incorrect value", reply);
    if (!typed) return reply;
    const EditHistory::Step step(program_.history, ChannelSettingName(ch, "sensitivity"));
    if (*typed > 16) Text4[c].SetText("16");
    if (*ParseNumber(Text4[c].Text()) < 1) Text4[c].SetText("1");
    const int shown = NearestSensitivity(*ParseNumber(Text4[c].Text()));
    Text4[c].SetText(std::to_string(shown));
    // The slider only follows here: this handler sends (and mirrors) the entry itself, so
    // the slider's own handler must not send it a second time.
    program_.IgnoreControlEvents = true;
    Slider1[c].SetValue(shown - 1);
    program_.IgnoreControlEvents = false;
    ChannelModel& m = program_.channels.model;
    m.Sensitivity[c] = static_cast<std::int16_t>(Slider1[c].Value());
    program_.channels.image[at(SensitivityOffset[c])] = static_cast<std::uint8_t>(m.Sensitivity[c]);
    program_.sends.SendSensitivity(ch);
    if (program_.channels.LinkChannels != 0) mirrorSensitivity(ch);
    return 0;
}

// ---- search, link, resets -----------------------------------------------------------------

void FrmEq::Check1_Click(int i) {
    const PresetImage& image = program_.channels.image;
    const auto sectionFrame = [&](std::uint8_t target, int ch, std::uint8_t run) {
        return SectionFrame(image, ch, target, run);
    };
    if (Check1[at(i)].Value() == 1) {
        for (int j = 0; j < 3; ++j) {
            if (j != i) Check1[at(j)].SetEnabled(false);
        }
        LockCursor(true);
        // Target 0 = both channels (with the Left settings), 1 = Left, 2 = Right.
        program_.link.SendFrame(sectionFrame(static_cast<std::uint8_t>(i), i == 2 ? 1 : 0, 1));
        program_.SearchActive = true;
        return;
    }
    // The notches the search placed are one step.
    const EditHistory::Step step(program_.history, "Feedback search");
    SetMousePointer(MousePointer::ArrowHourglass);
    program_.SearchActive = false;
    const FrameArgs stop = sectionFrame(SectionTarget::Both, 0, 0);
    program_.link.SendFrame(stop);
    program_.link.SendFrame(stop);
    for (int j = 0; j < 3; ++j) {
        if (j != i) Check1[at(j)].SetEnabled(true);
    }
    LockCursor(false);
    if (i == 1 || i == 2) {
        program_.link.SendFrame(stop);
        program_.link.SendFrame(stop);
    }
    SetMousePointer(MousePointer::Default);
}

void FrmEq::Check2_Click() {
    const EditHistory::Step step(program_.history, "Link channels");
    program_.channelOps.LinkChannelsClick();
}

void FrmEq::Command1_Click(int index) {
    const bool automatic = index < 2;
    const Answer answer = program_.platform.dialogs.show(
        MessageBox{automatic ? "Reset all Notch filter automatic, Are you sure ?"
                             : "Reset all Notch filter manual, Are you sure ?",
                   "Reset Filter", MessageButtons::YesNo, MessageIcon::None, 0});
    if (answer == Answer::No) return;
    const int ch = index % 2;
    const EditHistory::Step step(
        program_.history,
        "Reset " + ChannelSettingName(ch, automatic ? "automatic" : "manual") + " notches");
    const auto reset = [&](int c) {
        if (automatic) {
            program_.sends.ResetAutomaticNotches(c);
        } else {
            program_.sends.ResetManualNotches(c);
        }
    };
    reset(ch);
    if (program_.channels.LinkChannels == 1) reset(1 - ch);
}

void FrmEq::LockCursor(bool FlagLock) {
    const bool enabled = !FlagLock;
    for (int ch = 0; ch < kChannels; ++ch) {
        const std::size_t c = at(ch);
        for (Control* x :
             std::initializer_list<Control*>{&HScroll1[c], &HScroll2[c], &HScroll3[c], &HScroll4[c],
                                             &HScroll5[c], &Slider1[c], &Text4[c], &Frame3[c]}) {
            x->SetEnabled(enabled);
        }
    }
    for (Button& b : Command1) b.SetEnabled(enabled);
    Check2.SetEnabled(enabled);
    for (int i : MDIFrmMain::kToolbarButtons) {
        program_.mainWindow.Command1[at(i)].SetEnabled(enabled);
    }
    for (Button& b : program_.mainWindow.CompareMenu) b.SetEnabled(enabled);
    for (Button& b : program_.mainWindow.UnitMenu) b.SetEnabled(enabled);
    program_.history.Show(FlagLock);
    program_.mainWindow.ExportButton.SetEnabled(enabled);
}

void FrmEq::ShowPresetName() {
    Label8.SetCaption(program_.presets.ShownPresetName);
    Label8.Refresh();
}

void FrmEq::ShowLink(int linked) {
    const std::function<void()> click = std::exchange(Check2.Click, nullptr);
    Check2.SetValue(linked);
    Check2.Click = click;
    program_.channels.LinkChannels = linked;
}

void FrmEq::EnableNotchRows(int ch) {
    const int automatic = program_.channels.model.NumNotchAuto[at(ch)];
    for (int k = 0; k < kNotchesPerChannel; ++k) {
        const std::size_t n = at(ch * kNotchesPerChannel + k);
        const bool manual = k >= automatic;
        for (Control* x : std::initializer_list<Control*>{&HScroll6[n], &Text2[n], &HScroll20[n],
                                                          &Text1[n], &HScroll30[n], &Text3[n]}) {
            x->SetEnabled(manual);
        }
    }
}

}  // namespace vx470
