#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/controls/controls.h"
#include "core/model/channel_state.h"
#include "core/model/preset_image.h"
#include "core/platform/dialogs.h"

namespace vx470 {

class Program;
class ParameterSends;

// What the user calls a notch's setting and a channel's setting: "Left notch 3 gain"
// (notches counted from 1, as the rows are), "Left sensitivity".
std::string NotchName(int n, std::string_view what = {});
std::string ChannelSettingName(int ch, std::string_view what);

// The parameter editor: a top strip and two channel panels (Left above Right), each with
// the response graph, twelve notch rows and the automatic-notch panel above the resets.
// Notch controls are indexed by notch 0..23, channel controls by channel 0..1.
class FrmEq : public Form {
  public:
    explicit FrmEq(Program& program);

    // Top strip.
    Frame Frame1;
    Label Label7;  // status
    Label Label8;  // preset name
    CheckBox Check2;
    std::array<CheckBox, 3> Check1;

    // Channel panels and their parts.
    std::array<Frame, kChannels> Frame5;   // "Channel Left" / "Channel Right"
    std::array<Frame, kChannels> Frame10;  // the graph
    std::array<Frame, kChannels> Frame3;   // the notch rows
    std::array<Frame, kChannels> Frame4;   // the automatic panel
    std::array<Frame, kChannels> Frame2;   // the reset buttons

    // Notch rows.
    std::array<TextBox, kNotches> Text2;        // frequency in Hz
    std::array<ScrollBar, kNotches> HScroll6;   // frequency index 0..729
    std::array<TextBox, kNotches> Text1;        // gain in dB
    std::array<ScrollBar, kNotches> HScroll20;  // gain code 0..45
    std::array<TextBox, kNotches> Text3;        // bandwidth, display only
    std::array<ScrollBar, kNotches> HScroll30;  // Q code 0..3
    // Column headings under each channel's rows: "Freq", "Gain", "Q".
    std::array<Label, 3 * kChannels> Label170;

    // Automatic panel.
    std::array<ScrollBar, kChannels> HScroll1;  // automatic notches - 1
    std::array<ScrollBar, kChannels> HScroll2;  // automatic Q code
    std::array<ScrollBar, kChannels> HScroll3;  // attenuation
    std::array<ScrollBar, kChannels> HScroll4;  // release
    std::array<ScrollBar, kChannels> HScroll5;  // search mode
    std::array<Slider, kChannels> Slider1;      // sensitivity 0..15
    std::array<TextBox, kChannels> Text4;       // sensitivity shown 1..16
    std::array<Label, kChannels> Label3;        // number of automatic notches
    std::array<Label, kChannels> Label5;        // automatic Q
    std::array<Label, kChannels> Label6;        // attenuation
    std::array<Label, kChannels> Label1;        // release
    std::array<Label, kChannels> Label9;        // search mode
    // Row captions; Left / Right indexes: sensitivity 0/1, number 2/7, Q 3/6,
    // attenuation 4/5, release 8/10, mode 9/11.
    std::array<Label, 12> Label2;

    // Resets: channel = index mod 2; 0, 1 automatic, 2, 3 manual.
    std::array<Button, 4> Command1;

    // Handlers.
    void HScroll6_Change(int n);
    void HScroll20_Change(int n);
    void HScroll30_Change(int n);
    int Text1_KeyPress(int n, int key);
    int Text2_KeyPress(int n, int key);
    int Text4_KeyPress(int ch, int key);
    void HScroll1_Change(int ch);
    void HScroll2_Change(int ch);
    void HScroll3_Change(int ch);
    void HScroll4_Change(int ch);
    void HScroll5_Change(int ch);
    void Slider1_Change(int ch);
    void Check1_Click(int i);
    void Check2_Click();
    void Command1_Click(int index);
    // Notch n to a frequency index and gain code together, as its two bars would take them
    // but in one frame; a linked partner follows. Nothing is sent when both are as they are.
    void MoveNotch(int n, int frequencyIndex, int gainCode);
    // Refuses every close: the editor lives as long as the program.
    bool Form_QueryUnload() { return true; }

    // Disables (true) or enables (false) every parameter control of the editor except the
    // search boxes, and the main window's preset and copy buttons.
    void LockCursor(bool FlagLock);
    // Shows the shown preset name in the name label at once.
    void ShowPresetName();
    // Links the channels (1) or not (0) and ticks the box to match, asking nothing and
    // copying nothing: a search on one channel may have left linked channels apart.
    void ShowLink(int linked);
    // Manual rows editable, automatic rows not.
    void EnableNotchRows(int ch);
    // Every automatic row (k < count) of channel ch shows Q code q with the text of
    // `textQ`, without sending.
    void ShowAutomaticQ(int ch, int count, int q, int textQ);

  private:
    void bind();
    void nameControls();
    void warn(const char* text);
    // The front every typed entry shares: digits, Backspace (and "-" where allowed) pass;
    // any other key, or Enter on a text that is not a number, warns and becomes "?". Gives
    // the number on a good Enter; otherwise `reply` is the key to use.
    std::optional<double> typedEntry(const TextBox& box, int key, bool minusPasses,
                                     const char* warning, int& reply);
    // The edited row's own send and redraw, then its linked partner's.
    void sendRow(int n);
    // Steps shared by every automatic-panel bar: model, image and label follow the bar even
    // while code sets it; only a user's change sends and is mirrored.
    bool followBar(int value, std::int16_t& model, int offset, Label& label, std::string caption);
    // Attenuation, release and search mode: the bar's change, its send and its mirror.
    template <std::size_t N>
    void settingBarChange(int ch, std::array<ScrollBar, kChannels>& bar,
                          std::array<Label, kChannels>& label,
                          std::array<std::int16_t, kChannels> ChannelModel::*model,
                          const std::array<int, kChannels>& offset,
                          const std::array<std::string_view, N>& names,
                          void (ParameterSends::*send)(int), const char* what);
    // The linked partner follows: row n's gain, channel ch's sensitivity.
    void mirrorGain(int n);
    void mirrorSensitivity(int ch);

    Program& program_;
    MessageBox warning_{"", "Warning", MessageButtons::Ok, MessageIcon::None, 0};
};

}  // namespace vx470
