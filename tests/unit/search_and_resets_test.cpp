#include "tests/unit/program_fixture.h"

namespace vx470 {
namespace {

using test::Bytes;
using test::frame;
using test::FrameList;

class SearchAndResets : public test::ProgramTest {};

TEST_F(SearchAndResets, RightSearchLocksTheWindowStartsOnceAndStopsFourTimes) {
    // Every control a search locks, with the main window's buttons.
    std::vector<const Control*> locked{&eq().Check2};
    for (std::size_t i = 0; i < 2; ++i)
        locked.insert(locked.end(), {&eq().HScroll1[i], &eq().HScroll2[i], &eq().HScroll3[i],
                                     &eq().HScroll4[i], &eq().HScroll5[i], &eq().Slider1[i],
                                     &eq().Text4[i], &eq().HScroll20[8 + 12 * i]});
    for (const Button& b : eq().Command1) locked.push_back(&b);
    for (int b : MDIFrmMain::kToolbarButtons)
        locked.push_back(&program.mainWindow.Command1[static_cast<std::size_t>(b)]);
    eq().Command1[1].SetEnabled(false);  // unlocking enables it whatever it was before

    eq().Check1[2].UserClick();
    EXPECT_TRUE(program.SearchActive);
    EXPECT_FALSE(eq().Check1[0].Enabled());
    EXPECT_FALSE(eq().Check1[1].Enabled());
    EXPECT_TRUE(eq().Check1[2].EffectiveEnabled());
    for (const Control* x : locked) EXPECT_FALSE(x->EffectiveEnabled()) << x->Name;
    EXPECT_EQ(sent(), FrameList{frame({10, 2, 5, 2, 0, 6, 1})});

    eq().Check1[2].UserClick();
    EXPECT_FALSE(program.SearchActive);
    EXPECT_EQ(frames(), FrameList(4, frame({10, 0, 3, 2, 0, 6, 0})));
    for (const Control* x : locked) EXPECT_TRUE(x->EffectiveEnabled()) << x->Name;
    for (const CheckBox& c : eq().Check1) EXPECT_TRUE(c.Enabled());
    EXPECT_EQ(eq().Pointer(), MousePointer::Default);
}

TEST_F(SearchAndResets, BothChannelSearchUsesTheLeftSettingsAndStopsTwice) {
    eq().Check1[0].UserClick();
    eq().Check1[0].UserClick();
    const Bytes stop = frame({10, 0, 3, 2, 0, 6, 0});
    EXPECT_EQ(sent(), (FrameList{frame({10, 0, 3, 2, 0, 6, 1}), stop, stop}));
    eq().Check1[1].UserClick();
    EXPECT_EQ(frames(), FrameList{frame({10, 1, 3, 2, 0, 6, 1})});
}

TEST_F(SearchAndResets, ResetsAskThenSetOnlyTheGainOfTheirRowsClickedChannelFirst) {
    program.channels.image[28] = 12;
    loadImage(program.channels.image);
    p.dialogs.answers = {Answer::No, Answer::No, Answer::Yes, Answer::Yes, Answer::Yes};
    eq().Command1[0].UserClick();
    eq().Command1[2].UserClick();
    ASSERT_EQ(p.dialogs.shown.size(), 2u);
    EXPECT_EQ(p.dialogs.shown[0].text, "Reset all Notch filter automatic, Are you sure ?");
    EXPECT_EQ(p.dialogs.shown[1].text, "Reset all Notch filter manual, Are you sure ?");
    EXPECT_EQ(p.dialogs.shown[1].title, "Reset Filter");
    EXPECT_EQ(p.dialogs.shown[1].buttons, MessageButtons::YesNo);
    EXPECT_TRUE(frames().empty());
    EXPECT_EQ(image(28), 12);
    EXPECT_EQ(image(44), 30);

    eq().Command1[2].UserClick();
    // Left: filters 3..11 are manual; each gets one frame at 0 dB.
    auto f = sent();
    ASSERT_EQ(f.size(), 9u);
    for (std::size_t k = 0; k < 9; ++k) EXPECT_EQ(f[k][4], k + 3);
    EXPECT_EQ(bytes(44, 3), (Bytes{45, 1, 10}));  // the frequency untouched
    EXPECT_EQ(eq().Text1[4].Text(), "0");
    eq().Command1[0].UserClick();
    EXPECT_EQ(sent().size(), 3u);
    EXPECT_EQ(image(28), 45);

    program.channels.LinkChannels = 1;
    eq().Command1[3].UserClick();  // Right manual: Right has 7 manual rows, Left 9
    f = frames();
    ASSERT_EQ(f.size(), 16u);
    EXPECT_EQ(f[0][3], 1);
    EXPECT_EQ(f[6][3], 1);
    EXPECT_EQ(f[7][3], 0);
    EXPECT_EQ(image(132), 45);
}

TEST_F(SearchAndResets, TheEditorRefusesToClose) {
    ASSERT_TRUE(eq().QueryUnload);
    EXPECT_TRUE(eq().QueryUnload());
    EXPECT_TRUE(p.dialogs.shown.empty());
}

}  // namespace
}  // namespace vx470
