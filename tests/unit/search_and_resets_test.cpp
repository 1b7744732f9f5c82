#include "tests/unit/program_fixture.h"

namespace vx470 {
namespace {

using test::Bytes;
using test::frame;

class SearchAndResets : public test::ProgramTest {
  protected:
    // Every control LockCursor switches, with the main window's six buttons.
    std::vector<const Control*> lockable() {
        std::vector<const Control*> all;
        for (int c = 0; c < 2; ++c) {
            const auto i = static_cast<std::size_t>(c);
            for (const Control* x : std::initializer_list<const Control*>{
                     &eq().HScroll1[i], &eq().HScroll2[i], &eq().HScroll3[i], &eq().HScroll4[i],
                     &eq().HScroll5[i], &eq().Slider1[i], &eq().Text4[i],
                     &eq().HScroll20[8 + 12 * i]}) {
                all.push_back(x);
            }
        }
        for (const Button& b : eq().Command1) all.push_back(&b);
        all.push_back(&eq().Check2);
        for (int b : MDIFrmMain::kToolbarButtons)
            all.push_back(&program.mainWindow.Command1[static_cast<std::size_t>(b)]);
        return all;
    }
};

TEST_F(SearchAndResets, RightSearchStartsOnceAndStopsFourTimes) {
    eq().Check1[2].UserClick();
    EXPECT_TRUE(program.SearchActive);
    EXPECT_FALSE(eq().Check1[0].Enabled());
    EXPECT_FALSE(eq().Check1[1].Enabled());
    EXPECT_TRUE(eq().Check1[2].EffectiveEnabled());
    for (const Control* x : lockable()) EXPECT_FALSE(x->EffectiveEnabled()) << x->Name;
    EXPECT_EQ(frames(), (std::vector<Bytes>{frame({10, 2, 5, 2, 0, 6, 1})}));

    p.port.writes.clear();
    eq().Check1[2].UserClick();
    EXPECT_FALSE(program.SearchActive);
    const Bytes stop = frame({10, 0, 3, 2, 0, 6, 0});
    EXPECT_EQ(frames(), (std::vector<Bytes>{stop, stop, stop, stop}));
    for (const Control* x : lockable()) EXPECT_TRUE(x->EffectiveEnabled()) << x->Name;
    for (const CheckBox& c : eq().Check1) EXPECT_TRUE(c.Enabled());
    EXPECT_EQ(eq().Pointer(), MousePointer::Default);
}

TEST_F(SearchAndResets, BothChannelSearchUsesTheLeftSettingsAndStopsTwice) {
    eq().Check1[0].UserClick();
    eq().Check1[0].UserClick();
    const Bytes stop = frame({10, 0, 3, 2, 0, 6, 0});
    EXPECT_EQ(frames(), (std::vector<Bytes>{frame({10, 0, 3, 2, 0, 6, 1}), stop, stop}));
    p.port.writes.clear();
    eq().Check1[1].UserClick();
    EXPECT_EQ(frames(), (std::vector<Bytes>{frame({10, 1, 3, 2, 0, 6, 1})}));
}

TEST_F(SearchAndResets, UnlockingEnablesEverythingWhateverItWasBefore) {
    eq().Command1[1].SetEnabled(false);
    eq().Check1[1].UserClick();
    eq().Check1[1].UserClick();
    EXPECT_TRUE(eq().Command1[1].Enabled());
}

TEST_F(SearchAndResets, ResetQuestionsAnsweredNoChangeNothing) {
    eq().HScroll20[4].UserSetValue(0);
    p.port.writes.clear();
    p.dialogs.answers = {Answer::No, Answer::No};
    eq().Command1[0].UserClick();
    eq().Command1[2].UserClick();
    ASSERT_EQ(p.dialogs.shown.size(), 2u);
    EXPECT_EQ(p.dialogs.shown[0].text, "Reset all Notch filter automatic, Are you sure ?");
    EXPECT_EQ(p.dialogs.shown[1].text, "Reset all Notch filter manual, Are you sure ?");
    EXPECT_EQ(p.dialogs.shown[1].title, "Reset Filter");
    EXPECT_EQ(p.dialogs.shown[1].buttons, MessageButtons::YesNo);
    EXPECT_TRUE(frames().empty());
    EXPECT_EQ(image(44), 0);
}

TEST_F(SearchAndResets, ManualResetSetsOnlyTheGainOfManualRows) {
    p.dialogs.answers = {Answer::Yes};
    eq().Command1[2].UserClick();
    // Left: filters 3..11 are manual; each gets one frame at 0 dB.
    ASSERT_EQ(frames().size(), 9u);
    for (std::size_t k = 0; k < 9; ++k) EXPECT_EQ(frames()[k][4], k + 3);
    EXPECT_EQ(image(44), 45);
    EXPECT_EQ(image(45) * 256 + image(46), 266);  // frequency untouched
    EXPECT_EQ(eq().Text1[4].Text(), "0");
}

TEST_F(SearchAndResets, LinkedResetDoesTheClickedChannelFirst) {
    program.channels.LinkChannels = 1;
    p.dialogs.answers = {Answer::Yes};
    eq().Command1[3].UserClick();  // Right manual: Right has 7 manual rows, Left 9
    ASSERT_EQ(frames().size(), 16u);
    EXPECT_EQ(frames()[0][3], 1);
    EXPECT_EQ(frames()[6][3], 1);
    EXPECT_EQ(frames()[7][3], 0);
    EXPECT_EQ(image(132), 45);
}

TEST_F(SearchAndResets, AutomaticResetTouchesTheUnitsRows) {
    program.channels.image[28] = 12;
    loadImage(program.channels.image);
    p.dialogs.answers = {Answer::Yes};
    eq().Command1[0].UserClick();
    ASSERT_EQ(frames().size(), 3u);
    EXPECT_EQ(image(28), 45);
}

TEST_F(SearchAndResets, TheEditorRefusesToClose) {
    ASSERT_TRUE(eq().QueryUnload);
    EXPECT_TRUE(eq().QueryUnload());
    EXPECT_TRUE(p.dialogs.shown.empty());
}

}  // namespace
}  // namespace vx470
