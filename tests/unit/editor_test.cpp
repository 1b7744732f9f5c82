// The editor on the sample image, for what the random sessions and the fuzz corpora do not
// tell: what a typed entry becomes, the warnings of rejected keys, an unconfirmed entry taken
// by a scroll step and the device bytes a copy leaves alone. (Reports out of range or in two
// pieces: fuzz_device_reports' corpus.)
#include "core/device/parameters.h"
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

Bytes sent(const FrameArgs& a) {
    return frame({a[0], a[1], a[2], a[3], a[4], a[5], a[6]});
}

// Each edit names its step; undo brings back the image with the frames of just what the edit
// changed (a file load: every frame, as a load sends), and redo brings the edit back.
TEST_F(Editor, UndoNamesTheEditAndSendsJustTheFramesThatRestoreTheUnit) {
    const PresetImage start = program.channels.image;
    const auto notch = [&](int n) { return sent(NotchFrame(start, n)); };
    const auto load = [&] {
        test::TempDir dir;
        Bytes file(DefaultImage.begin(), DefaultImage.end());
        file.push_back(0);
        test::writeFile(dir.path() / "a.Fbk", file);
        p.fileDialogs.paths = {(dir.path() / "a.Fbk").string()};
        program.mainWindow.Command1[0].UserClick();
    };
    const std::tuple<std::function<void()>, std::string, FrameList> cases[] = {
        {[&] { eq().HScroll20[4].UserSetValue(20); }, "Undo Left notch 5 gain", {notch(4)}},
        {[&] { eq().HScroll6[18].UserSetValue(9); }, "Undo Right notch 7 frequency", {notch(18)}},
        {[&] { eq().Slider1[1].UserSetValue(2); },
         "Undo Right sensitivity",
         {sent(SectionFrame(start, 1, 2))}},
        {[&] { eq().HScroll4[0].UserSetValue(1 - eq().HScroll4[0].Value()); },
         "Undo Left release",
         {sent(ReleaseModeFrame(start, 0))}},
        // Left's manual notches all to 0 dB: only notch 4 was not.
        {[&] {
             p.dialogs.answers = {Answer::Yes};
             eq().Command1[2].UserClick();
         },
         "Undo Reset Left manual notches",
         {notch(4)}},
        {load, "Undo Load a.Fbk", {}},
    };
    program.history.Start();
    for (const auto& [edit, caption, restoring] : cases) {
        edit();
        const PresetImage after = program.channels.image;
        EXPECT_EQ(program.mainWindow.EditMenu[0].Caption, caption);
        p.port.writes.clear();
        program.mainWindow.EditMenu[0].UserClick();
        EXPECT_EQ(program.channels.image, start) << caption;
        // A whole image goes back as a file loads: 24 notches, 4 + 2 settings frames each side.
        if (restoring.empty()) {
            EXPECT_EQ(frames().size(), 36u) << caption;
        } else {
            EXPECT_EQ(frames(), restoring) << caption;
        }
        EXPECT_EQ(program.mainWindow.EditMenu[1].Caption, "Redo" + caption.substr(4));
        program.mainWindow.EditMenu[1].UserClick();
        EXPECT_EQ(program.channels.image, after) << caption;
        program.mainWindow.EditMenu[0].UserClick();
        p.dialogs.shown.clear();
    }
}

// Repeats of one edit within a second are one step; a new edit after an undo drops the redo;
// a search greys both and refuses them; linked channels stay linked through an undo.
TEST_F(Editor, HistoryMergesRepeatsDropsRedoOnANewEditAndWaitsOutASearch) {
    p.dialogs.answers = {Answer::Yes};
    eq().Check2.SetValue(1);
    program.history.Start();
    const PresetImage start = program.channels.image;
    for (int v : {40, 39, 38}) eq().HScroll20[5].UserSetValue(v);
    p.clock.advance(std::chrono::seconds(2));
    eq().HScroll20[5].UserSetValue(37);
    EditHistory& h = program.history;
    h.Undo();
    h.Undo();
    EXPECT_EQ(std::tuple(program.channels.image, h.CanUndo(), program.channels.LinkChannels),
              std::tuple(start, false, 1));
    eq().HScroll30[6].UserSetValue(1);
    EXPECT_EQ(std::pair(h.CanRedo(), h.UndoCaption()),
              std::pair(false, std::string("Undo Left notch 7 Q")));
    eq().Check1[1].UserClick();
    Button& undo = program.mainWindow.EditMenu[0];
    EXPECT_FALSE(undo.Enabled());
    p.port.writes.clear();
    h.Undo();
    EXPECT_EQ(frames(), FrameList{});
    eq().Check1[1].UserClick();
    EXPECT_TRUE(undo.Enabled());
}

// A handle follows its notch; a drag moves frequency and gain in one frame per new step and
// takes the linked partner along; automatic notches and a search's locked rows have none.
TEST_F(Editor, ADraggedHandleSendsOneFramePerStepAndAutomaticNotchesHaveNone) {
    NotchDrag& d = program.notchDrag;
    const auto handles = d.Handles(0);
    ASSERT_EQ(handles.size(), 9u);  // Left has three automatic notches
    EXPECT_EQ(handles.front().notch, 3);
    const NotchDrag::Handle h = handles[1];
    EXPECT_FALSE(d.Press(0, h.x + 20, h.y));
    p.dialogs.answers = {Answer::Yes};
    eq().Check2.SetValue(1);
    p.port.writes.clear();
    const std::string lower =
        std::to_string(int(program.channels.model.NotchGainDb[std::size_t(h.notch)]) - 10);
    ASSERT_TRUE(d.Press(0, h.x + 2, h.y));
    d.Move(h.x + 2.4, h.y + 0.2);  // the same step: nothing
    d.Move(h.x + 52, h.y + 33);
    d.Release(h.x + 52, h.y + 33);
    const std::size_t n = std::size_t(h.notch);
    EXPECT_EQ(std::pair(eq().Text1[n].Text(), eq().Text1[n + 12].Text()), std::pair(lower, lower));
    EXPECT_EQ(eq().HScroll6[n + 12].Value(), eq().HScroll6[n].Value());
    EXPECT_EQ(frames(), (FrameList{sent(NotchFrame(program.channels.image, h.notch)),
                                   sent(NotchFrame(program.channels.image, h.notch + 12))}));
    EXPECT_NEAR(d.Handles(0)[1].x, h.x + 50, 1.0);
    eq().Check1[1].UserClick();
    EXPECT_TRUE(d.Handles(0).empty());
}

}  // namespace
}  // namespace vx470
