#include <tuple>

#include "tests/unit/program_fixture.h"

namespace vx470 {
namespace {

using test::Bytes;
using test::frame;
using test::FrameList;
using test::shown;
using test::Texts;

class ChannelOps : public test::ProgramTest {};

TEST_F(ChannelOps, ApplySendsEveryNotchThenLeftThenRightSettingsShowsThemAndUnlinks) {
    eq().Check2.UserClick();  // the channels differ: the question, answered Yes by default
    ASSERT_EQ(program.channels.LinkChannels, 1);
    program.channels.image = sampleImage();
    p.port.writes.clear();
    program.channelOps.ApplyImageToEditor();
    const auto f = frames();
    ASSERT_EQ(f.size(), 24u + 12u);
    for (std::size_t n = 0; n < 24; ++n) {
        EXPECT_EQ(f[n][2], 7) << n;
        EXPECT_EQ(f[n][3], n / 12) << n;
        EXPECT_EQ(f[n][4], n % 12) << n;
    }
    const Bytes section = frame({10, 1, 3, 2, 0, 6, 0}), release = frame({49, 0, 0, 0, 0, 0, 0});
    EXPECT_EQ(FrameList(f.begin() + 24, f.begin() + 30),
              (FrameList{section, section, section, section, release, release}));
    EXPECT_EQ(f[30], frame({10, 2, 5, 2, 0, 6, 0}));
    EXPECT_EQ(f[35], frame({49, 1, 0, 0, 0, 0, 0}));

    EXPECT_EQ(shown(eq().Label3[0], eq().Label3[1], eq().Text1[4], eq().Text1[18], eq().Text3[18],
                    eq().Text2[0], eq().Label5[0], eq().Label6[1], eq().Text4[0]),
              (Texts{"3", "5", "-15", "-35", "1/5", "247.9", "1/10", "Fixed", "7"}));
    EXPECT_EQ(program.channels.model.NotchFrequency[23], 247.9);
    EXPECT_FALSE(eq().HScroll20[2].Enabled());
    EXPECT_TRUE(eq().HScroll20[3].Enabled());
    EXPECT_EQ(eq().Check2.Value(), 0);
    EXPECT_EQ(program.channels.LinkChannels, 0);
}

TEST_F(ChannelOps, ApplyClampsBytesNoControlCanHold) {
    // Offset, byte, the byte kept: gain, frequency index 65535, Q, no automatic notch, more
    // than twelve, attenuation, sensitivity, release and search mode above one.
    const std::tuple<std::size_t, int, int> bytes[] = {
        {28, 200, 45}, {33, 0xFF, 2}, {34, 0xFF, 217}, {39, 9, 3}, {76, 0, 1},
        {156, 40, 12}, {78, 3, 1},    {159, 99, 15},   {20, 7, 0}, {101, 255, 0}};
    PresetImage img = sampleImage();
    for (auto [at, byte, kept] : bytes) img[at] = static_cast<std::uint8_t>(byte);
    loadImage(img);
    for (auto [at, byte, kept] : bytes) EXPECT_EQ(image(static_cast<int>(at)), kept) << at;
    EXPECT_EQ(shown(eq().Text2[1], eq().Label3[1], eq().Text4[1], eq().Label1[0], eq().Label9[1]),
              (Texts{"20000", "12", "16", "Slow", "Sharp"}));
    EXPECT_EQ(program.channels.model.NumNotchAuto[0], 1);
    EXPECT_EQ(program.channels.model.ReleaseNotch[0], 0);
}

TEST_F(ChannelOps, CopiesLeaveTheDeviceBytesOfBothBlocksAlone) {
    // Block bytes the program never decodes, set apart per channel.
    for (std::size_t i = 0; i < 28; ++i) {
        if (i == 20 || i == 21) continue;  // release and search mode
        program.channels.image[i] = static_cast<std::uint8_t>(i + 1);
        program.channels.image[80 + i] = static_cast<std::uint8_t>(200 + i);
    }
    const PresetImage before = program.channels.image;
    program.channelOps.CopyChannelLeftToRight();
    for (std::size_t i : {0, 19, 22, 27, 80, 99, 102, 107})
        EXPECT_EQ(image(static_cast<int>(i)), before[i]) << i;
    for (int i = 28; i < 80; ++i) EXPECT_EQ(image(i), image(80 + i)) << i;
    EXPECT_EQ(image(20), image(100));
    program.channels.CompareChannels();
    EXPECT_TRUE(program.channels.ChannelsDiffer);
    EXPECT_EQ(shown(eq().Label3[1], eq().Text1[16]), (Texts{"3", "-15"}));
    EXPECT_TRUE(eq().HScroll20[15].Enabled());
}

TEST_F(ChannelOps, CopyRightToLeftSendsTheSensitivityLast) {
    program.channelOps.CopyChannelRightToLeft();
    const auto f = frames();
    ASSERT_EQ(f.size(), 12u + 6u);
    for (int n = 0; n < 12; ++n)
        EXPECT_EQ(f[static_cast<std::size_t>(n)],
                  frame({7, 0, n, 1, 10, n == 6 ? 3 : 2, n == 6 ? 10 : 45}));
    EXPECT_EQ(f[15], frame({49, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(f[17], frame({10, 1, 5, 2, 0, 6, 0}));
    EXPECT_EQ(image(76), 5);
    EXPECT_FALSE(eq().HScroll20[4].Enabled());
}

TEST_F(ChannelOps, LinkingDifferentChannelsAsksAndNoLeavesThemUnlinked) {
    p.dialogs.answers = {Answer::No};
    eq().Check2.UserClick();
    EXPECT_EQ(boxes(),
              Texts{"Link Left & Right:       You requested to Link channel Left & Right  \r\n"
                    "        This will copy channel Left to Right     \r\n"
                    "                     confirm?                    "});
    EXPECT_EQ(p.dialogs.shown[0].icon, MessageIcon::None);
    EXPECT_EQ(eq().Check2.Value(), 0);
    EXPECT_EQ(program.channels.LinkChannels, 0);
    EXPECT_TRUE(frames().empty());
}

TEST_F(ChannelOps, LinkingEqualChannelsAsksNothingButSeesAnEditMadeRightBefore) {
    loadImage(defaultImage());
    eq().Check2.UserClick();
    EXPECT_EQ(program.channels.LinkChannels, 1);
    EXPECT_TRUE(p.dialogs.shown.empty());
    EXPECT_TRUE(frames().empty());
    eq().Check2.UserClick();
    EXPECT_EQ(program.channels.LinkChannels, 0);
    program.channels.CompareChannels();   // as the periodic timer would
    eq().HScroll20[11].UserSetValue(10);  // the one manual row of each channel
    eq().Check2.UserClick();              // Yes by default
    EXPECT_EQ(p.dialogs.shown.size(), 1u);
    EXPECT_EQ(image(NotchOffset[23]), 10);
    EXPECT_EQ(program.channels.LinkChannels, 1);
}

}  // namespace
}  // namespace vx470
