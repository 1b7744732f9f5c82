// The editor on the sample image, for what the random sessions and the fuzz corpora do not
// tell: what a typed entry becomes, the warnings of rejected keys, an unconfirmed entry taken
// by a scroll step, the device bytes a copy leaves alone, and reports out of range or in two
// pieces.
#include "tests/unit/program_fixture.h"

namespace vx470 {
namespace {

using test::Bytes;
using test::frame;
using test::FrameList;
using test::Texts;

using Editor = test::ProgramTest;

TEST_F(Editor, EntriesSnapToTheUnitsStepsAndRejectedKeysWarnAndLeaveAQuestionMark) {
    const std::string value = "Warning:   Incorrect value [OK]";
    const std::string frequency = "Warning:   Incorrect frequency value [OK]";
    // The box, its text, the keys; the text afterwards and the warnings shown.
    const std::tuple<TextBox*, const char*, const char*, const char*, Texts> cases[] = {
        {&eq().Text1[4], "-1", ".+\r", "-1???", Texts(3, value)},
        {&eq().Text2[4], "50", "-a", "50??", Texts(2, frequency)},
        {&eq().Text4[1], "7", "a\r", "7??", Texts(2, value)},
        {&eq().Text2[4], "", "1000\r", "1003", {}},
        {&eq().Text1[4], "", "-50\r", "-45", {}},
        {&eq().Text4[1], "", "20\r", "16", {}}};
    for (const auto& [box, before, keys, after, warnings] : cases) {
        p.dialogs.shown.clear();
        box->SetText(before);
        box->UserType(keys);
        EXPECT_EQ(std::pair(box->Text(), boxes(true)), std::pair(std::string(after), warnings))
            << keys;
    }
    EXPECT_EQ(frames(), (FrameList{frame({7, 0, 4, 1, 157, 2, 30}), frame({7, 0, 4, 1, 157, 2, 0}),
                                   frame({10, 2, 5, 2, 0, 15})}));
}

TEST_F(Editor, AScrollStepTakesAnUnconfirmedFrequencyOrForJunkTheBarsOne) {
    eq().Text2[5].SetText("12?");
    eq().HScroll20[5].UserSetValue(20);
    eq().Text2[6].SetText("1000");  // typed, no Enter
    eq().HScroll30[6].UserSetValue(0);
    EXPECT_EQ(std::tuple(eq().Text2[5].Text(), eq().Text2[6].Text(), eq().HScroll6[6].Value()),
              std::tuple("247.9", "1003", 413));
    EXPECT_EQ(frames(),
              (FrameList{frame({7, 0, 5, 1, 10, 2, 20}), frame({7, 0, 6, 1, 157, 0, 45})}));
}

TEST_F(Editor, CopiesLeaveTheBytesTheEditorNeverDecodesAlone) {
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
}

TEST_F(Editor, ReportsNoControlCanShowChangeNothingAndAReportWaitsForItsTenthByte) {
    const PresetImage before = program.channels.image;
    // Q 4 and gain 46 of a notch report, gain 46 and filter 255 of a gain report; the gains
    // go to notches not at 0 dB, where a clamped 46 would show.
    for (const Bytes& report :
         {Bytes{0xFE, 0, 3, 1, 10, 4, 30, 0, 0, 0}, Bytes{0xFE, 0, 4, 1, 10, 2, 46, 0, 0, 0},
          Bytes{0xFD, 1, 6, 0, 0, 0, 46, 0, 0, 0}, Bytes{0xFD, 1, 255, 0, 0, 0, 0, 0, 0, 0}}) {
        p.port.arrive(report);
        program.reports.PollDeviceReports();
    }
    EXPECT_EQ(frames(), FrameList(4, frame({48})));  // each still acknowledged
    EXPECT_EQ(program.channels.image, before);
    p.port.writes.clear();
    p.port.arrive({0xFD, 0, 3, 0, 0, 0, 0x10, 0, 0});
    program.reports.PollDeviceReports();
    EXPECT_EQ(std::tuple(p.port.bytesWaiting(), frames().size()), std::tuple(9u, 0u));
    p.port.arrive({0});
    program.reports.PollDeviceReports();
    EXPECT_EQ(std::tuple(image(40), frames()), std::tuple(0x10, FrameList{frame({48})}));
}

}  // namespace
}  // namespace vx470
