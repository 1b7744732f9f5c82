#include "tests/unit/program_fixture.h"

namespace vx470 {
namespace {

using test::Bytes;
using test::frame;

class NotchRows : public test::ProgramTest {};

TEST_F(NotchRows, FrequencyStepSendsTheNotchFrameAndWritesTheRecord) {
    // Right filter 5 (notch 17) to frequency index 266.
    eq().HScroll6[17].UserSetValue(100);
    p.port.writes.clear();
    eq().HScroll6[17].UserSetValue(266);
    EXPECT_EQ(frames(), (std::vector<Bytes>{frame({7, 1, 5, 1, 10, 2, 45})}));
    EXPECT_EQ(image(128), 45);
    EXPECT_EQ(image(129), 1);
    EXPECT_EQ(image(130), 10);
    EXPECT_EQ(image(131), 2);
    EXPECT_EQ(eq().Text2[17].Text(), "247.9");
    EXPECT_EQ(program.channels.model.NotchFrequency[17], 247.9);
}

TEST_F(NotchRows, GainAndQScrollsShowTheirTexts) {
    eq().HScroll20[5].UserSetValue(0);
    EXPECT_EQ(eq().Text1[5].Text(), "-45");
    EXPECT_EQ(program.channels.model.NotchGainDb[5], -45);
    eq().HScroll20[5].UserSetValue(45);
    EXPECT_EQ(eq().Text1[5].Text(), "0");
    const char* names[] = {"1/70", "1/20", "1/10", "1/5"};
    for (int q : {0, 1, 3, 2}) {
        eq().HScroll30[5].UserSetValue(q);
        EXPECT_EQ(eq().Text3[5].Text(), names[q]);
        EXPECT_EQ(image(48 + 3), q);
    }
    EXPECT_EQ(frames().size(), 6u);
    EXPECT_EQ(frames().back(), frame({7, 0, 5, 1, 10, 2, 45}));
}

TEST_F(NotchRows, ChangesUnderIgnoreControlEventsDoNothing) {
    program.IgnoreControlEvents = true;
    eq().HScroll20[6].SetValue(3);
    program.IgnoreControlEvents = false;
    EXPECT_EQ(eq().Text1[6].Text(), "0");
    EXPECT_TRUE(frames().empty());
    EXPECT_EQ(image(52), 45);
}

TEST_F(NotchRows, TypedFrequenciesClampAndSnap) {
    struct Case {
        const char* typed;
        const char* shown;
        int index;
    };
    for (const Case c : {Case{"1000", "1003", 413}, Case{"25000", "20000", 729}, Case{"5", "20", 0},
                         Case{"248", "247.9", 266}}) {
        eq().Text2[3].SetText("");
        eq().Text2[3].UserType(c.typed);
        eq().Text2[3].UserKey(Key::Enter);
        EXPECT_EQ(eq().Text2[3].Text(), c.shown) << c.typed;
        EXPECT_EQ(eq().HScroll6[3].Value(), c.index) << c.typed;
        EXPECT_EQ(image(40 + 1) * 256 + image(40 + 2), c.index) << c.typed;
    }
    EXPECT_EQ(frames().size(), 4u);
    EXPECT_TRUE(p.dialogs.shown.empty());
}

TEST_F(NotchRows, TypedGainsClampToTheRangeAndLeaveTheFrequency) {
    eq().Text1[4].SetText("");
    eq().Text1[4].UserType("-50");
    eq().Text1[4].UserKey(Key::Enter);
    EXPECT_EQ(eq().Text1[4].Text(), "-45");
    EXPECT_EQ(eq().HScroll20[4].Value(), 0);
    EXPECT_EQ(eq().Text2[4].Text(), "247.9");
    eq().Text1[4].SetText("");
    eq().Text1[4].UserType("3");
    eq().Text1[4].UserKey(Key::Enter);
    EXPECT_EQ(eq().Text1[4].Text(), "0");
    EXPECT_EQ(eq().HScroll20[4].Value(), 45);
    EXPECT_EQ(frames(),
              (std::vector<Bytes>{frame({7, 0, 4, 1, 10, 2, 0}), frame({7, 0, 4, 1, 10, 2, 45})}));
}

TEST_F(NotchRows, RejectedKeysWarnAndLeaveAQuestionMark) {
    eq().Text1[4].SetText("-1");
    eq().Text1[4].UserKey('.');
    eq().Text1[4].UserKey('+');
    EXPECT_EQ(eq().Text1[4].Text(), "-1??");
    eq().Text1[4].UserKey(Key::Enter);  // "?" is not a number
    EXPECT_EQ(eq().Text1[4].Text(), "-1???");
    ASSERT_EQ(p.dialogs.shown.size(), 3u);
    for (const MessageBox& box : p.dialogs.shown) {
        EXPECT_EQ(box.text, "  Incorrect value");
        EXPECT_EQ(box.title, "Warning");
        EXPECT_EQ(box.buttons, MessageButtons::Ok);
    }
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

TEST_F(NotchRows, AScrollStepWithJunkInTheFrequencyBoxTakesTheBarsFrequency) {
    eq().Text2[5].SetText("12?");
    eq().HScroll20[5].UserSetValue(20);
    EXPECT_EQ(eq().Text2[5].Text(), "247.9");
    EXPECT_EQ(frames(), (std::vector<Bytes>{frame({7, 0, 5, 1, 10, 2, 20})}));
    EXPECT_EQ(program.channels.model.NotchFrequency[5], 247.9);
}

TEST_F(NotchRows, AnUnconfirmedTypedFrequencyIsWhatASendCarriesAndTheBarFollows) {
    eq().Text2[6].SetText("1000");  // typed, no Enter
    eq().HScroll30[6].UserSetValue(0);
    EXPECT_EQ(eq().Text2[6].Text(), "1003");
    EXPECT_EQ(eq().HScroll6[6].Value(), 413);
    EXPECT_EQ(frames(), (std::vector<Bytes>{frame({7, 0, 6, 1, 157, 0, 45})}));
}

TEST_F(NotchRows, LinkedChangesGoToTheEditedRowThenItsPartner) {
    program.channels.LinkChannels = 1;
    eq().HScroll6[3].UserSetValue(413);
    EXPECT_EQ(eq().HScroll6[15].Value(), 413);
    EXPECT_EQ(eq().Text2[15].Text(), "1003");
    EXPECT_EQ(frames(), (std::vector<Bytes>{frame({7, 0, 3, 1, 157, 2, 45}),
                                            frame({7, 1, 3, 1, 157, 2, 45})}));
    p.port.writes.clear();
    eq().HScroll30[20].UserSetValue(1);
    EXPECT_EQ(eq().Text3[8].Text(), "1/20");
    ASSERT_EQ(frames().size(), 2u);
    EXPECT_EQ(frames()[0][3], 1);  // the Right row first
    EXPECT_EQ(frames()[1][3], 0);
    p.port.writes.clear();
    eq().Text1[9].SetText("-12");
    eq().Text1[9].UserKey(Key::Enter);
    EXPECT_EQ(eq().Text1[21].Text(), "-12");
    EXPECT_EQ(image(NotchOffset[21]), 33);
    EXPECT_EQ(frames().size(), 2u);
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
    for (int xx = x - 2; xx <= x + 2; ++xx) {
        for (int y = 180; y < Canvas::Height; ++y) {
            deep |= program.graph.Picture1[0].Pixel(xx, y) == ResponseGraph::CurveColor[0];
        }
    }
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
