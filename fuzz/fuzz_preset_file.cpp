// Any file the user may pick in the "Load Preset from PC" dialog.
//
// Input: the whole file. It is loaded into an editor whose channels are linked, through the
// toolbar's load button, with a unit that answers every frame.

#include "fuzz/harness.h"

using namespace vx470;
using namespace vx470::fuzz;
using vx470::test::ClampedImage;
using vx470::test::ClampedRow;

int vx470::fuzz::FuzzOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string& path = WriteScratchFile("fuzz.Fbk", data, size);
    // Equal channels link without a copy; the copy's own frames are another target's business.
    FuzzProgram& fp = FuzzProgram::WithImage(ImageWithAutomaticNotches(3, 3));
    Program& program = fp.program;
    fp.link();

    const PresetImage before = program.channels.image;
    fp.fakes.fileDialogs.paths.push_back(path);
    fp.fakes.dialogs.shown.clear();
    const auto written = fp.sent([&] { program.mainWindow.Command1_Click(0); });
    CheckEditorMatchesImage(program);

    if (size < kPresetImageSize) {
        Require(program.channels.image == before && written.empty() &&
                    fp.fakes.dialogs.shown.size() == 1,
                "a short file changed the image, sent frames or was not refused with one box");
        return 0;
    }
    // The window shows both curves after a load: draw them (a refused file leaves the curves
    // of the start, which tell nothing about it).
    for (int ch = 0; ch < kChannels; ++ch) program.graph.Picture1(ch).Bits();
    // Unlinked and without a box; the 24 notches in order, then per channel its four section
    // and two release frames.
    Require(program.channels.image == ClampedImage(data) && fp.fakes.dialogs.shown.empty() &&
                program.channels.LinkChannels == 0 && program.frmEq.Check2.Value() == 0 &&
                written.size() == kNotches + kChannels * 6,
            [&] {
                return "the image differs from the clamped file, a box came up, the channels "
                       "are still linked or " +
                       std::to_string(written.size()) + " frames were sent";
            });
    // A notch frame carries the row as the file gave it: the automatic Q is the unit's own
    // business and comes with the section frames.
    for (int n = 0; n < kNotches; ++n) {
        Require(Same(written[at(n)], NotchFrame(n, ClampedRow(data + NotchOffset[at(n)]).data())),
                [&] { return "notch frame " + std::to_string(n) + " differs from the file"; });
    }
    return 0;
}
