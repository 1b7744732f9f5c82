// The editor on the sample image, for what the random sessions, the fuzz corpora and the
// black-box scenarios do not tell: the warnings of rejected keys, an unconfirmed entry taken
// by a scroll step, the device bytes a copy leaves alone, the names and images of undo, and
// which notches have handles.
#include "tests/unit/program_fixture.h"

namespace vx470 {
namespace {

using test::Bytes;
using test::frame;
using test::FrameList;
using test::Texts;

using Editor = test::ProgramTest;

// What accepted entries snap to: blackbox_editing's typed_entries.
TEST_F(Editor, RejectedKeysWarnAndLeaveAQuestionMark) {
    const std::string value = "Warning:   Incorrect value [OK]";
    const std::string frequency = "Warning:   Incorrect frequency value [OK]";
    // The box, its text, the keys; the text afterwards and the warnings shown.
    const std::tuple<TextBox*, const char*, const char*, const char*, Texts> cases[] = {
        {&eq().Text1[4], "-1", ".+\r", "-1???", Texts(3, value)},
        {&eq().Text2[4], "50", "-a", "50??", Texts(2, frequency)},
        {&eq().Text4[1], "7", "a\r", "7??", Texts(2, value)}};
    for (const auto& [box, before, keys, after, warnings] : cases) {
        p.dialogs.shown.clear();
        box->SetText(before);
        box->UserType(keys);
        EXPECT_EQ(std::pair(box->Text(), boxes(true)), std::pair(std::string(after), warnings))
            << keys;
    }
    EXPECT_EQ(frames(), FrameList{});
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

// Each edit names its step; undo brings back the image and redo the edit. (The frames they
// send: the random sessions.)
TEST_F(Editor, UndoNamesTheEditAndBringsBackTheImage) {
    const PresetImage start = program.channels.image;
    const auto load = [&] {
        test::TempDir dir;
        Bytes file(DefaultImage.begin(), DefaultImage.end());
        file.push_back(0);
        test::writeFile(dir.path() / "a.Fbk", file);
        p.fileDialogs.paths = {(dir.path() / "a.Fbk").string()};
        program.mainWindow.Command1[0].UserClick();
    };
    const std::pair<std::function<void()>, std::string> cases[] = {
        {[&] { eq().HScroll20[4].UserSetValue(20); }, "Undo Left notch 5 gain"},
        {[&] { eq().HScroll6[18].UserSetValue(9); }, "Undo Right notch 7 frequency"},
        {[&] { eq().Slider1[1].UserSetValue(2); }, "Undo Right sensitivity"},
        {[&] { eq().HScroll4[0].UserSetValue(1 - eq().HScroll4[0].Value()); }, "Undo Left release"},
        {[&] {
             p.dialogs.answers = {Answer::Yes};
             eq().Command1[2].UserClick();
         },
         "Undo Reset Left manual notches"},
        {load, "Undo Load a.Fbk"},
    };
    program.history.Start();
    for (const auto& [edit, caption] : cases) {
        edit();
        const PresetImage after = program.channels.image;
        EXPECT_EQ(program.mainWindow.EditMenu[0].Caption, caption);
        program.mainWindow.EditMenu[0].UserClick();
        EXPECT_EQ(program.channels.image, start) << caption;
        EXPECT_EQ(program.mainWindow.EditMenu[1].Caption, "Redo" + caption.substr(4));
        program.mainWindow.EditMenu[1].UserClick();
        EXPECT_EQ(program.channels.image, after) << caption;
        program.mainWindow.EditMenu[0].UserClick();
        p.dialogs.shown.clear();
    }
}

// Repeats of one edit within a second are one step; a new edit after an undo drops the redo;
// linked channels stay linked through an undo. (A search greys both: blackbox_curve.)
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
}

// Automatic notches have no handle, and a press beside one takes nothing. (What a drag sends
// and shows: the random sessions and blackbox_curve.)
TEST_F(Editor, AutomaticNotchesHaveNoHandleAndAPressBesideOneTakesNothing) {
    NotchDrag& d = program.notchDrag;
    const auto handles = d.Handles(0);
    ASSERT_EQ(handles.size(), 9u);  // Left has three automatic notches
    EXPECT_EQ(handles.front().notch, 3);
    EXPECT_FALSE(d.Press(0, handles[1].x + 20, handles[1].y));
    EXPECT_TRUE(d.Press(0, handles[1].x + 2, handles[1].y));
}

}  // namespace
}  // namespace vx470
