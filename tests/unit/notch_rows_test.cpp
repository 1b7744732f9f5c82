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

class NotchRows : public test::ProgramTest {};

TEST_F(NotchRows, ScrollStepsSendTheNotchFrameWriteTheRecordAndShowTheirTexts) {
    // Right filter 5 (notch 17) to frequency index 266.
    eq().HScroll6[17].UserSetValue(100);
    p.port.writes.clear();
    eq().HScroll6[17].UserSetValue(266);
    EXPECT_EQ(sent(), (FrameList{frame({7, 1, 5, 1, 10, 2, 45})}));
    EXPECT_EQ(bytes(128, 4), (Bytes{45, 1, 10, 2}));
    EXPECT_EQ(eq().Text2[17].Text(), "247.9");
    EXPECT_EQ(program.channels.model.NotchFrequency[17], 247.9);

    eq().HScroll20[5].UserSetValue(0);
    EXPECT_EQ(eq().Text1[5].Text(), "-45");
    EXPECT_EQ(program.channels.model.NotchGainDb[5], -45);
    eq().HScroll20[5].UserSetValue(45);
    EXPECT_EQ(eq().Text1[5].Text(), "0");
    for (auto [q, name] : {std::pair{0, "1/70"}, {1, "1/20"}, {3, "1/5"}, {2, "1/10"}}) {
        eq().HScroll30[5].UserSetValue(q);
        EXPECT_EQ(eq().Text3[5].Text(), name);
        EXPECT_EQ(image(48 + 3), q);
    }
    EXPECT_EQ(frames().size(), 6u);
    EXPECT_EQ(sent().back(), frame({7, 0, 5, 1, 10, 2, 45}));

    program.IgnoreControlEvents = true;  // a change made by the program itself
    eq().HScroll20[6].SetValue(3);
    program.IgnoreControlEvents = false;
    EXPECT_EQ(eq().Text1[6].Text(), "0");
    EXPECT_TRUE(frames().empty());
    EXPECT_EQ(image(52), 45);
}

TEST_F(NotchRows, TypedValuesClampAndSnapWithoutAWord) {
    // Row 3's frequency, row 4's gain (-15 dB): typed, shown, bar value.
    const std::tuple<std::size_t, const char*, const char*, int> cases[] = {
        {3, "1000", "1003", 413}, {3, "25000", "20000", 729}, {3, "5", "20", 0},
        {3, "248", "247.9", 266}, {4, "-50", "-45", 0},       {4, "3", "0", 45}};
    for (auto [row, typed, shown, value] : cases) {
        const bool frequency = row == 3;
        TextBox& box = frequency ? eq().Text2[row] : eq().Text1[row];
        enter(box, typed);
        EXPECT_EQ(box.Text(), shown) << typed;
        EXPECT_EQ((frequency ? eq().HScroll6[row] : eq().HScroll20[row]).Value(), value) << typed;
        EXPECT_EQ(sent(), (FrameList{frequency ? frame({7, 0, 3, value >> 8, value & 255, 2, 45})
                                               : frame({7, 0, 4, 1, 10, 2, value})}))
            << typed;
    }
    EXPECT_EQ(bytes(40, 8), (Bytes{45, 1, 10, 2, 45, 1, 10, 2}));
    EXPECT_EQ(eq().Text2[4].Text(), "247.9");
    EXPECT_TRUE(p.dialogs.shown.empty());
}

TEST_F(NotchRows, RejectedKeysWarnAndLeaveAQuestionMark) {
    eq().Text1[4].SetText("-1");
    eq().Text1[4].UserKey('.');
    eq().Text1[4].UserKey('+');
    EXPECT_EQ(eq().Text1[4].Text(), "-1??");
    eq().Text1[4].UserKey(Key::Enter);  // "?" is not a number
    EXPECT_EQ(eq().Text1[4].Text(), "-1???");
    EXPECT_EQ(boxes(), Texts(3, "Warning:   Incorrect value"));
    EXPECT_EQ(p.dialogs.shown[2].buttons, MessageButtons::Ok);
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

TEST_F(NotchRows, LinkedChangesGoToTheEditedRowThenItsPartner) {
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
    EXPECT_EQ(frames(),
              (FrameList{frame({7, 0, 9, 1, 10, 2, 33}), frame({7, 1, 9, 1, 10, 2, 33})}));
}

TEST_F(NotchRows, EveryStepRedrawsOnlyItsChannelsCurve) {
    const auto left = program.graph.Picture1[0].Revision();
    const auto right = program.graph.Picture1[1].Revision();
    eq().HScroll20[8].UserSetValue(0);
    EXPECT_NE(program.graph.Picture1[0].Revision(), left);
    EXPECT_EQ(program.graph.Picture1[1].Revision(), right);
    // Notch 8 at 247.9 Hz, -45 dB (with notch 4's -15 dB there too): the curve dips to the
    // bottom of the picture around that column.
    const int x =
        static_cast<int>(std::nearbyint(Log10(247.9 / 20) * program.graph.PixelsPerDecade));
    bool deep = false;
    for (int xx = x - 2; xx <= x + 2; ++xx)
        for (int y = 180; y < Canvas::Height; ++y)
            deep |= program.graph.Picture1[0].Pixel(xx, y) == ResponseGraph::CurveColor[0];
    EXPECT_TRUE(deep);
}

TEST_F(NotchRows, DisabledRowsTakeNoInput) {
    // Left has three automatic notches: rows 0..2 are the unit's.
    EXPECT_FALSE(eq().HScroll20[2].EffectiveEnabled());
    EXPECT_TRUE(eq().HScroll20[3].EffectiveEnabled());
    eq().HScroll20[2].UserSetValue(0);
    eq().Text1[2].UserType("-7");
    EXPECT_EQ(eq().HScroll20[2].Value(), 45);
    EXPECT_EQ(eq().Text1[2].Text(), "0");
    EXPECT_TRUE(frames().empty());
}

}  // namespace
}  // namespace vx470
