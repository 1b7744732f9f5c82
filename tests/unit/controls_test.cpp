#include <gtest/gtest.h>

#include "core/controls/controls.h"

namespace vx470 {
namespace {

TEST(Controls, ValuesRaiseTheirEventOnlyWhenTheyChangeAndStayInRange) {
    ScrollBar bar(0, 45);
    CheckBox box;
    int changes = 0;
    bar.Change = [&] { ++changes; };
    box.Click = [&] { ++changes; };
    bar.SetValue(10);
    bar.SetValue(10);
    bar.SetValue(99);
    EXPECT_EQ(bar.Value(), 45);
    bar.SetValue(-3);
    EXPECT_EQ(bar.Value(), 0);
    box.UserClick();
    box.SetValue(1);
    EXPECT_EQ(changes, 4);
}

TEST(Controls, NothingReachesAControlInADisabledFrameFromTheUser) {
    Frame frame;
    ScrollBar bar(0, 3);
    CheckBox box;
    TextBox text;
    ListBox list;
    list.AddItem("a");
    int events = 0;
    list.DblClick = [&] { ++events; };
    for (Control* c : std::initializer_list<Control*>{&bar, &box, &text, &list})
        c->SetContainer(&frame);
    frame.SetEnabled(false);
    bar.UserSetValue(2);
    box.UserClick();
    text.UserType("12");
    text.UserEdit("34", 2);
    list.UserDoubleClick(0);
    EXPECT_EQ(bar.Value(), 0);
    EXPECT_EQ(box.Value(), 0);
    EXPECT_EQ(text.Text(), "");
    EXPECT_EQ(events, 0);
    bar.SetValue(2);  // code still can
    EXPECT_EQ(bar.Value(), 2);
}

TEST(Controls, TypedKeysGoThroughKeyPressAtTheCaret) {
    TextBox box;
    box.KeyPress = [](int key) { return key == 'x' ? 0 : key == 'y' ? '?' : key; };
    box.UserType("12x3y");
    EXPECT_EQ(box.Text(), "123?");
    box.SetSelection(1, 2);
    box.UserKey('9');
    EXPECT_EQ(box.Text(), "19?");
    box.SetSelection(1, 0);
    for (int key : {8, 13, 0x110000}) box.UserKey(key);  // Backspace; Enter and junk insert nothing
    EXPECT_EQ(box.Text(), "9?");
    box.MaxLength = 3;
    box.UserType("abcd");
    EXPECT_EQ(box.Text(), "a9?");
    box.Locked = true;
    box.UserEdit("zz", 2);
    EXPECT_EQ(box.Text(), "a9?");
}

TEST(Numbers, OnlyPlainNumbersParseAndNumbersPrintWithoutTrailingZeros) {
    EXPECT_EQ(ParseNumber(" -45 "), -45.0);
    EXPECT_EQ(ParseNumber("247.90"), 247.9);
    for (const char* junk : {"", "-", "+", "1-2", "?", "12?", "1e5", "1.2.3", " ", "0x10", "."}) {
        EXPECT_FALSE(ParseNumber(junk).has_value()) << junk;
    }
    EXPECT_GT(*ParseNumber(std::string(400, '9')), 1e300);
    EXPECT_EQ(FormatNumber(20.05), "20.05");
    EXPECT_EQ(FormatNumber(20000), "20000");
    EXPECT_EQ(FormatNumber(-0.0), "0");
}

}  // namespace
}  // namespace vx470
