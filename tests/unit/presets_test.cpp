#include "core/presets/frm_read.h"
#include "core/presets/frm_store.h"
#include "core/program_end.h"
#include "tests/unit/program_fixture.h"

namespace vx470 {
namespace {

using test::frame;
using test::FrameList;
using test::shown;
using test::Texts;

// A program started against a unit whose preset 5 is used.
class Presets : public test::StartingProgram {
  protected:
    Presets() {
        unit.usePreset(5, "  Live  ");
        unit.running[76] = 2;
        unit.attach(p.port);
        start();
        p.port.writes.clear();
    }
};

TEST_F(Presets, AReadAppliesTheBlockUnlinked) {
    unit.running[76] = 7;
    eq().Check2.UserClick();  // linked (the copy question answered Yes)
    ASSERT_EQ(program.channels.LinkChannels, 1);
    p.port.writes.clear();
    p.dialogs.answers = {Answer::Yes};
    p.host.onRead = [](FrmRead& f) { f.List1.UserDoubleClick(0); };
    click(3);
    EXPECT_EQ(frames(), FrameList{frame({11, 0})});
    EXPECT_EQ(shown(eq().Label3[0], eq().Label8), (Texts{"7", "1: Preset01"}));
    EXPECT_EQ(std::tuple(program.channels.LinkChannels, eq().Check2.Value(), p.port.inBufferSize),
              std::tuple(0, 0, 10u));
}

TEST_F(Presets, StoreWritesImageThenNameThenTheMarkLast) {
    p.dialogs.answers = {Answer::Yes};
    p.host.onStore = [&](FrmStore& f) {
        f.Combo1.UserSelect(15);  // "20"
        f.Text1.SetText("");
        f.Text1.UserType("ab");
        f.Command1[1].UserClick();
    };
    click(2);
    FrameList expected;
    for (int i = 0; i < 160; ++i)
        expected.push_back(frame({17, (2688 + i) >> 8, (2688 + i) & 0xFF, 0, image(i)}));
    for (int i = 0; i < 8; ++i)
        expected.push_back(frame({17, (3992 + i) >> 8, (3992 + i) & 0xFF, 0, "   ab   "[i]}));
    expected.push_back(frame({17, 0, 63, 0, 0x55}));
    EXPECT_EQ(frames(), expected);
    EXPECT_EQ(std::tuple(program.presets.PresetNames[19], program.presets.PresetUsed[19],
                         eq().Label8.Caption()),
              std::tuple("ab", true, "20: ab"));
}

TEST_F(Presets, AStoreCutOffByTheLineLeavesTheSlotUnmarked) {
    unit.answers = 100;
    p.dialogs.answers = {Answer::Yes};
    p.host.onStore = [&](FrmStore& f) {
        f.List1.UserDoubleClick(2);  // preset 7
        f.Command1[1].UserClick();
    };
    EXPECT_THROW(click(2), ProgramEnd);
    EXPECT_EQ(p.dialogs.shown.back().text, "Time out");
    EXPECT_EQ(unit.memory[50], 0xFF);
}

TEST_F(Presets, AReadCutOffByTheLineKeepsTheImage) {
    eq().HScroll20[11].UserSetValue(3);
    unit.answers = 0;
    const PresetImage before = program.channels.image;
    p.dialogs.answers = {Answer::Yes};
    p.host.onRead = [](FrmRead& f) { f.List1.UserDoubleClick(4); };
    EXPECT_THROW(click(3), ProgramEnd);
    EXPECT_EQ(p.dialogs.shown.back().text, "Time out");
    EXPECT_EQ(program.channels.image, before);
}

}  // namespace
}  // namespace vx470
