#include <gtest/gtest.h>

#include "core/controls/controls.h"

namespace vx470 {
namespace {

TEST(ScrollBarControl, ChangeOnlyWhenTheValueChangesAndAlwaysInRange) {
    ScrollBar bar(0, 45);
    int changes = 0;
    bar.Change = [&] { ++changes; };
    bar.SetValue(10);
    bar.SetValue(10);
    EXPECT_EQ(changes, 1);
    bar.SetValue(99);
    EXPECT_EQ(bar.Value(), 45);
    bar.SetValue(-3);
    EXPECT_EQ(bar.Value(), 0);
    EXPECT_EQ(changes, 3);
    bar.UserStep(1);
    EXPECT_EQ(bar.Value(), 1);
}

TEST(ScrollBarControl, AUserCannotMoveABarInADisabledFrame) {
    Frame frame;
    ScrollBar bar(0, 3);
    bar.SetContainer(&frame);
    frame.SetEnabled(false);
    EXPECT_TRUE(bar.Enabled());
    EXPECT_FALSE(bar.EffectiveEnabled());
    bar.UserSetValue(2);
    EXPECT_EQ(bar.Value(), 0);
    bar.SetValue(2);  // code still can
    EXPECT_EQ(bar.Value(), 2);
}

TEST(CheckBoxControl, ClickFollowsEveryChangeOfTheTick) {
    CheckBox box;
    int clicks = 0;
    box.Click = [&] { ++clicks; };
    box.UserClick();
    box.SetValue(1);
    box.SetValue(0);
    EXPECT_EQ(clicks, 2);
    box.SetEnabled(false);
    box.UserClick();
    EXPECT_EQ(box.Value(), 0);
}

TEST(TextBoxControl, KeysGoThroughKeyPressAtTheCaret) {
    TextBox box;
    box.KeyPress = [](int key) { return key == 'x' ? 0 : key == 'y' ? '?' : key; };
    box.UserType("12x3y");
    EXPECT_EQ(box.Text(), "123?");
    box.SetSelection(1, 2);
    box.UserKey('9');
    EXPECT_EQ(box.Text(), "19?");
    box.SetSelection(1, 0);
    box.UserKey(8);  // Backspace
    EXPECT_EQ(box.Text(), "9?");
    box.SetSelection(0, 0);
    box.UserKey(8);
    EXPECT_EQ(box.Text(), "9?");
    box.UserKey(13);  // Enter inserts nothing
    box.UserKey(300);
    EXPECT_EQ(box.Text(), "9?");
}

TEST(TextBoxControl, MaxLengthAndLockedBoxes) {
    TextBox box;
    box.MaxLength = 3;
    box.UserType("abcdef");
    EXPECT_EQ(box.Text(), "abc");
    box.UserEdit("abcdefgh", 8);
    EXPECT_EQ(box.Text(), "abc");
    box.Locked = true;
    box.UserType("z");
    EXPECT_EQ(box.Text(), "abc");
}

TEST(TextBoxControl, ViewHearsOfProgramChanges) {
    TextBox box;
    std::vector<ViewUpdate> updates;
    box.View = [&](ViewUpdate u) { updates.push_back(u); };
    box.SetText("1");
    box.Refresh();
    EXPECT_EQ(updates, (std::vector<ViewUpdate>{ViewUpdate::Changed, ViewUpdate::RepaintNow}));
}

TEST(ListBoxControl, SelectionStaysWithinTheItems) {
    ListBox list;
    int doubles = 0;
    list.DblClick = [&] { ++doubles; };
    list.UserDoubleClick(0);
    EXPECT_EQ(doubles, 0);
    list.AddItem("a");
    list.AddItem("b");
    list.SetListIndex(7);
    EXPECT_EQ(list.ListIndex(), 1);
    list.UserDoubleClick(0);
    EXPECT_EQ(doubles, 1);
    EXPECT_EQ(list.SelectedText(), "a");
}

TEST(Numbers, ParseAcceptsOnlyPlainNumbers) {
    EXPECT_EQ(ParseNumber("1000"), 1000.0);
    EXPECT_EQ(ParseNumber(" -45 "), -45.0);
    EXPECT_EQ(ParseNumber("247.9"), 247.9);
    EXPECT_EQ(ParseNumber("247.90"), 247.9);
    EXPECT_EQ(ParseNumber(".5"), 0.5);
    for (const char* junk : {"", "-", "+", "1-2", "?", "12?", "1e5", "1.2.3", " ", "0x10", "."}) {
        EXPECT_FALSE(ParseNumber(junk).has_value()) << junk;
    }
    EXPECT_GT(*ParseNumber(std::string(400, '9')), 1e300);
}

TEST(Numbers, FormatWritesNoTrailingZeros) {
    EXPECT_EQ(FormatNumber(20), "20");
    EXPECT_EQ(FormatNumber(20.05), "20.05");
    EXPECT_EQ(FormatNumber(247.9), "247.9");
    EXPECT_EQ(FormatNumber(20000), "20000");
    EXPECT_EQ(FormatNumber(-0.0), "0");
}

}  // namespace
}  // namespace vx470
