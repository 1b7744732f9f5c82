// The editor on the sample image: notch rows, automatic panels, channel operations, reports
// from the unit, the search and the resets.
#include <cmath>
#include <tuple>

#include "tests/unit/program_fixture.h"

namespace vx470 {
namespace {

using test::Bytes;
using test::enter;
using test::frame;
using test::FrameList;
using test::shown;
using test::Texts;

using NotchRows = test::ProgramTest;
using AutomaticPanel = test::ProgramTest;
using Linked = test::ProgramTest;
using ChannelOps = test::ProgramTest;
using SearchAndResets = test::ProgramTest;

TEST_F(NotchRows, StepsSendTheNotchFrameWriteTheRecordShowTheirTextsAndRedrawOnlyTheirCurve) {
    const auto revisions = [&] {
        return std::array{program.graph.Picture1[0].Revision(),
                          program.graph.Picture1[1].Revision()};
    };
    eq().HScroll6[17].UserSetValue(100);  // Right filter 5
    p.port.writes.clear();
    auto before = revisions();
    eq().HScroll6[17].UserSetValue(266);
    EXPECT_EQ(sent(), (FrameList{frame({7, 1, 5, 1, 10, 2, 45})}));
    EXPECT_EQ(bytes(128, 4), (Bytes{45, 1, 10, 2}));
    EXPECT_EQ(std::tuple(eq().Text2[17].Text(), program.channels.model.NotchFrequency[17]),
              std::tuple(std::string("247.9"), 247.9));
    EXPECT_TRUE(revisions()[0] == before[0] && revisions()[1] != before[1]);

    before = revisions();
    eq().HScroll20[5].UserSetValue(0);
    EXPECT_EQ(std::tuple(eq().Text1[5].Text(), program.channels.model.NotchGainDb[5]),
              std::tuple(std::string("-45"), -45.0));
    EXPECT_TRUE(revisions()[0] != before[0] && revisions()[1] == before[1]);
    // With notch 4's -15 dB at the same 247.9 Hz the curve dips to the bottom around there.
    const int x =
        static_cast<int>(std::nearbyint(Log10(247.9 / 20) * program.graph.PixelsPerDecade));
    bool deep = false;
    for (int xx = x - 2; xx <= x + 2; ++xx)
        for (int y = 180; y < Canvas::Height; ++y)
            deep |= program.graph.Picture1[0].Pixel(xx, y) == ResponseGraph::CurveColor[0];
    EXPECT_TRUE(deep);
    eq().HScroll20[5].UserSetValue(45);
    EXPECT_EQ(eq().Text1[5].Text(), "0");
    for (auto [q, name] : {std::pair{0, "1/70"}, {1, "1/20"}, {3, "1/5"}, {2, "1/10"}}) {
        eq().HScroll30[5].UserSetValue(q);
        EXPECT_EQ(eq().Text3[5].Text(), name);
        EXPECT_EQ(image(48 + 3), q);
    }
    EXPECT_EQ(frames().size(), 6u);
    EXPECT_EQ(sent().back(), frame({7, 0, 5, 1, 10, 2, 45}));

    program.IgnoreControlEvents = true;  // changes made by the program itself
    eq().HScroll20[6].SetValue(3);
    eq().HScroll3[0].SetValue(1);
    eq().Slider1[0].SetValue(9);
    program.IgnoreControlEvents = false;
    EXPECT_EQ(shown(eq().Text1[6], eq().Label6[0], eq().Text4[0]), (Texts{"0", "Variable", "10"}));
    EXPECT_EQ(std::tuple(image(52), program.channels.model.AttenuationNotch[0], bytes(78, 2)),
              std::tuple(45, 1, Bytes{1, 9}));
    EXPECT_TRUE(frames().empty());
}

TEST_F(NotchRows, TypedValuesClampAndSnapWithoutAWord) {
    // Row 3's frequency, row 4's gain (-15 dB): typed, shown, bar value.
    const std::tuple<std::size_t, const char*, const char*, int> cases[] = {
        {3, "1000", "1003", 413}, {3, "25000", "20000", 729}, {3, "5", "20", 0},
        {3, "248", "247.9", 266}, {4, "-50", "-45", 0},       {4, "3", "0", 45}};
    for (auto [row, typed, text, value] : cases) {
        const bool frequency = row == 3;
        TextBox& box = frequency ? eq().Text2[row] : eq().Text1[row];
        enter(box, typed);
        EXPECT_EQ(box.Text(), text) << typed;
        EXPECT_EQ((frequency ? eq().HScroll6[row] : eq().HScroll20[row]).Value(), value) << typed;
        EXPECT_EQ(sent(), (FrameList{frequency ? frame({7, 0, 3, value >> 8, value & 255, 2, 45})
                                               : frame({7, 0, 4, 1, 10, 2, value})}))
            << typed;
    }
    EXPECT_EQ(bytes(40, 8), (Bytes{45, 1, 10, 2, 45, 1, 10, 2}));
    EXPECT_EQ(eq().Text2[4].Text(), "247.9");
    EXPECT_TRUE(p.dialogs.shown.empty());
}

TEST_F(NotchRows, RejectedKeysWarnAndLeaveAQuestionMarkAndDisabledRowsTakeNoInput) {
    eq().Text1[4].SetText("-1");
    eq().Text1[4].UserKey('.');
    eq().Text1[4].UserKey('+');
    EXPECT_EQ(eq().Text1[4].Text(), "-1??");
    eq().Text1[4].UserKey(Key::Enter);  // "?" is not a number
    EXPECT_EQ(eq().Text1[4].Text(), "-1???");
    EXPECT_EQ(boxes(true), Texts(3, "Warning:   Incorrect value [OK]"));
    eq().Text2[4].SetText("50");
    eq().Text2[4].UserKey('-');
    eq().Text2[4].UserKey('a');
    EXPECT_EQ(eq().Text2[4].Text(), "50??");
    EXPECT_EQ(p.dialogs.shown.back().text, "  Incorrect frequency value");
    for (const char* junk : {"", "-", "1-2"}) {
        eq().Text1[4].SetText(junk);
        eq().Text1[4].UserKey(Key::Enter);
        EXPECT_EQ(eq().Text1[4].Text(), std::string(junk) + "?") << junk;
    }
    // Left has three automatic notches: rows 0..2 are the unit's.
    EXPECT_TRUE(!eq().HScroll20[2].EffectiveEnabled() && eq().HScroll20[3].EffectiveEnabled());
    eq().HScroll20[2].UserSetValue(0);
    eq().Text1[2].UserType("-7");
    EXPECT_EQ(std::tuple(eq().HScroll20[2].Value(), eq().Text1[2].Text()),
              std::tuple(45, std::string("0")));
    EXPECT_TRUE(frames().empty());
    EXPECT_EQ(image(44), 30);
}

TEST_F(NotchRows, AScrollStepTakesAnUnconfirmedFrequencyOrForJunkTheBarsOne) {
    eq().Text2[5].SetText("12?");
    eq().HScroll20[5].UserSetValue(20);
    eq().Text2[6].SetText("1000");  // typed, no Enter
    eq().HScroll30[6].UserSetValue(0);
    EXPECT_EQ(shown(eq().Text2[5], eq().Text2[6]), (Texts{"247.9", "1003"}));
    EXPECT_EQ(program.channels.model.NotchFrequency[5], 247.9);
    EXPECT_EQ(eq().HScroll6[6].Value(), 413);
    EXPECT_EQ(frames(),
              (FrameList{frame({7, 0, 5, 1, 10, 2, 20}), frame({7, 0, 6, 1, 157, 0, 45})}));
}

TEST_F(AutomaticPanel, AutomaticQAndNumberReachOnlyTheAutomaticRowsWithoutNotchFrames) {
    eq().HScroll2[0].UserSetValue(0);
    EXPECT_EQ(shown(eq().Label5[0], eq().Text3[2], eq().Text3[3]), (Texts{"1/70", "1/70", "1/10"}));
    for (std::size_t n = 0; n < 4; ++n) {
        EXPECT_EQ(eq().HScroll30[n].Value(), n < 3 ? 0 : 2) << n;
        EXPECT_EQ(image(NotchOffset[n] + 3), n < 3 ? 0 : 2) << n;
    }
    eq().HScroll1[0].UserSetValue(11);
    EXPECT_EQ(
        std::tuple(eq().Label3[0].Caption(), image(76), program.channels.model.NumNotchManual[0]),
        std::tuple("12", 12, 0));
    for (std::size_t n = 0; n < 12; ++n) EXPECT_FALSE(eq().HScroll6[n].Enabled()) << n;
    eq().HScroll1[0].UserSetValue(0);
    EXPECT_EQ(std::tuple(eq().Label3[0].Caption(), image(76)), std::tuple(std::string("1"), 1));
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

TEST_F(AutomaticPanel, TypedSensitivityClampsMovesTheSliderAndRejectsLettersUntilANumber) {
    for (auto [typed, kept] : {std::pair{"20", 15}, {"0", 0}}) {
        enter(eq().Text4[0], typed);
        EXPECT_EQ(eq().Text4[0].Text(), std::to_string(kept + 1));
        EXPECT_EQ(
            std::tuple(eq().Slider1[0].Value(), program.channels.model.Sensitivity[0], image(79)),
            std::tuple(kept, kept, kept));
    }
    EXPECT_EQ(sent(), (FrameList{frame({10, 1, 3, 2, 0, 15, 0}), frame({10, 1, 3, 2, 0, 0, 0})}));
    EXPECT_TRUE(p.dialogs.shown.empty());
    eq().Text4[1].SetText("7");
    eq().Text4[1].UserKey('a');
    EXPECT_EQ(eq().Text4[1].Text(), "7?");
    eq().Text4[1].UserKey(Key::Enter);
    EXPECT_EQ(eq().Text4[1].Text(), "7??");
    EXPECT_EQ(boxes(), Texts(2, "Warning:   Incorrect value"));
    EXPECT_TRUE(frames().empty());
    EXPECT_EQ(image(159), 6);
}

TEST_F(Linked, ChangesGoToTheEditedRowOrChannelFirstThenItsPartnerAutomaticOnesToAutomaticRows) {
    program.channels.LinkChannels = 1;
    eq().HScroll6[3].UserSetValue(413);
    EXPECT_EQ(eq().HScroll6[15].Value(), 413);
    EXPECT_EQ(sent(),
              (FrameList{frame({7, 0, 3, 1, 157, 2, 45}), frame({7, 1, 3, 1, 157, 2, 45})}));
    eq().HScroll30[20].UserSetValue(1);
    EXPECT_EQ(sent(), (FrameList{frame({7, 1, 8, 1, 10, 1, 45}), frame({7, 0, 8, 1, 10, 1, 45})}));
    enter(eq().Text1[9], "-12");
    EXPECT_EQ(shown(eq().Text2[15], eq().Text3[8], eq().Text1[21]), (Texts{"1003", "1/20", "-12"}));
    EXPECT_EQ(image(NotchOffset[21]), 33);
    EXPECT_EQ(sent(), (FrameList{frame({7, 0, 9, 1, 10, 2, 33}), frame({7, 1, 9, 1, 10, 2, 33})}));

    enter(eq().Text4[0], "3");
    EXPECT_EQ(std::tuple(eq().Text4[1].Text(), image(159)), std::tuple(std::string("3"), 2));
    EXPECT_EQ(sent(), (FrameList{frame({10, 1, 3, 2, 0, 2, 0}), frame({10, 2, 5, 2, 0, 2, 0})}));
    eq().HScroll4[1].UserSetValue(1);
    EXPECT_EQ(std::tuple(eq().Label1[0].Caption(), image(20), image(100)),
              std::tuple("Fast", 1, 1));
    EXPECT_EQ(sent(), (FrameList{frame({49, 1, 0, 0, 1, 0, 0}), frame({49, 0, 0, 0, 1, 0, 0})}));
    // Right has five automatic notches, Left three: Left's rows 3 and 4 stay manual rows.
    eq().HScroll2[1].UserSetValue(3);
    for (std::size_t k = 0; k < 5; ++k) {
        EXPECT_EQ(eq().HScroll30[12 + k].Value(), 3) << k;
        EXPECT_EQ(eq().HScroll30[k].Value(), k < 3 ? 3 : 2) << k;
    }
    EXPECT_EQ(frames(), (FrameList{frame({10, 2, 5, 3, 0, 2, 0}), frame({10, 1, 3, 3, 0, 2, 0})}));
    EXPECT_TRUE(p.dialogs.shown.empty());
}

TEST_F(ChannelOps, ApplyClampsWhatNoControlCanHoldSendsEveryNotchThenEachChannelAndUnlinks) {
    eq().Check2.UserClick();  // the channels differ: the question, answered Yes by default
    ASSERT_EQ(program.channels.LinkChannels, 1);
    // Offset, byte, the byte kept: gain, frequency index 65535, Q, no automatic notch, more
    // than twelve, attenuation, sensitivity, release and search mode above one.
    const std::tuple<std::size_t, int, int> clamps[] = {
        {28, 200, 45}, {33, 0xFF, 2}, {34, 0xFF, 217}, {39, 9, 3}, {76, 0, 1},
        {156, 40, 12}, {78, 3, 1},    {159, 99, 15},   {20, 7, 0}, {101, 255, 0}};
    program.channels.image = sampleImage();
    for (auto [at, byte, kept] : clamps)
        program.channels.image[at] = static_cast<std::uint8_t>(byte);
    p.port.writes.clear();
    program.channelOps.ApplyImageToEditor();
    for (auto [at, byte, kept] : clamps) EXPECT_EQ(image(static_cast<int>(at)), kept) << at;
    const auto f = frames();
    ASSERT_EQ(f.size(), 24u + 12u);
    // The notches first, in order (their frames are checked against the file by the preset
    // file fuzz target), then each channel's section and release frames.
    EXPECT_EQ(std::tuple(f[0][3], f[0][4], f[1], f[23][3], f[23][4]),
              std::tuple(0, 0, frame({7, 0, 1, 2, 217, 2, 45}), 1, 11));
    const Bytes left = frame({10, 1, 1, 2, 1, 6, 0}), release = frame({49, 0, 0, 0, 0, 0, 0});
    EXPECT_EQ(FrameList(f.begin() + 24, f.begin() + 30),
              (FrameList{left, left, left, left, release, release}));
    EXPECT_EQ(f[30], frame({10, 2, 12, 2, 0, 15, 0}));
    EXPECT_EQ(f[35], frame({49, 1, 0, 0, 0, 0, 0}));
    EXPECT_EQ(shown(eq().Label3[0], eq().Label3[1], eq().Text1[4], eq().Text1[18], eq().Text2[0],
                    eq().Text2[1], eq().Label5[0], eq().Label6[0], eq().Label6[1], eq().Text4[0],
                    eq().Text4[1], eq().Label1[0], eq().Label9[1]),
              (Texts{"1", "12", "-15", "-35", "247.9", "20000", "1/10", "Variable", "Fixed", "7",
                     "16", "Slow", "Sharp"}));
    const ChannelModel& model = program.channels.model;
    EXPECT_EQ(std::tuple(model.NotchFrequency[23], model.NumNotchAuto[0], model.ReleaseNotch[0]),
              std::tuple(247.9, 1, 0));
    EXPECT_TRUE(!eq().HScroll20[0].Enabled() && eq().HScroll20[1].Enabled());
    EXPECT_EQ(std::tuple(eq().Check2.Value(), program.channels.LinkChannels), std::tuple(0, 0));
}

TEST_F(ChannelOps, CopiesAskFirstSendTheSensitivityLastAndLeaveTheDeviceBytesAlone) {
    std::vector<MousePointer> pointers;
    program.mainWindow.View = [&](ViewUpdate) { pointers.push_back(program.mainWindow.Pointer()); };
    p.dialogs.answers = {Answer::No, Answer::Yes};
    program.mainWindow.Command1_Click(7);
    EXPECT_TRUE(frames().empty() && pointers.empty());
    program.mainWindow.Command1_Click(8);
    EXPECT_EQ(boxes(), (Texts{"Copy Left to Right: Copy Channel Left to Right, Are you sure ?",
                              "Copy Right to Left: Copy Channel Right to Left, Are you sure ?"}));
    EXPECT_EQ(pointers,
              (std::vector<MousePointer>{MousePointer::ArrowHourglass, MousePointer::Default}));
    const auto f = frames();
    ASSERT_EQ(f.size(), 12u + 6u);
    for (int n = 0; n < 12; ++n)
        EXPECT_EQ(f[static_cast<std::size_t>(n)],
                  frame({7, 0, n, 1, 10, n == 6 ? 3 : 2, n == 6 ? 10 : 45}));
    EXPECT_EQ(f[15], frame({49, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(f[17], frame({10, 1, 5, 2, 0, 6, 0}));
    EXPECT_EQ(image(76), 5);
    EXPECT_FALSE(eq().HScroll20[4].Enabled());

    loadImage(sampleImage());
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

TEST_F(ChannelOps, LinkingAsksOnlyWhenTheChannelsDifferAndNoLeavesThemUnlinked) {
    p.dialogs.answers = {Answer::No};
    eq().Check2.UserClick();
    EXPECT_EQ(boxes(),
              Texts{"Link Left & Right:       You requested to Link channel Left & Right  \r\n"
                    "        This will copy channel Left to Right     \r\n"
                    "                     confirm?                    "});
    EXPECT_EQ(p.dialogs.shown[0].icon, MessageIcon::None);
    EXPECT_EQ(std::tuple(eq().Check2.Value(), program.channels.LinkChannels), std::tuple(0, 0));
    EXPECT_TRUE(frames().empty());
    loadImage(test::defaultImage());
    eq().Check2.UserClick();
    EXPECT_EQ(program.channels.LinkChannels, 1);
    EXPECT_TRUE(p.dialogs.shown.empty() && frames().empty());
    eq().Check2.UserClick();
    EXPECT_EQ(program.channels.LinkChannels, 0);
    program.channels.CompareChannels();   // as the periodic timer would
    eq().HScroll20[11].UserSetValue(10);  // the one manual row of each channel
    eq().Check2.UserClick();              // Yes by default
    EXPECT_EQ(p.dialogs.shown.size(), 1u);
    EXPECT_EQ(std::tuple(image(NotchOffset[23]), program.channels.LinkChannels), std::tuple(10, 1));
}

class DeviceReports : public test::ProgramTest {
  protected:
    void report(const Bytes& bytes) {
        p.port.arrive(bytes);
        program.reports.PollDeviceReports();
    }
    const Bytes ack = frame({48});
};

TEST_F(DeviceReports, NotchAndGainReportsPlaceWhatTheyCarryWithoutANotchFrame) {
    program.channels.image[28] = 0;
    loadImage(program.channels.image);
    report({0xFE, 0x01, 0x03, 0x01, 0x0A, 0x02, 0x1E, 0, 0, 0});
    EXPECT_EQ(bytes(120, 4), (Bytes{30, 1, 10, 2}));
    EXPECT_EQ(shown(eq().Text1[15], eq().Text2[15]), (Texts{"-15", "247.9"}));
    EXPECT_EQ(std::tuple(eq().HScroll20[15].Value(), eq().HScroll30[15].Value(),
                         program.channels.model.NotchGainDb[15]),
              std::tuple(30, 2, -15.0));
    report({0xFE, 0x00, 0x01, 0x02, 0xD9, 0x03, 0x00, 0, 0, 0});  // index 729, Q 3, -45 dB
    EXPECT_EQ(eq().Text2[1].Text(), "20000");
    EXPECT_EQ(std::tuple(eq().HScroll6[1].Value(), program.channels.model.NotchFrequency[1]),
              std::tuple(729, 20000.0));
    report({0xFD, 0x00, 0x00, 0x77, 0x77, 0x77, 0x2D, 0, 0, 0});  // the gain alone
    EXPECT_EQ(bytes(28, 4), (Bytes{45, 1, 10, 2}));
    EXPECT_EQ(eq().HScroll20[0].Value(), 45);
    EXPECT_EQ(frames(), FrameList(3, ack));
    EXPECT_EQ(p.port.bytesWaiting(), 0u);
}

TEST_F(DeviceReports, AnythingElseIsDroppedButStillAcknowledgedAndAPartOneWaitsForTheRest) {
    const PresetImage before = program.channels.image;
    report({0x12, 0x01, 0x03, 0x01, 0x0A, 0x02, 0x1E, 0, 0, 0, 0x55, 0x66});
    // Reports no control could show: filter 12, index 730, Q 4, gain 46, filter 255.
    report({0xFE, 0x00, 0x0C, 0x01, 0x0A, 0x02, 0x1E, 0, 0, 0});
    report({0xFE, 0x00, 0x03, 0x02, 0xDA, 0x02, 0x1E, 0, 0, 0});
    report({0xFE, 0x00, 0x03, 0x01, 0x0A, 0x04, 0x1E, 0, 0, 0});
    report({0xFD, 0x01, 0x03, 0x00, 0x00, 0x00, 0x2E, 0, 0, 0});
    report({0xFD, 0x01, 0xFF, 0x00, 0x00, 0x00, 0x00, 0, 0, 0});
    EXPECT_EQ(program.channels.image, before);
    EXPECT_EQ(sent(), FrameList(6, ack));
    EXPECT_EQ(p.port.bytesWaiting(), 0u);

    report({0xFD, 0x00, 0x03, 0, 0, 0, 0x10, 0, 0});
    EXPECT_EQ(p.port.bytesWaiting(), 9u);
    EXPECT_TRUE(frames().empty());
    report({0});
    EXPECT_EQ(image(40), 0x10);
    EXPECT_EQ(frames(), FrameList{ack});
    program.link.DemoMode = true;  // demo mode reads nothing
    report({0xFD, 0x00, 0x03, 0, 0, 0, 0x20, 0, 0, 0});
    EXPECT_EQ(std::tuple(p.port.bytesWaiting(), image(40)), std::tuple(std::size_t{10}, 0x10));
}

TEST_F(SearchAndResets, ASearchLocksTheWindowStartsOnceAndStopsFourTimesOrTwiceForBoth) {
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

    eq().Check1[2].UserClick();  // Right
    EXPECT_TRUE(program.SearchActive);
    EXPECT_TRUE(!eq().Check1[0].Enabled() && !eq().Check1[1].Enabled());
    EXPECT_TRUE(eq().Check1[2].EffectiveEnabled());
    for (const Control* x : locked) EXPECT_FALSE(x->EffectiveEnabled()) << x->Name;
    EXPECT_EQ(sent(), FrameList{frame({10, 2, 5, 2, 0, 6, 1})});
    eq().Check1[2].UserClick();
    EXPECT_FALSE(program.SearchActive);
    EXPECT_EQ(sent(), FrameList(4, frame({10, 0, 3, 2, 0, 6, 0})));
    for (const Control* x : locked) EXPECT_TRUE(x->EffectiveEnabled()) << x->Name;
    for (const CheckBox& c : eq().Check1) EXPECT_TRUE(c.Enabled());
    EXPECT_EQ(eq().Pointer(), MousePointer::Default);

    eq().Check1[0].UserClick();  // both channels, with the Left settings
    eq().Check1[0].UserClick();
    const Bytes stop = frame({10, 0, 3, 2, 0, 6, 0});
    EXPECT_EQ(sent(), (FrameList{frame({10, 0, 3, 2, 0, 6, 1}), stop, stop}));
    eq().Check1[1].UserClick();
    EXPECT_EQ(frames(), FrameList{frame({10, 1, 3, 2, 0, 6, 1})});
    ASSERT_TRUE(eq().QueryUnload);
    EXPECT_TRUE(eq().QueryUnload());  // the editor refuses to close
    EXPECT_TRUE(p.dialogs.shown.empty());
}

TEST_F(SearchAndResets, ResetsAskThenSetOnlyTheGainOfTheirRowsClickedChannelFirst) {
    program.channels.image[28] = 12;
    loadImage(program.channels.image);
    p.dialogs.answers = {Answer::No, Answer::No, Answer::Yes, Answer::Yes, Answer::Yes};
    eq().Command1[0].UserClick();
    eq().Command1[2].UserClick();
    EXPECT_EQ(boxes(true),
              (Texts{"Reset Filter: Reset all Notch filter automatic, Are you sure ? [Yes*/No]",
                     "Reset Filter: Reset all Notch filter manual, Are you sure ? [Yes*/No]"}));
    EXPECT_TRUE(frames().empty());
    EXPECT_EQ(std::tuple(image(28), image(44)), std::tuple(12, 30));

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
    EXPECT_EQ(std::tuple(f[0][3], f[6][3], f[7][3], image(132)), std::tuple(1, 1, 0, 45));
}

}  // namespace
}  // namespace vx470
