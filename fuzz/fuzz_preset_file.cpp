// Any file the user may pick in the "Load Preset from PC" dialog.
//
// Input: the whole file. It is loaded into an editor whose channels are linked, through the
// toolbar's load button, with a unit that answers every frame.

#include <fstream>

#include "core/shell/tables.h"
#include "fuzz/harness.h"

namespace vx470::fuzz {
namespace {

constexpr std::size_t at(int i) {
    return static_cast<std::size_t>(i);
}

std::uint8_t atMost(std::uint8_t v, int limit) {
    return static_cast<std::uint8_t>(std::min<int>(v, limit));
}

// The image the editor ends up with: every byte a control cannot hold is brought into the
// control's range, release and search mode above 1 read as 0, and the automatic notches take
// their channel's automatic Q. Bytes the editor does not decode stay as the file has them.
PresetImage clampedImage(const Bytes& file) {
    PresetImage image{};
    std::copy_n(file.begin(), image.size(), image.begin());
    for (int ch = 0; ch < kChannels; ++ch) {
        const std::size_t c = at(ch);
        std::uint8_t& count = image[at(NumAutoOffset[c])];
        count = static_cast<std::uint8_t>(std::clamp<int>(count, 1, kNotchesPerChannel));
        std::uint8_t& qAuto = image[at(QAutoOffset[c])];
        qAuto = atMost(qAuto, kMaxQCode);
        std::uint8_t& attenuation = image[at(AttenuationOffset[c])];
        attenuation = atMost(attenuation, 1);
        std::uint8_t& sensitivity = image[at(SensitivityOffset[c])];
        sensitivity = atMost(sensitivity, kMaxSensitivity);
        for (int offset : {ReleaseOffset[c], ModeSearchOffset[c]}) {
            std::uint8_t& b = image[at(offset)];
            if (b > 1) b = 0;
        }
        for (int k = 0; k < kNotchesPerChannel; ++k) {
            const std::size_t r = at(NotchOffset[at(ch * kNotchesPerChannel + k)]);
            image[r + NotchRecord::Gain] = atMost(image[r + NotchRecord::Gain], kMaxGainCode);
            const int index =
                std::min(image[r + NotchRecord::FreqHigh] * 256 + image[r + NotchRecord::FreqLow],
                         kMaxFrequencyIndex);
            image[r + NotchRecord::FreqHigh] = static_cast<std::uint8_t>(index >> 8);
            image[r + NotchRecord::FreqLow] = static_cast<std::uint8_t>(index & 0xFF);
            image[r + NotchRecord::Q] =
                k < count ? qAuto : atMost(image[r + NotchRecord::Q], kMaxQCode);
        }
    }
    return image;
}

}  // namespace
}  // namespace vx470::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vx470;
    using namespace vx470::fuzz;

    const std::filesystem::path path = ScratchDir() / "fuzz.Fbk";
    {
        std::ofstream file(path, std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
        Require(file.good(), "could not write the preset file");
    }

    FuzzProgram fp(ImageWithAutomaticNotches(3, 5));
    Program& program = fp.program;
    FrmEq& eq = program.frmEq;
    program.channels.image[44] = 30;  // the channels differ: linking copies Left to Right
    program.link.SuppressSend = true;
    program.channelOps.ApplyImageToEditor();
    program.link.SuppressSend = false;
    eq.Check2.UserClick();
    Require(program.channels.LinkChannels == 1, "the channels did not link");

    const PresetImage before = program.channels.image;
    fp.fakes.fileDialogs.paths = {path.string()};
    fp.fakes.dialogs.shown.clear();
    const std::size_t first = fp.fakes.port.writes.size();
    program.mainWindow.Command1_Click(0);
    const auto written = fp.framesSince(first);

    if (size < kPresetImageSize) {
        Require(program.channels.image == before, "a short file changed the image");
        Require(written.empty(), "a short file sent frames");
        Require(fp.fakes.dialogs.shown.size() == 1, "a short file was not refused with a box");
        CheckEditorMatchesImage(program);
        return 0;
    }

    const PresetImage expected = clampedImage(Bytes(data, data + size));
    Require(program.channels.image == expected, "the image differs from the clamped file");
    CheckEditorMatchesImage(program);
    Require(fp.fakes.dialogs.shown.empty(), "a message box during a load");
    Require(program.channels.LinkChannels == 0 && eq.Check2.Value() == 0,
            "a loaded preset is still linked");
    Require(eq.Label7.Caption() == "Preset loaded from PC", "status label");
    Require(eq.Label8.Caption() == "fuzz.Fbk", "name label");

    // The 24 notches in order, then per channel its four section and two release frames.
    Require(written.size() == kNotches + kChannels * 6, "frames sent by the load");
    // A notch frame carries the row as the file gave it: the automatic Q is the unit's own
    // business and comes with the section frames.
    for (int n = 0; n < kNotches; ++n) {
        const std::size_t r = at(NotchOffset[at(n)]);
        const std::uint8_t* row = data + r;
        const int index = std::min(row[1] * 256 + row[2], kMaxFrequencyIndex);
        Require(written[at(n)] ==
                    test::frame({Command::NotchFilter, ChannelOfNotch(n), FilterOfNotch(n),
                                 index >> 8, index & 0xFF, atMost(row[3], kMaxQCode),
                                 atMost(row[0], kMaxGainCode)}),
                "notch frame " + std::to_string(n) + " differs from the file");
    }
    return 0;
}
