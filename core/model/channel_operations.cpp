#include "core/model/channel_operations.h"

#include <algorithm>

#include "core/program.h"
#include "core/shell/tables.h"

namespace vx470 {

namespace {
constexpr std::size_t at(int i) {
    return static_cast<std::size_t>(i);
}
}  // namespace

void ChannelOperations::ApplyImageToEditor() {
    FrmEq& eq = program_.frmEq;
    ChannelModel& model = program_.channels.model;
    const PresetImage& image = program_.channels.image;

    eq.Check2.SetValue(0);
    program_.channels.LinkChannels = 0;

    for (int n = 0; n < kNotches; ++n) {
        const std::size_t i = at(n);
        const std::size_t o = at(NotchOffset[i]);
        program_.IgnoreControlEvents = true;
        eq.HScroll20[i].SetValue(image[o + NotchRecord::Gain]);
        eq.HScroll30[i].SetValue(image[o + NotchRecord::Q]);
        const int f = std::min(NotchFrequencyIndex(image, n), kMaxFrequencyIndex);
        eq.Text2[i].SetText(GridFrequencyText(f));
        eq.HScroll6[i].SetValue(f);
        program_.IgnoreControlEvents = false;
        program_.sends.SendNotchFilter(n);
        program_.graph.DrawNotchResponse(n);
    }

    for (int ch = 0; ch < kChannels; ++ch) {
        const std::size_t c = at(ch);
        loadChannelModel(ch, ch);
        if (model.ReleaseNotch[c] > 1) model.ReleaseNotch[c] = 0;
        if (model.ModeSearch[c] > 1) model.ModeSearch[c] = 0;
        showChannelSettings(ch, ch);
        sendChannelSettings(ch, false);
    }
}

void ChannelOperations::showChannelSettings(int ch, int fromCh) {
    FrmEq& eq = program_.frmEq;
    const ChannelModel& model = program_.channels.model;
    const std::size_t c = at(ch);
    const std::size_t f = at(fromCh);
    program_.IgnoreControlEvents = true;
    eq.HScroll1[c].SetValue(model.NumNotchAuto[f] - 1);
    eq.HScroll2[c].SetValue(model.QNotchAuto[f]);
    eq.HScroll3[c].SetValue(model.AttenuationNotch[f]);
    eq.HScroll4[c].SetValue(model.ReleaseNotch[f]);
    eq.HScroll5[c].SetValue(model.ModeSearch[f]);
    eq.Slider1[c].SetValue(model.Sensitivity[f]);
    program_.IgnoreControlEvents = false;
    // A bar that did not move ran no Change to store its value, and the first frames carry
    // the section, release and mode bytes together: the image takes what every bar shows
    // first, so that no frame carries a byte no control can hold.
    PresetImage& image = program_.channels.image;
    image[at(NumAutoOffset[c])] = static_cast<std::uint8_t>(eq.HScroll1[c].Value() + 1);
    image[at(QAutoOffset[c])] = static_cast<std::uint8_t>(eq.HScroll2[c].Value());
    image[at(AttenuationOffset[c])] = static_cast<std::uint8_t>(eq.HScroll3[c].Value());
    image[at(ReleaseOffset[c])] = static_cast<std::uint8_t>(eq.HScroll4[c].Value());
    image[at(ModeSearchOffset[c])] = static_cast<std::uint8_t>(eq.HScroll5[c].Value());
    image[at(SensitivityOffset[c])] = static_cast<std::uint8_t>(eq.Slider1[c].Value());
}

void ChannelOperations::sendChannelSettings(int ch, bool sensitivityLast) {
    ParameterSends& s = program_.sends;
    s.SendNumNotchAutomatic(ch);
    s.SendQNotchAutomatic(ch);
    s.SendAttenuationNotch(ch);
    if (!sensitivityLast) s.SendSensitivity(ch);
    s.SendReleaseNotch(ch);
    s.SendModeSearch(ch);
    if (sensitivityLast) s.SendSensitivity(ch);
    program_.frmEq.EnableNotchRows(ch);
}

void ChannelOperations::loadChannelModel(int ch, int fromCh) {
    const std::size_t c = at(ch);
    const std::size_t f = at(fromCh);
    ChannelModel& model = program_.channels.model;
    const PresetImage& image = program_.channels.image;
    model.NumNotchAuto[c] = image[at(NumAutoOffset[f])];
    model.QNotchAuto[c] = image[at(QAutoOffset[f])];
    model.AttenuationNotch[c] = image[at(AttenuationOffset[f])];
    model.Sensitivity[c] = image[at(SensitivityOffset[f])];
    model.ReleaseNotch[c] = image[at(ReleaseOffset[f])];
    model.ModeSearch[c] = image[at(ModeSearchOffset[f])];
}

void ChannelOperations::copyRows(int from, int to) {
    FrmEq& eq = program_.frmEq;
    PresetImage& image = program_.channels.image;
    for (int k = 0; k < kNotchesPerChannel; ++k) {
        const std::size_t s = at(from * kNotchesPerChannel + k);
        const std::size_t d = at(to * kNotchesPerChannel + k);
        std::copy_n(image.begin() + NotchOffset[s], NotchRecord::Size,
                    image.begin() + NotchOffset[d]);
        program_.IgnoreControlEvents = true;
        eq.HScroll20[d].SetValue(eq.HScroll20[s].Value());
        eq.Text2[d].SetText(eq.Text2[s].Text());
        eq.HScroll30[d].SetValue(eq.HScroll30[s].Value());
        eq.HScroll6[d].SetValue(eq.HScroll6[s].Value());
        program_.IgnoreControlEvents = false;
        program_.sends.SendNotchFilter(static_cast<int>(d));
        program_.graph.DrawNotchResponse(static_cast<int>(d));
    }
    loadChannelModel(to, from);
    showChannelSettings(to, from);
}

void ChannelOperations::CopyChannelLeftToRight() {
    copyRows(0, 1);
    sendChannelSettings(1, false);
}

void ChannelOperations::CopyChannelRightToLeft() {
    copyRows(1, 0);
    // The sensitivity goes last in this direction.
    sendChannelSettings(0, true);
}

void ChannelOperations::LinkChannelsClick() {
    FrmEq& eq = program_.frmEq;
    ChannelState& channels = program_.channels;
    if (eq.Check2.Value() != 1) {
        channels.LinkChannels = 0;
        return;
    }
    // The periodic comparison may be up to three seconds old; an edit just before the click
    // must still count.
    channels.CompareChannels();
    if (!channels.ChannelsDiffer) {
        channels.LinkChannels = 1;
        return;
    }
    const Answer answer = program_.platform.dialogs.show(
        MessageBox{"      You requested to Link channel Left & Right  \r\n"
                   "        This will copy channel Left to Right     \r\n"
                   "                     confirm?                    ",
                   "Link Left & Right", MessageButtons::YesNo, MessageIcon::None, 0});
    if (answer == Answer::No) {
        eq.Check2.SetValue(0);
        return;
    }
    eq.SetMousePointer(MousePointer::ArrowHourglass);
    CopyChannelLeftToRight();
    eq.SetMousePointer(MousePointer::Default);
    channels.LinkChannels = 1;
}

}  // namespace vx470
