#include "fuzz/harness.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <random>

#include "core/shell/tables.h"

namespace vx470::fuzz {

namespace {

constexpr std::size_t at(int i) {
    return static_cast<std::size_t>(i);
}

std::string named(const char* name, int i) {
    return std::string(name) + "(" + std::to_string(i) + ")";
}

template <typename A, typename B>
void RequireEqual(const A& actual, const B& expected, const std::string& what) {
    if (actual == expected) return;
    if constexpr (requires { std::to_string(actual); }) {
        Require(false,
                what + ": " + std::to_string(actual) + ", expected " + std::to_string(expected));
    } else {
        Require(false, what + ": \"" + std::string(actual) + "\", expected \"" +
                           std::string(expected) + "\"");
    }
}

}  // namespace

Bytes FuzzInput::bytes(std::size_t n) {
    const std::size_t take = std::min(n, remaining());
    Bytes out(data_ + pos_, data_ + pos_ + take);
    pos_ += take;
    return out;
}

void Require(bool ok, const std::string& what) {
    if (ok) return;
    std::fprintf(stderr, "fuzz check failed: %s\n", what.c_str());
    std::abort();
}

FuzzProgram::FuzzProgram(const PresetImage& image) {
    fakes.port.onWrite = [](test::FakeSerialPort& port, const Bytes& w) {
        if (w.size() == 10 && w[2] != Command::Acknowledge) {
            port.arrive(Bytes{0xF0, 0x5B, w[2], 0x5B, w[3], w[4], w[6], w[7], w[8], 0xF7});
        }
    };
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

std::vector<Bytes> FuzzProgram::framesSince(std::size_t first) const {
    std::vector<Bytes> out;
    for (std::size_t i = first; i < fakes.port.writes.size(); ++i) {
        out.push_back(fakes.port.writes[i].bytes);
    }
    return out;
}

PresetImage ImageWithAutomaticNotches(int autoLeft, int autoRight) {
    PresetImage image{};
    std::copy(DefaultImage.begin(), DefaultImage.end(), image.begin());
    image[at(NumAutoOffset[0])] = static_cast<std::uint8_t>(autoLeft);
    image[at(NumAutoOffset[1])] = static_cast<std::uint8_t>(autoRight);
    return image;
}

void CheckEditorMatchesImage(const Program& program, const TextsToSkip& skip) {
    const FrmEq& eq = program.frmEq;
    const PresetImage& image = program.channels.image;
    const ChannelModel& model = program.channels.model;

    for (int n = 0; n < kNotches; ++n) {
        const std::size_t i = at(n);
        const std::size_t r = at(NotchOffset[i]);
        const int gain = image[r + NotchRecord::Gain];
        const int index = image[r + NotchRecord::FreqHigh] * 256 + image[r + NotchRecord::FreqLow];
        const int q = image[r + NotchRecord::Q];
        Require(gain <= kMaxGainCode,
                "gain byte of notch " + std::to_string(n) + " = " + std::to_string(gain));
        Require(index <= kMaxFrequencyIndex,
                "frequency index of notch " + std::to_string(n) + " = " + std::to_string(index));
        Require(q <= kMaxQCode, "Q byte of notch " + std::to_string(n) + " = " + std::to_string(q));

        RequireEqual(eq.HScroll20[i].Value(), gain, named("HScroll20", n));
        RequireEqual(eq.HScroll6[i].Value(), index, named("HScroll6", n));
        RequireEqual(eq.HScroll30[i].Value(), q, named("HScroll30", n));
        RequireEqual(eq.Text3[i].Text(), std::string(QNames[at(q)]), named("Text3", n));
        if (!skip.gain[i]) {
            RequireEqual(eq.Text1[i].Text(), std::to_string(gain - kMaxGainCode),
                         named("Text1", n));
        }
        if (!skip.frequency[i]) {
            RequireEqual(eq.Text2[i].Text(), FormatNumber(FrequencyGrid[at(index)]),
                         named("Text2", n));
        }
        RequireEqual(model.NotchGainDb[i], gain - kMaxGainCode, named("NotchGainDb", n));
        RequireEqual(model.NotchFrequency[i], FrequencyGrid[at(index)], named("NotchFrequency", n));
        RequireEqual(model.NotchQ[i], q, named("NotchQ", n));
    }

    for (int ch = 0; ch < kChannels; ++ch) {
        const std::size_t c = at(ch);
        const int count = image[at(NumAutoOffset[c])];
        const int qAuto = image[at(QAutoOffset[c])];
        const int attenuation = image[at(AttenuationOffset[c])];
        const int sensitivity = image[at(SensitivityOffset[c])];
        const int release = image[at(ReleaseOffset[c])];
        const int mode = image[at(ModeSearchOffset[c])];
        Require(count >= 1 && count <= kNotchesPerChannel,
                named("automatic notches", ch) + " = " + std::to_string(count));
        Require(qAuto <= kMaxQCode, named("automatic Q", ch) + " = " + std::to_string(qAuto));
        Require(attenuation <= 1, named("attenuation", ch) + " = " + std::to_string(attenuation));
        Require(sensitivity <= kMaxSensitivity,
                named("sensitivity", ch) + " = " + std::to_string(sensitivity));
        Require(release <= 1, named("release", ch) + " = " + std::to_string(release));
        Require(mode <= 1, named("mode search", ch) + " = " + std::to_string(mode));

        RequireEqual(eq.HScroll1[c].Value() + 1, count, named("HScroll1", ch));
        RequireEqual(eq.HScroll2[c].Value(), qAuto, named("HScroll2", ch));
        RequireEqual(eq.HScroll3[c].Value(), attenuation, named("HScroll3", ch));
        RequireEqual(eq.Slider1[c].Value(), sensitivity, named("Slider1", ch));
        RequireEqual(eq.HScroll4[c].Value(), release, named("HScroll4", ch));
        RequireEqual(eq.HScroll5[c].Value(), mode, named("HScroll5", ch));

        RequireEqual(model.NumNotchAuto[c], count, named("NumNotchAuto", ch));
        RequireEqual(model.NumNotchManual[c], kNotchesPerChannel - count,
                     named("NumNotchManual", ch));
        RequireEqual(model.QNotchAuto[c], qAuto, named("QNotchAuto", ch));
        RequireEqual(model.AttenuationNotch[c], attenuation, named("AttenuationNotch", ch));
        RequireEqual(model.Sensitivity[c], sensitivity, named("Sensitivity", ch));
        RequireEqual(model.ReleaseNotch[c], release, named("ReleaseNotch", ch));
        RequireEqual(model.ModeSearch[c], mode, named("ModeSearch", ch));

        RequireEqual(eq.Label3[c].Caption(), std::to_string(count), named("Label3", ch));
        RequireEqual(eq.Label5[c].Caption(), std::string(QNames[at(qAuto)]), named("Label5", ch));
        RequireEqual(eq.Label6[c].Caption(), std::string(AttenuationNames[at(attenuation)]),
                     named("Label6", ch));
        RequireEqual(eq.Label1[c].Caption(), std::string(ReleaseNames[at(release)]),
                     named("Label1", ch));
        RequireEqual(eq.Label9[c].Caption(), std::string(ModeSearchNames[at(mode)]),
                     named("Label9", ch));
        if (!skip.sensitivity[c]) {
            RequireEqual(eq.Text4[c].Text(), std::to_string(sensitivity + 1), named("Text4", ch));
        }

        for (int k = 0; k < kNotchesPerChannel; ++k) {
            const std::size_t n = at(ch * kNotchesPerChannel + k);
            const bool manual = k >= count;
            for (const Control* x : {static_cast<const Control*>(&eq.HScroll6[n]),
                                     static_cast<const Control*>(&eq.Text2[n]),
                                     static_cast<const Control*>(&eq.HScroll20[n]),
                                     static_cast<const Control*>(&eq.Text1[n]),
                                     static_cast<const Control*>(&eq.HScroll30[n]),
                                     static_cast<const Control*>(&eq.Text3[n])}) {
                Require(x->Enabled() == manual, x->Name + (manual ? " locked on a manual row"
                                                                  : " open on an automatic row"));
            }
        }
    }
}

namespace {

class Scratch {
  public:
    Scratch() {
        std::random_device random;
        path_ = std::filesystem::temp_directory_path() /
                ("vx470-fuzz-" + std::to_string(random()) + std::to_string(random()));
        std::filesystem::create_directories(path_);
    }
    ~Scratch() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    std::filesystem::path path_;
};

}  // namespace

const std::filesystem::path& ScratchDir() {
    static const Scratch scratch;
    return scratch.path_;
}

}  // namespace vx470::fuzz
