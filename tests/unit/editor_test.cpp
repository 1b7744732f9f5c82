// The editor on the sample image, for what the black-box suite cannot see:
// rejected keys and unconfirmed entries, link rules, the device bytes of a
// copy, reports from the unit, a search of both channels and a linked reset.
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

TEST_F(Editor, RejectedKeysWarnAndLeaveAQuestionMarkAndDisabledRowsTakeNoInput) {
    // The box, its text, the keys; the text afterwards and how many warnings that
    // was.
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
    eq().Text1[2].UserType("-7");  // Left's rows 0..2 are the unit's
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

TEST_F(Editor, ReportsPlaceWhatControlsCanShowAndAreAllAcknowledged) {
    program.channels.image[28] = 0;
    loadImage(program.channels.image);
    // A report, the image offset and the bytes it holds afterwards; -1: nothing
    // changes.
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
        EXPECT_EQ(std::tuple(sent(), p.port.bytesWaiting()),
                  std::tuple(FrameList{frame({48})}, 0u));
        EXPECT_TRUE(at < 0 ? program.channels.image == before : bytes(at, 4) == b) << at;
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

TEST_F(Editor, ASearchOfBothChannelsStartsOnceWithTheLeftSettingsAndStopsTwice) {
    eq().Check1[0].UserClick();
    EXPECT_TRUE(program.SearchActive && eq().QueryUnload());  // the editor refuses to close
    eq().Check1[0].UserClick();
    const Bytes stop = frame({10, 0, 3, 2, 0, 6, 0});
    EXPECT_EQ(sent(), (FrameList{frame({10, 0, 3, 2, 0, 6, 1}), stop, stop}));
    EXPECT_FALSE(program.SearchActive);
}

}  // namespace
}  // namespace vx470
