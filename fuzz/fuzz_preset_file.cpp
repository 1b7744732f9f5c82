// Any file the user may pick in the "Load Preset from PC" dialog.
//
// Input: the whole file. It is loaded into an editor whose channels are linked, through the
// toolbar's load button, with a unit that answers every frame.

#include <algorithm>

#include "fuzz/harness.h"

using namespace vx470;
using namespace vx470::fuzz;

static std::uint8_t clamped(int v, int max, int min = 0) {
    return static_cast<std::uint8_t>(std::clamp(v, min, max));
}

// A notch record (gain, frequency high and low, Q) with every byte in its control's range.
static std::array<std::uint8_t, NotchRecord::Size> clampedRow(const std::uint8_t* row) {
    const int index = std::min(row[1] * 256 + row[2], kMaxFrequencyIndex);
    return {clamped(row[0], kMaxGainCode), static_cast<std::uint8_t>(index >> 8),
            static_cast<std::uint8_t>(index & 0xFF), clamped(row[3], kMaxQCode)};
}

// The image the editor ends up with: every byte a control cannot hold is brought into the
// control's range, release and search mode above 1 read as 0, and the automatic notches take
// their channel's automatic Q. Bytes the editor does not decode stay as the file has them.
static PresetImage clampedImage(const std::uint8_t* file) {
    PresetImage image{};
    std::copy_n(file, image.size(), image.begin());
    const auto limit = [&](int offset, int max, int min = 0) {
        return image[at(offset)] = clamped(image[at(offset)], max, min);
    };
    for (std::size_t c = 0; c < kChannels; ++c) {
        const int count = limit(NumAutoOffset[c], kNotchesPerChannel, 1);
        const std::uint8_t qAuto = limit(QAutoOffset[c], kMaxQCode);
        limit(AttenuationOffset[c], 1);
        limit(SensitivityOffset[c], kMaxSensitivity);
        for (int offset : {ReleaseOffset[c], ModeSearchOffset[c]})
            if (image[at(offset)] > 1) image[at(offset)] = 0;
        for (int k = 0; k < kNotchesPerChannel; ++k) {
            const std::size_t r = at(NotchOffset[c * kNotchesPerChannel + at(k)]);
            auto row = clampedRow(&image[r]);
            if (k < count) row[NotchRecord::Q] = qAuto;
            std::copy(row.begin(), row.end(), image.begin() + static_cast<long>(r));
        }
    }
    return image;
}

int vx470::fuzz::FuzzOneInput(const std::uint8_t* data, std::size_t size) {
    const std::filesystem::path path = WriteScratchFile("fuzz.Fbk", data, size);
    PresetImage image = ImageWithAutomaticNotches(3, 5);
    image[44] = 30;  // the channels differ: linking copies Left to Right
    FuzzProgram& fp = FuzzProgram::WithImage(image);
    Program& program = fp.program;
    fp.link();

    const PresetImage before = program.channels.image;
    fp.fakes.fileDialogs.paths = {path.string()};
    fp.fakes.dialogs.shown.clear();
    const auto written = fp.sent([&] { program.mainWindow.Command1_Click(0); });
    CheckEditorMatchesImage(program);

    if (size < kPresetImageSize) {
        Require(program.channels.image == before && written.empty() &&
                    fp.fakes.dialogs.shown.size() == 1,
                "a short file changed the image, sent frames or was not refused with one box");
        return 0;
    }
    // Unlinked and without a box; the 24 notches in order, then per channel its four section
    // and two release frames.
    Require(program.channels.image == clampedImage(data) && fp.fakes.dialogs.shown.empty() &&
                program.channels.LinkChannels == 0 && program.frmEq.Check2.Value() == 0 &&
                written.size() == kNotches + kChannels * 6,
            "the image differs from the clamped file, a box came up, the channels are still "
            "linked or " +
                std::to_string(written.size()) + " frames were sent");
    // A notch frame carries the row as the file gave it: the automatic Q is the unit's own
    // business and comes with the section frames.
    for (int n = 0; n < kNotches; ++n) {
        Require(written[at(n)] == NotchFrame(n, clampedRow(data + NotchOffset[at(n)]).data()),
                "notch frame " + std::to_string(n) + " differs from the file");
    }
    return 0;
}
