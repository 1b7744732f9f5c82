// The editor on the sample image: what each control sends and writes, typed entries, link
// rules, applying an image, copies, reports from the unit, the search and the resets.
#include "tests/unit/program_fixture.h"

namespace vx470 {
namespace {

using test::Bytes;
using test::enter;
using test::frame;
using test::FrameList;
using test::shown;
using test::Texts;

using Editor = test::ProgramTest;

TEST_F(Editor, EachControlSendsItsFrameWritesItsImageBytesAndShowsTheirMeaning) {
    // The control, its value; the frame, the image bytes from an offset; the text that shows.
    const std::tuple<ScrollBar*, int, Bytes, int, Bytes, const std::string*, const char*> steps[] =
        {
            {&eq().HScroll6[17],
             413,
             frame({7, 1, 5, 1, 157, 2, 45}),
             128,
             {45, 1, 157, 2},
             &eq().Text2[17].Text(),
             "1003"},
            {&eq().HScroll20[5],
             0,
             frame({7, 0, 5, 1, 10, 2, 0}),
             48,
             {0},
             &eq().Text1[5].Text(),
             "-45"},
            {&eq().HScroll30[6],
             0,
             frame({7, 0, 6, 1, 10, 0, 45}),
             52,
             {45, 1, 10, 0},
             &eq().Text3[6].Text(),
             "1/70"},
            {&eq().HScroll30[6],
             1,
             frame({7, 0, 6, 1, 10, 1, 45}),
             55,
             {1},
             &eq().Text3[6].Text(),
             "1/20"},
            {&eq().HScroll30[6],
             3,
             frame({7, 0, 6, 1, 10, 3, 45}),
             55,
             {3},
             &eq().Text3[6].Text(),
             "1/5"},
            // The automatic Q reaches only the automatic rows, without notch frames.
            {&eq().HScroll2[0],
             0,
             frame({10, 1, 3, 0, 0, 6, 0}),
             36,
             {45, 1, 10, 0, 45, 1, 10, 2},
             &eq().Text3[2].Text(),
             "1/70"},
            {&eq().HScroll1[0],
             11,
             frame({10, 1, 12, 0, 0, 6, 0}),
             76,
             {12},
             &eq().Label3[0].Caption(),
             "12"},
            {&eq().HScroll1[0],
             0,
             frame({10, 1, 1, 0, 0, 6, 0}),
             76,
             {1},
             &eq().Label3[0].Caption(),
             "1"},
            // Section frames count channels from 1; release travels with the search mode.
            {&eq().HScroll3[1],
             1,
             frame({10, 2, 5, 2, 1, 6, 0}),
             158,
             {1},
             &eq().Label6[1].Caption(),
             "Variable"},
            {&eq().Slider1[1],
             15,
             frame({10, 2, 5, 2, 1, 15, 0}),
             158,
             {1, 15},
             &eq().Text4[1].Text(),
             "16"},
            {&eq().HScroll5[0],
             1,
             frame({49, 0, 0, 0, 0, 1, 0}),
             21,
             {1},
             &eq().Label9[0].Caption(),
             "Fast"},
            {&eq().HScroll4[0],
             1,
             frame({49, 0, 0, 0, 1, 1, 0}),
             20,
             {1, 1},
             &eq().Label1[0].Caption(),
             "Fast"},
        };
    for (const auto& [bar, value, f, at, b, text, expected] : steps) {
        const auto revisions =
            std::pair(program.graph.Picture1[0].Revision(), program.graph.Picture1[1].Revision());
        bar->UserSetValue(value);
        EXPECT_EQ(sent(), FrameList{f}) << bar->Name;
        EXPECT_EQ(bytes(at, static_cast<int>(b.size())), b) << bar->Name;
        EXPECT_EQ(*text, expected) << bar->Name;
        if (at == 128 || at == 48) {  // a notch step redraws its own channel's curve only
            EXPECT_EQ(std::pair(revisions.first != program.graph.Picture1[0].Revision(),
                                revisions.second != program.graph.Picture1[1].Revision()),
                      std::pair(at == 48, at == 128));
        }
    }
    EXPECT_EQ(program.channels.model.NotchFrequency[17], 1003);
    EXPECT_EQ(program.graph.NotchResponse[5][266], -45.0);
    EXPECT_TRUE(!eq().Text2[0].Enabled() && eq().Text1[1].Enabled() && eq().Text1[11].Enabled());
}

TEST_F(Editor, TypedValuesClampAndSnapWithoutAWord) {
    // Row 3's frequency, row 4's gain (-15 dB), Left's sensitivity: typed, shown, bar value.
    const std::tuple<TextBox*, ScrollBar*, const char*, const char*, int, Bytes> cases[] = {
        {&eq().Text2[3], &eq().HScroll6[3], "1000", "1003", 413, frame({7, 0, 3, 1, 157, 2, 45})},
        {&eq().Text2[3], &eq().HScroll6[3], "25000", "20000", 729, frame({7, 0, 3, 2, 217, 2, 45})},
        {&eq().Text2[3], &eq().HScroll6[3], "5", "20", 0, frame({7, 0, 3, 0, 0, 2, 45})},
        {&eq().Text2[3], &eq().HScroll6[3], "248", "247.9", 266, frame({7, 0, 3, 1, 10, 2, 45})},
        {&eq().Text1[4], &eq().HScroll20[4], "-50", "-45", 0, frame({7, 0, 4, 1, 10, 2, 0})},
        {&eq().Text1[4], &eq().HScroll20[4], "3", "0", 45, frame({7, 0, 4, 1, 10, 2, 45})},
        {&eq().Text4[0], &eq().Slider1[0], "20", "16", 15, frame({10, 1, 3, 2, 0, 15, 0})},
        {&eq().Text4[0], &eq().Slider1[0], "0", "1", 0, frame({10, 1, 3, 2, 0, 0, 0})},
    };
    for (const auto& [box, bar, typed, text, value, f] : cases) {
        enter(*box, typed);
        EXPECT_EQ(std::tuple(box->Text(), bar->Value(), sent()),
                  std::tuple(text, value, FrameList{f}))
            << typed;
    }
    EXPECT_EQ(bytes(40, 8), (Bytes{45, 1, 10, 2, 45, 1, 10, 2}));
    EXPECT_EQ(std::tuple(eq().Text2[4].Text(), program.channels.model.Sensitivity[0], image(79)),
              std::tuple("247.9", 0, 0));
    EXPECT_TRUE(p.dialogs.shown.empty());
}

TEST_F(Editor, RejectedKeysWarnAndLeaveAQuestionMarkAndDisabledRowsTakeNoInput) {
    // The box, its text, the keys; the text afterwards and how many warnings that was.
    const std::tuple<TextBox*, const char*, const char*, const char*, std::size_t> cases[] = {
        {&eq().Text1[4], "-1", ".+\r", "-1???", 3}, {&eq().Text2[4], "50", "-a", "50??", 2},
        {&eq().Text1[4], "", "\r", "?", 1},         {&eq().Text1[4], "-", "\r", "-?", 1},
        {&eq().Text1[4], "1-2", "\r", "1-2?", 1},   {&eq().Text4[1], "7", "a\r", "7??", 2}};
    for (const auto& [box, before, keys, after, warnings] : cases) {
        p.dialogs.shown.clear();
        box->SetText(before);
        box->UserType(keys);
        EXPECT_EQ(box->Text(), after);
        EXPECT_EQ(boxes(true), Texts(warnings, box == &eq().Text2[4]
                                                   ? "Warning:   Incorrect frequency value [OK]"
                                                   : "Warning:   Incorrect value [OK]"));
    }
    // Left has three automatic notches: rows 0..2 are the unit's.
    EXPECT_TRUE(!eq().HScroll20[2].EffectiveEnabled() && eq().HScroll20[3].EffectiveEnabled());
    eq().HScroll20[2].UserSetValue(0);
    eq().Text1[2].UserType("-7");
    EXPECT_EQ(shown(eq().Text1[2]), Texts{"0"});
    EXPECT_TRUE(frames().empty());
    EXPECT_EQ(program.channels.image, sampleImage());
}

TEST_F(Editor, AScrollStepTakesAnUnconfirmedFrequencyOrForJunkTheBarsOne) {
    eq().Text2[5].SetText("12?");
    eq().HScroll20[5].UserSetValue(20);
    eq().Text2[6].SetText("1000");  // typed, no Enter
    eq().HScroll30[6].UserSetValue(0);
    EXPECT_EQ(shown(eq().Text2[5], eq().Text2[6]), (Texts{"247.9", "1003"}));
    EXPECT_EQ(eq().HScroll6[6].Value(), 413);
    EXPECT_EQ(frames(),
              (FrameList{frame({7, 0, 5, 1, 10, 2, 20}), frame({7, 0, 6, 1, 157, 0, 45})}));
}

TEST_F(Editor, LinkedChangesGoToTheEditedRowOrChannelFirstThenItsPartner) {
    program.channels.LinkChannels = 1;
    eq().HScroll6[3].UserSetValue(413);
    EXPECT_EQ(sent(),
              (FrameList{frame({7, 0, 3, 1, 157, 2, 45}), frame({7, 1, 3, 1, 157, 2, 45})}));
    eq().HScroll30[20].UserSetValue(1);
    EXPECT_EQ(sent(), (FrameList{frame({7, 1, 8, 1, 10, 1, 45}), frame({7, 0, 8, 1, 10, 1, 45})}));
    enter(eq().Text1[9], "-12");
    EXPECT_EQ(sent(), (FrameList{frame({7, 0, 9, 1, 10, 2, 33}), frame({7, 1, 9, 1, 10, 2, 33})}));
    EXPECT_EQ(shown(eq().Text2[15], eq().Text3[8], eq().Text1[21]), (Texts{"1003", "1/20", "-12"}));
    enter(eq().Text4[0], "3");
    EXPECT_EQ(sent(), (FrameList{frame({10, 1, 3, 2, 0, 2, 0}), frame({10, 2, 5, 2, 0, 2, 0})}));
    eq().HScroll4[1].UserSetValue(1);
    EXPECT_EQ(sent(), (FrameList{frame({49, 1, 0, 0, 1, 0, 0}), frame({49, 0, 0, 0, 1, 0, 0})}));
    EXPECT_EQ(std::tuple(image(20), image(100), image(159)), std::tuple(1, 1, 2));
    // Right has five automatic notches, Left three: Left's rows 3 and 4 stay manual rows.
    eq().HScroll2[1].UserSetValue(3);
    for (std::size_t k = 0; k < 5; ++k)
        EXPECT_EQ(std::pair(eq().HScroll30[12 + k].Value(), eq().HScroll30[k].Value()),
                  std::pair(3, k < 3 ? 3 : 2));
    EXPECT_EQ(frames(), (FrameList{frame({10, 2, 5, 3, 0, 2, 0}), frame({10, 1, 3, 3, 0, 2, 0})}));
    EXPECT_TRUE(p.dialogs.shown.empty());
}

TEST_F(Editor, ApplyClampsWhatNoControlCanHoldSendsEveryNotchThenEachChannelAndUnlinks) {
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
    EXPECT_EQ(
        FrameList(f.begin() + 24, f.begin() + 31),
        (FrameList{left, left, left, left, release, release, frame({10, 2, 12, 2, 0, 15, 0})}));
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

TEST_F(Editor, CopiesSendTheSensitivityLastAndLeaveTheDeviceBytesAlone) {
    // Block bytes the program never decodes, set apart per channel (not release and mode).
    for (std::size_t i = 0; i < 28; ++i) {
        if (i == 20 || i == 21) continue;
        program.channels.image[i] = static_cast<std::uint8_t>(i + 1);
        program.channels.image[80 + i] = static_cast<std::uint8_t>(200 + i);
    }
    const PresetImage before = program.channels.image;
    program.channelOps.CopyChannelLeftToRight();
    for (std::size_t i : {0, 19, 22, 27, 80, 99, 102, 107})
        EXPECT_EQ(image(static_cast<int>(i)), before[i]) << i;
    for (int i = 28; i < 80; ++i) EXPECT_EQ(image(i), image(80 + i)) << i;
    EXPECT_EQ(image(20), image(100));
    EXPECT_EQ(shown(eq().Label3[1], eq().Text1[16]), (Texts{"3", "-15"}));
    EXPECT_TRUE(eq().HScroll20[15].Enabled());
    // Each channel's six settings frames follow its twelve notches; only from Right to Left
    // the sensitivity comes last.
    for (bool toLeft : {false, true}) {
        if (toLeft) program.channelOps.CopyChannelRightToLeft();
        const auto f = sent();
        ASSERT_EQ(f.size(), 12u + 6u);
        EXPECT_EQ(std::tuple(f[0][3], f[toLeft ? 17 : 15]),
                  std::tuple(toLeft ? 0 : 1, frame({10, toLeft ? 1 : 2, 3, 2, 0, 6, 0})));
    }
}

TEST_F(Editor, ReportsPlaceWhatControlsCanShowAndAreAllAcknowledged) {
    program.channels.image[28] = 0;
    loadImage(program.channels.image);
    // A report, the image offset and the bytes it holds afterwards; -1: nothing changes.
    const std::tuple<Bytes, int, Bytes> reports[] = {
        {{0xFE, 0x01, 0x03, 0x01, 0x0A, 0x02, 0x1E, 0, 0, 0}, 120, {30, 1, 10, 2}},
        {{0xFE, 0x00, 0x01, 0x02, 0xD9, 0x03, 0x00, 0, 0, 0}, 32, {0, 2, 217, 3}},
        {{0xFD, 0x00, 0x00, 0x77, 0x77, 0x77, 0x2D, 0, 0, 0}, 28, {45, 1, 10, 2}},
        {{0x12, 0x01, 0x03, 0x01, 0x0A, 0x02, 0x1E, 0, 0, 0, 0x55, 0x66}, -1, {}},
        // Filter 12, index 730, Q 4, gain 46, filter 255.
        {{0xFE, 0x00, 0x0C, 0x01, 0x0A, 0x02, 0x1E, 0, 0, 0}, -1, {}},
        {{0xFE, 0x00, 0x03, 0x02, 0xDA, 0x02, 0x1E, 0, 0, 0}, -1, {}},
        {{0xFE, 0x00, 0x03, 0x01, 0x0A, 0x04, 0x1E, 0, 0, 0}, -1, {}},
        {{0xFD, 0x01, 0x03, 0x00, 0x00, 0x00, 0x2E, 0, 0, 0}, -1, {}},
        {{0xFD, 0x01, 0xFF, 0x00, 0x00, 0x00, 0x00, 0, 0, 0}, -1, {}},
    };
    for (const auto& [report, at, b] : reports) {
        const PresetImage before = program.channels.image;
        p.port.arrive(report);
        program.reports.PollDeviceReports();
        EXPECT_EQ(sent(), FrameList{frame({48})});
        EXPECT_EQ(p.port.bytesWaiting(), 0u);
        if (at < 0) {
            EXPECT_EQ(program.channels.image, before);
        } else {
            EXPECT_EQ(bytes(at, 4), b);
        }
    }
    EXPECT_EQ(shown(eq().Text1[15], eq().Text2[15], eq().Text2[1]),
              (Texts{"-15", "247.9", "20000"}));
    EXPECT_EQ(std::tuple(eq().HScroll20[15].Value(), eq().HScroll6[1].Value(),
                         eq().HScroll20[0].Value(), program.channels.model.NotchFrequency[1]),
              std::tuple(30, 729, 45, 20000.0));

    p.port.arrive({0xFD, 0x00, 0x03, 0, 0, 0, 0x10, 0, 0});  // nine bytes wait for the tenth
    program.reports.PollDeviceReports();
    EXPECT_EQ(std::tuple(p.port.bytesWaiting(), frames().size()), std::tuple(9u, 0u));
    p.port.arrive({0});
    program.reports.PollDeviceReports();
    EXPECT_EQ(std::tuple(image(40), frames()), std::tuple(0x10, FrameList{frame({48})}));
    program.link.DemoMode = true;  // demo mode reads nothing
    p.port.arrive({0xFD, 0x00, 0x03, 0, 0, 0, 0x20, 0, 0, 0});
    program.reports.PollDeviceReports();
    EXPECT_EQ(std::tuple(p.port.bytesWaiting(), image(40)), std::tuple(10u, 0x10));
}

TEST_F(Editor, ASearchStartsOnceAndStopsFourTimesOrTwiceForBoth) {
    eq().Check1[2].UserClick();                               // Right
    EXPECT_TRUE(program.SearchActive && eq().QueryUnload());  // the editor refuses to close
    EXPECT_EQ(sent(), FrameList{frame({10, 2, 5, 2, 0, 6, 1})});
    eq().Check1[2].UserClick();
    EXPECT_FALSE(program.SearchActive);
    const Bytes stop = frame({10, 0, 3, 2, 0, 6, 0});
    EXPECT_EQ(sent(), FrameList(4, stop));
    eq().Check1[0].UserClick();  // both channels, with the Left settings
    eq().Check1[0].UserClick();
    EXPECT_EQ(sent(), (FrameList{frame({10, 0, 3, 2, 0, 6, 1}), stop, stop}));
    EXPECT_TRUE(p.dialogs.shown.empty());
}

TEST_F(Editor, ResetsAskThenSetOnlyTheGainOfTheirRowsClickedChannelFirst) {
    program.channels.image[28] = 12;
    loadImage(program.channels.image);
    p.dialogs.answers = {Answer::No, Answer::Yes, Answer::Yes, Answer::Yes};
    eq().Command1[0].UserClick();
    EXPECT_EQ(boxes(true),
              Texts{"Reset Filter: Reset all Notch filter automatic, Are you sure ? [Yes*/No]"});
    EXPECT_TRUE(frames().empty());
    eq().Command1[2].UserClick();
    // Left: filters 3..11 are manual; each gets one frame at 0 dB.
    auto f = sent();
    ASSERT_EQ(f.size(), 9u);
    for (std::size_t k = 0; k < 9; ++k) EXPECT_EQ(f[k], frame({7, 0, int(k) + 3, 1, 10, 2, 45}));
    eq().Command1[0].UserClick();
    EXPECT_EQ(std::tuple(sent().size(), image(28), eq().Text1[4].Text()), std::tuple(3u, 45, "0"));
    program.channels.LinkChannels = 1;
    eq().Command1[3].UserClick();  // Right manual: Right has 7 manual rows, Left 9
    f = frames();
    ASSERT_EQ(f.size(), 16u);
    EXPECT_EQ(std::tuple(f[0][3], f[6][3], f[7][3], image(132)), std::tuple(1, 1, 0, 45));
}

}  // namespace
}  // namespace vx470
