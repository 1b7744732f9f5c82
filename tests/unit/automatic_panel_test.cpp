#include "tests/unit/program_fixture.h"

namespace vx470 {
namespace {

using test::Bytes;
using test::enter;
using test::frame;
using test::FrameList;
using test::shown;
using test::Texts;

class AutomaticPanel : public test::ProgramTest {};

TEST_F(AutomaticPanel, AutomaticQAndNumberReachOnlyTheAutomaticRowsWithoutNotchFrames) {
    eq().HScroll2[0].UserSetValue(0);
    EXPECT_EQ(shown(eq().Label5[0], eq().Text3[2], eq().Text3[3]), (Texts{"1/70", "1/70", "1/10"}));
    for (std::size_t n = 0; n < 4; ++n) {
        EXPECT_EQ(eq().HScroll30[n].Value(), n < 3 ? 0 : 2) << n;
        EXPECT_EQ(image(NotchOffset[n] + 3), n < 3 ? 0 : 2) << n;
    }
    eq().HScroll1[0].UserSetValue(11);
    EXPECT_EQ(eq().Label3[0].Caption(), "12");
    EXPECT_EQ(image(76), 12);
    EXPECT_EQ(program.channels.model.NumNotchManual[0], 0);
    for (std::size_t n = 0; n < 12; ++n) EXPECT_FALSE(eq().HScroll6[n].Enabled()) << n;
    eq().HScroll1[0].UserSetValue(0);
    EXPECT_EQ(eq().Label3[0].Caption(), "1");
    EXPECT_EQ(image(76), 1);
    EXPECT_FALSE(eq().Text2[0].Enabled());
    for (std::size_t n = 1; n < 12; ++n) EXPECT_TRUE(eq().Text1[n].Enabled()) << n;
    EXPECT_EQ(frames(), (FrameList{frame({10, 1, 3, 0, 0, 6, 0}), frame({10, 1, 12, 0, 0, 6, 0}),
                                   frame({10, 1, 1, 0, 0, 6, 0})}));
}

TEST_F(AutomaticPanel, SectionFramesCarryTheChannelFromOneAndReleaseTravelsWithMode) {
    eq().HScroll3[1].UserSetValue(1);
    eq().Slider1[1].UserSetValue(15);
    eq().HScroll5[0].UserSetValue(1);
    eq().HScroll4[0].UserSetValue(1);
    EXPECT_EQ(shown(eq().Label6[1], eq().Text4[1], eq().Label9[0], eq().Label1[0]),
              (Texts{"Variable", "16", "Fast", "Fast"}));
    EXPECT_EQ(bytes(158, 2), (Bytes{1, 15}));
    EXPECT_EQ(frames(), (FrameList{frame({10, 2, 5, 2, 1, 6, 0}), frame({10, 2, 5, 2, 1, 15, 0}),
                                   frame({49, 0, 0, 0, 0, 1, 0}), frame({49, 0, 0, 0, 1, 1, 0})}));
}

TEST_F(AutomaticPanel, LinkedChangesGoToTheEditedChannelFirstAndOnlyToAutomaticRows) {
    program.channels.LinkChannels = 1;
    eq().HScroll4[1].UserSetValue(1);
    EXPECT_EQ(eq().Label1[0].Caption(), "Fast");
    EXPECT_EQ(image(20), 1);
    EXPECT_EQ(image(100), 1);
    EXPECT_EQ(sent(), (FrameList{frame({49, 1, 0, 0, 1, 0, 0}), frame({49, 0, 0, 0, 1, 0, 0})}));
    // Right has five automatic notches, Left three: Left's rows 3 and 4 stay manual rows.
    eq().HScroll2[1].UserSetValue(3);
    for (std::size_t k = 0; k < 5; ++k) {
        EXPECT_EQ(eq().HScroll30[12 + k].Value(), 3) << k;
        EXPECT_EQ(eq().HScroll30[k].Value(), k < 3 ? 3 : 2) << k;
    }
    EXPECT_EQ(frames(), (FrameList{frame({10, 2, 5, 3, 0, 6, 0}), frame({10, 1, 3, 3, 0, 6, 0})}));
}

TEST_F(AutomaticPanel, TypedSensitivityClampsAndMovesTheSlider) {
    for (auto [typed, kept] : {std::pair{"20", 15}, {"0", 0}}) {
        enter(eq().Text4[0], typed);
        EXPECT_EQ(eq().Text4[0].Text(), std::to_string(kept + 1));
        EXPECT_EQ(eq().Slider1[0].Value(), kept);
        EXPECT_EQ(program.channels.model.Sensitivity[0], kept);
        EXPECT_EQ(image(79), kept);
    }
    EXPECT_EQ(sent(), (FrameList{frame({10, 1, 3, 2, 0, 15, 0}), frame({10, 1, 3, 2, 0, 0, 0})}));
    // Linked, the partner's section follows.
    program.channels.LinkChannels = 1;
    enter(eq().Text4[0], "3");
    EXPECT_EQ(eq().Text4[1].Text(), "3");
    EXPECT_EQ(image(159), 2);
    EXPECT_EQ(frames(), (FrameList{frame({10, 1, 3, 2, 0, 2, 0}), frame({10, 2, 5, 2, 0, 2, 0})}));
    EXPECT_TRUE(p.dialogs.shown.empty());
}

TEST_F(AutomaticPanel, TypedSensitivityRejectsLettersUntilTheTextIsANumber) {
    eq().Text4[1].SetText("7");
    eq().Text4[1].UserKey('a');
    EXPECT_EQ(eq().Text4[1].Text(), "7?");
    eq().Text4[1].UserKey(Key::Enter);
    EXPECT_EQ(eq().Text4[1].Text(), "7??");
    ASSERT_EQ(p.dialogs.shown.size(), 2u);
    EXPECT_EQ(p.dialogs.shown[1].text, "  Incorrect value");
    EXPECT_TRUE(frames().empty());
    EXPECT_EQ(image(159), 6);
}

TEST_F(AutomaticPanel, ProgramSetBarsAndDemoModeChangeEverythingButTheLine) {
    program.IgnoreControlEvents = true;
    eq().HScroll3[0].SetValue(1);
    eq().Slider1[0].SetValue(9);
    program.IgnoreControlEvents = false;
    EXPECT_EQ(shown(eq().Label6[0], eq().Text4[0]), (Texts{"Variable", "10"}));
    EXPECT_EQ(program.channels.model.AttenuationNotch[0], 1);
    EXPECT_EQ(bytes(78, 2), (Bytes{1, 9}));
    program.link.DemoMode = true;
    eq().HScroll1[1].UserSetValue(0);
    eq().HScroll20[20].UserSetValue(10);
    eq().Slider1[1].UserSetValue(2);
    EXPECT_EQ(bytes(156, 4), (Bytes{1, 2, 0, 2}));
    EXPECT_EQ(image(NotchOffset[20]), 10);
    EXPECT_TRUE(frames().empty());
}

}  // namespace
}  // namespace vx470
