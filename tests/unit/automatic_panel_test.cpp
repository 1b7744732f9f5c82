#include "tests/unit/program_fixture.h"

namespace vx470 {
namespace {

using test::Bytes;
using test::frame;

class AutomaticPanel : public test::ProgramTest {};

TEST_F(AutomaticPanel, NumberOfAutomaticNotchesDecidesWhichRowsAreEditable) {
    eq().HScroll1[0].UserSetValue(11);
    EXPECT_EQ(eq().Label3[0].Caption(), "12");
    EXPECT_EQ(image(76), 12);
    EXPECT_EQ(program.channels.model.NumNotchManual[0], 0);
    for (int n = 0; n < 12; ++n)
        EXPECT_FALSE(eq().HScroll6[static_cast<std::size_t>(n)].Enabled()) << n;
    eq().HScroll1[0].UserSetValue(0);
    EXPECT_EQ(eq().Label3[0].Caption(), "1");
    EXPECT_EQ(image(76), 1);
    EXPECT_FALSE(eq().Text2[0].Enabled());
    for (int n = 1; n < 12; ++n)
        EXPECT_TRUE(eq().Text1[static_cast<std::size_t>(n)].Enabled()) << n;
    EXPECT_EQ(frames(),
              (std::vector<Bytes>{frame({10, 1, 12, 2, 0, 6, 0}), frame({10, 1, 1, 2, 0, 6, 0})}));
}

TEST_F(AutomaticPanel, SectionFramesCarryTheChannelFromOne) {
    eq().HScroll3[1].UserSetValue(1);
    EXPECT_EQ(eq().Label6[1].Caption(), "Variable");
    EXPECT_EQ(image(158), 1);
    eq().Slider1[1].UserSetValue(15);
    EXPECT_EQ(eq().Text4[1].Text(), "16");
    EXPECT_EQ(frames(),
              (std::vector<Bytes>{frame({10, 2, 5, 2, 1, 6, 0}), frame({10, 2, 5, 2, 1, 15, 0})}));
}

TEST_F(AutomaticPanel, AutomaticQReachesOnlyTheAutomaticRowsWithoutNotchFrames) {
    eq().HScroll2[0].UserSetValue(0);
    EXPECT_EQ(eq().Label5[0].Caption(), "1/70");
    for (int n = 0; n < 3; ++n) {
        EXPECT_EQ(eq().HScroll30[static_cast<std::size_t>(n)].Value(), 0);
        EXPECT_EQ(eq().Text3[static_cast<std::size_t>(n)].Text(), "1/70");
        EXPECT_EQ(image(NotchOffset[static_cast<std::size_t>(n)] + 3), 0);
    }
    EXPECT_EQ(image(NotchOffset[3] + 3), 2);
    EXPECT_EQ(eq().HScroll30[3].Value(), 2);
    EXPECT_EQ(frames(), (std::vector<Bytes>{frame({10, 1, 3, 0, 0, 6, 0})}));
}

TEST_F(AutomaticPanel, ReleaseAndModeAlwaysTravelTogether) {
    eq().HScroll5[0].UserSetValue(1);
    EXPECT_EQ(eq().Label9[0].Caption(), "Fast");
    eq().HScroll4[0].UserSetValue(1);
    EXPECT_EQ(eq().Label1[0].Caption(), "Fast");
    EXPECT_EQ(frames(),
              (std::vector<Bytes>{frame({49, 0, 0, 0, 0, 1, 0}), frame({49, 0, 0, 0, 1, 1, 0})}));
}

TEST_F(AutomaticPanel, LinkedReleaseGoesToTheEditedChannelFirst) {
    program.channels.LinkChannels = 1;
    eq().HScroll4[1].UserSetValue(1);
    EXPECT_EQ(eq().Label1[0].Caption(), "Fast");
    EXPECT_EQ(eq().Label1[1].Caption(), "Fast");
    EXPECT_EQ(image(20), 1);
    EXPECT_EQ(image(100), 1);
    EXPECT_EQ(frames(),
              (std::vector<Bytes>{frame({49, 1, 0, 0, 1, 0, 0}), frame({49, 0, 0, 0, 1, 0, 0})}));
}

TEST_F(AutomaticPanel, LinkedAutomaticQTouchesOnlyEachChannelsOwnAutomaticRows) {
    program.channels.LinkChannels = 1;
    // Right has five automatic notches, Left three: Left's rows 3 and 4 stay manual rows.
    eq().HScroll2[1].UserSetValue(3);
    for (int k = 0; k < 5; ++k)
        EXPECT_EQ(eq().HScroll30[static_cast<std::size_t>(12 + k)].Value(), 3);
    for (int k = 0; k < 3; ++k) EXPECT_EQ(eq().HScroll30[static_cast<std::size_t>(k)].Value(), 3);
    for (int k = 3; k < 5; ++k) {
        const std::size_t n = static_cast<std::size_t>(k);
        EXPECT_EQ(eq().HScroll30[n].Value(), image(NotchOffset[n] + 3)) << k;
    }
    EXPECT_EQ(frames(),
              (std::vector<Bytes>{frame({10, 2, 5, 3, 0, 6, 0}), frame({10, 1, 3, 3, 0, 6, 0})}));
}

TEST_F(AutomaticPanel, TypedSensitivityClampsAndMovesTheSlider) {
    Program& pr = program;
    eq().Text4[0].SetText("");
    eq().Text4[0].UserType("20");
    eq().Text4[0].UserKey(Key::Enter);
    EXPECT_EQ(eq().Text4[0].Text(), "16");
    EXPECT_EQ(eq().Slider1[0].Value(), 15);
    EXPECT_EQ(pr.channels.model.Sensitivity[0], 15);
    EXPECT_EQ(image(79), 15);
    eq().Text4[0].SetText("");
    eq().Text4[0].UserType("0");
    eq().Text4[0].UserKey(Key::Enter);
    EXPECT_EQ(eq().Text4[0].Text(), "1");
    EXPECT_EQ(eq().Slider1[0].Value(), 0);
    EXPECT_EQ(image(79), 0);
    EXPECT_EQ(frames().back(), frame({10, 1, 3, 2, 0, 0, 0}));
    EXPECT_TRUE(p.dialogs.shown.empty());
}

TEST_F(AutomaticPanel, TypedSensitivitySendsItsSectionOnceThenThePartners) {
    eq().Text4[1].SetText("");
    eq().Text4[1].UserType("12");
    eq().Text4[1].UserKey(Key::Enter);
    EXPECT_EQ(frames(), (std::vector<Bytes>{frame({10, 2, 5, 2, 0, 11, 0})}));

    p.port.writes.clear();
    program.channels.LinkChannels = 1;
    eq().Text4[0].SetText("");
    eq().Text4[0].UserType("3");
    eq().Text4[0].UserKey(Key::Enter);
    EXPECT_EQ(eq().Text4[1].Text(), "3");
    EXPECT_EQ(image(159), 2);
    EXPECT_EQ(frames(),
              (std::vector<Bytes>{frame({10, 1, 3, 2, 0, 2, 0}), frame({10, 2, 5, 2, 0, 2, 0})}));
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

TEST_F(AutomaticPanel, ProgramSetBarsUpdateLabelModelAndImageButSendNothing) {
    program.IgnoreControlEvents = true;
    eq().HScroll3[0].SetValue(1);
    eq().Slider1[0].SetValue(9);
    program.IgnoreControlEvents = false;
    EXPECT_EQ(eq().Label6[0].Caption(), "Variable");
    EXPECT_EQ(program.channels.model.AttenuationNotch[0], 1);
    EXPECT_EQ(image(78), 1);
    EXPECT_EQ(eq().Text4[0].Text(), "10");
    EXPECT_EQ(image(79), 9);
    EXPECT_TRUE(frames().empty());
}

TEST_F(AutomaticPanel, DemoModeChangesEverythingButTheLine) {
    program.link.DemoMode = true;
    eq().HScroll1[1].UserSetValue(0);
    eq().HScroll20[20].UserSetValue(10);
    eq().Slider1[1].UserSetValue(2);
    EXPECT_EQ(image(156), 1);
    EXPECT_EQ(image(NotchOffset[20]), 10);
    EXPECT_EQ(image(159), 2);
    EXPECT_TRUE(frames().empty());
}

}  // namespace
}  // namespace vx470
