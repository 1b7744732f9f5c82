#include "core/link/parameter_sends.h"

#include <string>

#include "core/device/parameters.h"
#include "core/program.h"
#include "core/shell/tables.h"

namespace vx470 {

namespace {
constexpr std::size_t at(int i) {
    return static_cast<std::size_t>(i);
}
}  // namespace

void ParameterSends::SendNotchFilter(int n) {
    if (n < 0 || n >= kNotches) return;
    FrmEq& eq = program_.frmEq;
    ChannelModel& model = program_.channels.model;
    PresetImage& image = program_.channels.image;
    const std::size_t i = at(n);

    const int g = eq.HScroll20[i].Value();
    eq.Text1[i].SetText(std::to_string(g - kMaxGainCode));
    eq.Text1[i].Refresh();
    const double d = g - kMaxGainCode;

    // A rejected key leaves "?" in the frequency box; the row's scroll bar still knows the
    // frequency, so take it from there rather than fail.
    const std::optional<double> typed = ParseNumber(eq.Text2[i].Text());
    const int index = typed ? FrequencyToIndex(*typed) : eq.HScroll6[i].Value();
    const double f = FrequencyGrid[at(index)];
    eq.Text2[i].SetText(GridFrequencyText(index));

    const int q = eq.HScroll30[i].Value();
    eq.Text3[i].SetText(std::string(QNames[at(q)]));
    eq.Text3[i].Refresh();

    model.NotchQ[i] = q;
    model.NotchFrequency[i] = f;
    model.NotchGainDb[i] = d;

    // The frequency bar follows the frequency that is sent, whatever the text held before.
    const bool ignoring = program_.IgnoreControlEvents;
    program_.IgnoreControlEvents = true;
    eq.HScroll6[i].SetValue(index);
    program_.IgnoreControlEvents = ignoring;

    ByteScratchBuffer& scratch = program_.ByteScratch;
    PutLongBE(index, 0, scratch);
    const std::size_t r = at(NotchOffset[i]);
    image[r + NotchRecord::Gain] = static_cast<std::uint8_t>(g);
    image[r + NotchRecord::FreqHigh] = scratch[2];
    image[r + NotchRecord::FreqLow] = scratch[3];
    image[r + NotchRecord::Q] = static_cast<std::uint8_t>(q);
    program_.link.SendFrame(NotchFrame(image, n));
}

void ParameterSends::sendReleaseAndMode(int ch) {
    // Both bytes always travel together, whichever one changed.
    program_.link.SendFrame(ReleaseModeFrame(program_.channels.image, ch));
}

template <std::size_t N>
void ParameterSends::storeSetting(int ch, const std::array<ScrollBar, kChannels>& bar,
                                  std::array<Label, kChannels>& label,
                                  std::array<std::int16_t, kChannels> ChannelModel::*model,
                                  const std::array<int, kChannels>& offset,
                                  const std::array<std::string_view, N>& names) {
    const std::size_t c = at(ch);
    const int v = bar[c].Value();
    (program_.channels.model.*model)[c] = static_cast<std::int16_t>(v);
    label[c].SetCaption(std::string(names[at(v)]));
    label[c].Refresh();
    program_.channels.image[at(offset[c])] = static_cast<std::uint8_t>(v);
}

void ParameterSends::SendReleaseNotch(int ch) {
    FrmEq& eq = program_.frmEq;
    storeSetting(ch, eq.HScroll4, eq.Label1, &ChannelModel::ReleaseNotch, ReleaseOffset,
                 ReleaseNames);
    sendReleaseAndMode(ch);
}

void ParameterSends::SendModeSearch(int ch) {
    FrmEq& eq = program_.frmEq;
    storeSetting(ch, eq.HScroll5, eq.Label9, &ChannelModel::ModeSearch, ModeSearchOffset,
                 ModeSearchNames);
    sendReleaseAndMode(ch);
}

void ParameterSends::sendSection(int ch) {
    program_.link.SendFrame(
        SectionFrame(program_.channels.image, ch, static_cast<std::uint8_t>(ch + 1)));
}

void ParameterSends::SendNumNotchAutomatic(int ch) {
    const std::size_t c = at(ch);
    FrmEq& eq = program_.frmEq;
    ChannelModel& model = program_.channels.model;
    model.NumNotchAuto[c] = static_cast<std::int16_t>(eq.HScroll1[c].Value() + 1);
    eq.Label3[c].SetCaption(std::to_string(model.NumNotchAuto[c]));
    eq.Label3[c].Refresh();
    model.NumNotchManual[c] = static_cast<std::int16_t>(kNotchesPerChannel - model.NumNotchAuto[c]);
    program_.channels.image[at(NumAutoOffset[c])] =
        static_cast<std::uint8_t>(model.NumNotchAuto[c]);
    eq.EnableNotchRows(ch);
    sendSection(ch);
}

void ParameterSends::SendQNotchAutomatic(int ch) {
    const std::size_t c = at(ch);
    FrmEq& eq = program_.frmEq;
    ChannelModel& model = program_.channels.model;
    PresetImage& image = program_.channels.image;
    model.QNotchAuto[c] = static_cast<std::int16_t>(eq.HScroll2[c].Value());
    eq.Label5[c].SetCaption(std::string(QNames[at(model.QNotchAuto[c])]));
    eq.Label5[c].Refresh();
    image[at(QAutoOffset[c])] = static_cast<std::uint8_t>(model.QNotchAuto[c]);
    // The automatic notches share the channel's automatic Q; no notch frame goes out for
    // them, the unit applies it itself.
    eq.ShowAutomaticQ(ch, model.NumNotchAuto[c], model.QNotchAuto[c], model.QNotchAuto[c]);
    for (int k = 0; k < kNotchesPerChannel && k < model.NumNotchAuto[c]; ++k) {
        const int m = ch * kNotchesPerChannel + k;
        model.NotchQ[at(m)] = model.QNotchAuto[c];
        image[at(NotchOffset[at(m)]) + NotchRecord::Q] =
            static_cast<std::uint8_t>(model.QNotchAuto[c]);
    }
    sendSection(ch);
}

void ParameterSends::SendAttenuationNotch(int ch) {
    FrmEq& eq = program_.frmEq;
    storeSetting(ch, eq.HScroll3, eq.Label6, &ChannelModel::AttenuationNotch, AttenuationOffset,
                 AttenuationNames);
    sendSection(ch);
}

void ParameterSends::SendSensitivity(int ch) {
    const std::size_t c = at(ch);
    FrmEq& eq = program_.frmEq;
    ChannelModel& model = program_.channels.model;
    model.Sensitivity[c] = static_cast<std::int16_t>(eq.Slider1[c].Value());
    eq.Text4[c].SetText(std::to_string(model.Sensitivity[c] + 1));
    eq.Text4[c].Refresh();
    program_.channels.image[at(SensitivityOffset[c])] =
        static_cast<std::uint8_t>(model.Sensitivity[c]);
    sendSection(ch);
}

void ParameterSends::resetNotches(int ch, bool automatic) {
    const int count = program_.channels.model.NumNotchAuto[at(ch)];
    for (int k = 0; k < kNotchesPerChannel; ++k) {
        if ((k < count) != automatic) continue;
        const int m = ch * kNotchesPerChannel + k;
        program_.IgnoreControlEvents = true;
        program_.frmEq.HScroll20[at(m)].SetValue(kMaxGainCode);
        program_.IgnoreControlEvents = false;
        SendNotchFilter(m);
        program_.graph.DrawNotchResponse(m);
    }
}

void ParameterSends::ResetManualNotches(int ch) {
    resetNotches(ch, false);
}
void ParameterSends::ResetAutomaticNotches(int ch) {
    resetNotches(ch, true);
}

}  // namespace vx470
