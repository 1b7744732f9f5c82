#include "tests/desktop/desktop_fixture.h"

namespace vx470::desktop {
namespace {

// Controls of their own bound to widgets. Every entry the binders make ends with the gate's
// `returned`, so a program change that leaks back into the program shows up as an entry.
using BindingsTest = DesktopTest;

TEST_F(BindingsTest, ProgramChangesShowQuietlyAndUserInputGoesThroughTheControl) {
    ScrollBar bar(0, 45);
    std::vector<int> seen;
    bar.Change = [&] { seen.push_back(bar.Value()); };
    auto* w = new QScrollBar(Qt::Horizontal, window.get());
    BindScrollBar(gate, w, bar);
    QSignalSpy entries(&gate, &Gate::returned);
    bar.SetValue(30);
    bar.SetRange(0, 11);  // the widget clamps too, and must not hand that back
    EXPECT_EQ(w->value(), 11);
    EXPECT_EQ(entries.count(), 0);
    w->setSliderDown(true);  // dragging the thumb reports every position
    w->setSliderPosition(2);
    w->setSliderPosition(3);
    EXPECT_EQ(seen, (std::vector<int>{30, 2, 3}));

    TextBox box;  // passes digits, Backspace and beyond ASCII, swallows Enter, the rest is '?'
    std::vector<int> keys;
    box.KeyPress = [&](int key) {
        keys.push_back(key);
        if ((key >= '0' && key <= '9') || key >= 0x80 || key == Key::Backspace) return key;
        return key == Key::Enter ? 0 : int{'?'};
    };
    box.SetText("123");
    auto* edit = new TextBoxEdit;
    BindTextBox(gate, edit, box);
    edit->setCursorPosition(1);
    QTest::keyClicks(edit, "9x");
    type(edit, QString::fromUtf8("\u20AC\u0436"));
    EXPECT_EQ(edit->text(), QString::fromUtf8("19?\u20AC\u043623"));
    EXPECT_EQ(edit->cursorPosition(), 5);
    edit->setSelection(1, 5);
    QTest::keyClicks(edit, "\b\r");
    EXPECT_EQ(edit->text(), "13");

    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);  // a shortcut, not a character
    QGuiApplication::clipboard()->setText(QString::fromUtf8("4\u00E9\u0436"));
    edit->paste();
    EXPECT_EQ(box.Text(), "4\u00E9\u0436");
    EXPECT_EQ(edit->text(), FromProgramText(box.Text()));
    box.SetEnabled(false);
    edit->insert("9");  // refused, and taken back
    EXPECT_EQ(edit->text(), QString::fromUtf8("4\u00E9\u0436"));
    EXPECT_EQ(keys, (std::vector<int>{'9', 'x', 0x20AC, 0x436, Key::Backspace, Key::Enter}));
    delete edit;  // a widget may die before its control
    box.SetText("7");
}

// While an entry runs, only the widgets of the modal form on top may enter, and none while a
// box is open over it; a widget that was refused shows the program's value again.
TEST_F(BindingsTest, OneEntryAtATimeAndOnlyTheModalFormsOwnWidgets) {
    ScrollBar bar(0, 45);
    Button inDialog, outside;
    int clicks = 0;
    inDialog.Click = outside.Click = [&] { ++clicks; };
    auto* w = new QScrollBar(Qt::Horizontal, window.get());
    BindScrollBar(gate, w, bar);
    QDialog dialog;
    auto* own = new QPushButton(&dialog);
    auto* other = new QPushButton(window.get());
    BindButton(gate, own, inDialog);
    BindButton(gate, other, outside);
    QMainWindow closing;
    bool closed = false;
    gate.enter(nullptr, [&] {
        w->setValue(7);  // a scroll bar repeating on its own
        EXPECT_EQ(std::pair(bar.Value(), w->value()), std::pair(0, 0));
        const Gate::Modal form(gate, &dialog);
        own->click();
        other->click();
        {
            const Gate::Modal box(gate, nullptr);
            own->click();
        }
        Form f;
        f.QueryUnload = [&] { return closed = true, false; };
        EXPECT_FALSE(FormAllowsClose(gate, f, &closing));  // a window the program cannot ask
    });
    EXPECT_EQ(std::pair(clicks, closed), std::pair(1, false));
    w->setValue(7);
    EXPECT_EQ(bar.Value(), 7);
}

}  // namespace
}  // namespace vx470::desktop
