#include "tests/unit/program_fixture.h"

namespace vx470 {
namespace {

using test::Bytes;
using test::frame;

class ChannelOps : public test::ProgramTest {
  protected:
    // Block bytes the program never decodes, set apart per channel.
    void markDeviceBytes() {
        for (int i = 0; i < 20; ++i) {
            program.channels.image[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i + 1);
            program.channels.image[static_cast<std::size_t>(80 + i)] =
                static_cast<std::uint8_t>(200 + i);
        }
        for (int i = 22; i < 28; ++i) {
            program.channels.image[static_cast<std::size_t>(i)] = 0x11;
            program.channels.image[static_cast<std::size_t>(80 + i)] = 0x22;
        }
    }
};

TEST_F(ChannelOps, ApplySendsEveryNotchThenLeftThenRightSettings) {
    program.channels.image = sampleImage();
    program.channelOps.ApplyImageToEditor();
    const auto f = frames();
    ASSERT_EQ(f.size(), 24u + 12u);
    for (std::size_t n = 0; n < 24; ++n) {
        EXPECT_EQ(f[n][2], 7) << n;
        EXPECT_EQ(f[n][3], n / 12) << n;
        EXPECT_EQ(f[n][4], n % 12) << n;
    }
    const std::vector<Bytes> left = {frame({10, 1, 3, 2, 0, 6, 0}), frame({10, 1, 3, 2, 0, 6, 0}),
                                     frame({10, 1, 3, 2, 0, 6, 0}), frame({10, 1, 3, 2, 0, 6, 0}),
                                     frame({49, 0, 0, 0, 0, 0, 0}), frame({49, 0, 0, 0, 0, 0, 0})};
    EXPECT_EQ(std::vector<Bytes>(f.begin() + 24, f.begin() + 30), left);
    EXPECT_EQ(f[30], frame({10, 2, 5, 2, 0, 6, 0}));
    EXPECT_EQ(f[35], frame({49, 1, 0, 0, 0, 0, 0}));
}

TEST_F(ChannelOps, ApplyShowsTheImageInEveryControl) {
    EXPECT_EQ(eq().Label3[0].Caption(), "3");
    EXPECT_EQ(eq().Label3[1].Caption(), "5");
    EXPECT_EQ(eq().Text1[4].Text(), "-15");
    EXPECT_EQ(eq().Text1[18].Text(), "-35");
    EXPECT_EQ(eq().Text3[18].Text(), "1/5");
    EXPECT_EQ(eq().Text2[0].Text(), "247.9");
    EXPECT_EQ(eq().Label5[0].Caption(), "1/10");
    EXPECT_EQ(eq().Label6[1].Caption(), "Fixed");
    EXPECT_EQ(eq().Text4[0].Text(), "7");
    EXPECT_EQ(program.channels.model.NotchFrequency[23], 247.9);
    EXPECT_FALSE(eq().HScroll20[2].Enabled());
    EXPECT_TRUE(eq().HScroll20[3].Enabled());
}

TEST_F(ChannelOps, ApplyReadsReleaseAndModeAboveOneAsZero) {
    PresetImage img = sampleImage();
    img[20] = 7;
    img[101] = 255;
    loadImage(img);
    EXPECT_EQ(eq().Label1[0].Caption(), "Slow");
    EXPECT_EQ(eq().Label9[1].Caption(), "Sharp");
    EXPECT_EQ(image(20), 0);
    EXPECT_EQ(image(101), 0);
    EXPECT_EQ(program.channels.model.ReleaseNotch[0], 0);
}

TEST_F(ChannelOps, ApplyClampsBytesNoControlCanHold) {
    PresetImage img = sampleImage();
    img[28] = 200;   // gain
    img[33] = 0xFF;  // frequency index 65535
    img[34] = 0xFF;
    img[39] = 9;    // Q
    img[76] = 0;    // no automatic notch
    img[156] = 40;  // more than twelve
    img[78] = 3;    // attenuation
    img[159] = 99;  // sensitivity
    loadImage(img);
    EXPECT_EQ(image(28), 45);
    EXPECT_EQ(image(33) * 256 + image(34), 729);
    EXPECT_EQ(eq().Text2[1].Text(), "20000");
    EXPECT_EQ(image(39), 3);
    EXPECT_EQ(image(76), 1);
    EXPECT_EQ(image(156), 12);
    EXPECT_EQ(image(78), 1);
    EXPECT_EQ(image(159), 15);
    EXPECT_EQ(program.channels.model.NumNotchAuto[0], 1);
    EXPECT_EQ(eq().Label3[1].Caption(), "12");
    EXPECT_EQ(eq().Text4[1].Text(), "16");
}

TEST_F(ChannelOps, ApplyUnlinksTheChannels) {
    eq().Check2.UserClick();  // sample channels differ: the question, answered Yes by default
    ASSERT_EQ(program.channels.LinkChannels, 1);
    loadImage(sampleImage());
    EXPECT_EQ(eq().Check2.Value(), 0);
    EXPECT_EQ(program.channels.LinkChannels, 0);
}

TEST_F(ChannelOps, CopiesLeaveTheDeviceBytesOfBothBlocksAlone) {
    markDeviceBytes();
    const PresetImage before = program.channels.image;
    program.channelOps.CopyChannelLeftToRight();
    for (int i : {0, 19, 22, 27, 80, 99, 102, 107})
        EXPECT_EQ(image(i), before[static_cast<std::size_t>(i)]) << i;
    for (int i = 28; i < 80; ++i) EXPECT_EQ(image(i), image(80 + i)) << i;
    EXPECT_EQ(image(20), image(100));
    program.channels.CompareChannels();
    EXPECT_TRUE(program.channels.ChannelsDiffer);
    EXPECT_EQ(eq().Label3[1].Caption(), "3");
    EXPECT_EQ(eq().Text1[16].Text(), "-15");
    EXPECT_TRUE(eq().HScroll20[15].Enabled());
}

TEST_F(ChannelOps, CopyRightToLeftSendsTheSensitivityLast) {
    program.channelOps.CopyChannelRightToLeft();
    const auto f = frames();
    ASSERT_EQ(f.size(), 12u + 6u);
    for (std::size_t n = 0; n < 12; ++n)
        EXPECT_EQ(f[n],
                  frame({7, 0, static_cast<int>(n), 1, 10, n == 6 ? 3 : 2, n == 6 ? 10 : 45}));
    EXPECT_EQ(f[15], frame({49, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(f[17], frame({10, 1, 5, 2, 0, 6, 0}));
    EXPECT_EQ(image(76), 5);
    EXPECT_FALSE(eq().HScroll20[4].Enabled());
}

TEST_F(ChannelOps, LinkingDifferentChannelsAsksAndNoLeavesThemUnlinked) {
    p.dialogs.answers = {Answer::No};
    eq().Check2.UserClick();
    ASSERT_EQ(p.dialogs.shown.size(), 1u);
    EXPECT_EQ(p.dialogs.shown[0].title, "Link Left & Right");
    EXPECT_EQ(p.dialogs.shown[0].text,
              "      You requested to Link channel Left & Right  \r\n"
              "        This will copy channel Left to Right     \r\n"
              "                     confirm?                    ");
    EXPECT_EQ(p.dialogs.shown[0].icon, MessageIcon::None);
    EXPECT_EQ(eq().Check2.Value(), 0);
    EXPECT_EQ(program.channels.LinkChannels, 0);
    EXPECT_TRUE(frames().empty());
}

TEST_F(ChannelOps, LinkingEqualChannelsAsksNothingAndCopiesNothing) {
    PresetImage img{};
    std::copy(DefaultImage.begin(), DefaultImage.end(), img.begin());
    loadImage(img);
    eq().Check2.UserClick();
    EXPECT_EQ(program.channels.LinkChannels, 1);
    EXPECT_TRUE(p.dialogs.shown.empty());
    EXPECT_TRUE(frames().empty());
    eq().Check2.UserClick();
    EXPECT_EQ(program.channels.LinkChannels, 0);
}

TEST_F(ChannelOps, LinkingRightAfterAnEditSeesTheDifference) {
    PresetImage img{};
    std::copy(DefaultImage.begin(), DefaultImage.end(), img.begin());
    loadImage(img);
    program.channels.CompareChannels();   // as the periodic timer would
    eq().HScroll20[11].UserSetValue(10);  // the one manual row of each channel
    p.port.writes.clear();
    eq().Check2.UserClick();  // Yes by default
    EXPECT_EQ(p.dialogs.shown.size(), 1u);
    EXPECT_EQ(image(NotchOffset[23]), 10);
    EXPECT_EQ(program.channels.LinkChannels, 1);
}

}  // namespace
}  // namespace vx470
