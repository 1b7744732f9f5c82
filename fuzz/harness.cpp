#include "fuzz/harness.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <tuple>

namespace vx470::fuzz {

namespace {

// `actual` lists what the editor shows for notch or channel `i`, `expected` what the image
// says, in the same order.
template <typename... A, typename... E>
void requireSame(const char* what, int i, const std::tuple<A...>& actual,
                 const std::tuple<E...>& expected) {
    if (actual == expected) return;
    std::ostringstream s;
    s.precision(17);
    s << what << ' ' << i << ':';
    std::apply([&](const auto&... v) { ((s << ' ' << v), ...); }, actual);
    s << "; expected";
    std::apply([&](const auto&... v) { ((s << ' ' << v), ...); }, expected);
    Require(false, s.str());
}

}  // namespace

Bytes FuzzInput::bytes(std::size_t n) {
    const std::size_t take = std::min(n, size - pos);
    pos += take;
    return Bytes(data + pos - take, data + pos);
}

void Require(bool ok, const std::string& what) {
    if (ok) return;
    std::fprintf(stderr, "fuzz check failed: %s\n", what.c_str());
    std::abort();
}

FuzzProgram::FuzzProgram(const PresetImage& image) {
    unit.attach(fakes.port);
    program.link.CommPortNumber = 1;
    program.link.OpenCommPort();
    program.link.ReopenWithBufferSize(kReplySize);
    program.channels.image = image;
    program.link.SuppressSend = true;
    program.channelOps.ApplyImageToEditor();
    program.link.SuppressSend = false;
    fakes.port.writes.clear();
    fakes.dialogs.shown.clear();
}

void FuzzProgram::link() {
    program.frmEq.Check2.UserClick();
    Require(program.channels.LinkChannels == 1, "the channels did not link");
}

PresetImage ImageWithAutomaticNotches(int autoLeft, int autoRight) {
    PresetImage image{};
    std::copy(DefaultImage.begin(), DefaultImage.end(), image.begin());
    image[at(NumAutoOffset[0])] = static_cast<std::uint8_t>(autoLeft);
    image[at(NumAutoOffset[1])] = static_cast<std::uint8_t>(autoRight);
    return image;
}

Bytes NotchFrame(int n, const std::uint8_t* row) {
    return test::frame({Command::NotchFilter, ChannelOfNotch(n), FilterOfNotch(n), row[1], row[2],
                        row[3], row[0]});
}

void CheckEditorMatchesImage(const Program& program, const TextsToSkip& skip) {
    const FrmEq& eq = program.frmEq;
    const PresetImage& image = program.channels.image;
    const ChannelModel& model = program.channels.model;
    const auto name = [](const auto& names, int i) {
        return names[at(std::min<int>(i, names.size() - 1))];
    };

    for (int n = 0; n < kNotches; ++n) {
        const std::size_t i = at(n), r = at(NotchOffset[i]);
        const int gain = image[r + NotchRecord::Gain], q = image[r + NotchRecord::Q];
        const int index = image[r + NotchRecord::FreqHigh] * 256 + image[r + NotchRecord::FreqLow];
        const double hz = FrequencyGrid[at(std::min(index, kMaxFrequencyIndex))];
        const std::string db = std::to_string(gain - kMaxGainCode), text2 = FormatNumber(hz);
        // The rows of the automatic notches are locked, the others open.
        const bool open =
            n % kNotchesPerChannel >= image[at(NumAutoOffset[i / kNotchesPerChannel])];
        // Bytes in range; HScroll20, 6 and 30, Text3, Text1 and Text2; whether each is open; the
        // model.
        requireSame(
            "notch", n,
            std::forward_as_tuple(
                gain <= kMaxGainCode, index <= kMaxFrequencyIndex, q <= kMaxQCode,
                eq.HScroll20[i].Value(), eq.HScroll6[i].Value(), eq.HScroll30[i].Value(),
                eq.Text3[i].Text(), skip.gain[i] ? db : eq.Text1[i].Text(),
                skip.frequency[i] ? text2 : eq.Text2[i].Text(), eq.HScroll20[i].Enabled(),
                eq.HScroll6[i].Enabled(), eq.HScroll30[i].Enabled(), eq.Text3[i].Enabled(),
                eq.Text1[i].Enabled(), eq.Text2[i].Enabled(), model.NotchGainDb[i],
                model.NotchFrequency[i], model.NotchQ[i]),
            std::forward_as_tuple(true, true, true, gain, index, q, name(QNames, q), db, text2,
                                  open, open, open, open, open, open, gain - kMaxGainCode, hz, q));
    }

    for (int ch = 0; ch < kChannels; ++ch) {
        const std::size_t c = at(ch);
        const int count = image[at(NumAutoOffset[c])], qAuto = image[at(QAutoOffset[c])];
        const int attenuation = image[at(AttenuationOffset[c])];
        const int sensitivity = image[at(SensitivityOffset[c])];
        const int release = image[at(ReleaseOffset[c])], mode = image[at(ModeSearchOffset[c])];
        const std::string text4 = std::to_string(sensitivity + 1);
        // Bytes in range; HScroll1 (plus 1), 2 and 3, Slider1, HScroll4 and 5; the model;
        // Label3, 5, 6, 1 and 9, Text4.
        requireSame("channel", ch,
                    std::forward_as_tuple(
                        count >= 1 && count <= kNotchesPerChannel, qAuto <= kMaxQCode,
                        attenuation <= 1, sensitivity <= kMaxSensitivity, release <= 1, mode <= 1,
                        eq.HScroll1[c].Value() + 1, eq.HScroll2[c].Value(), eq.HScroll3[c].Value(),
                        eq.Slider1[c].Value(), eq.HScroll4[c].Value(), eq.HScroll5[c].Value(),
                        model.NumNotchAuto[c], model.NumNotchManual[c], model.QNotchAuto[c],
                        model.AttenuationNotch[c], model.Sensitivity[c], model.ReleaseNotch[c],
                        model.ModeSearch[c], eq.Label3[c].Caption(), eq.Label5[c].Caption(),
                        eq.Label6[c].Caption(), eq.Label1[c].Caption(), eq.Label9[c].Caption(),
                        skip.sensitivity[c] ? text4 : eq.Text4[c].Text()),
                    std::forward_as_tuple(
                        true, true, true, true, true, true, count, qAuto, attenuation, sensitivity,
                        release, mode, count, kNotchesPerChannel - count, qAuto, attenuation,
                        sensitivity, release, mode, std::to_string(count), name(QNames, qAuto),
                        name(AttenuationNames, attenuation), name(ReleaseNames, release),
                        name(ModeSearchNames, mode), text4));
    }
}

const std::filesystem::path& ScratchDir() {
    static const test::TempDir dir;
    return dir.path();
}

std::filesystem::path WriteScratchFile(const std::string& name, const std::uint8_t* data,
                                       std::size_t size) {
    const std::filesystem::path path = ScratchDir() / name;
    Require(test::writeFile(path, Bytes(data, data + size)), "could not write " + path.string());
    return path;
}

}  // namespace vx470::fuzz
