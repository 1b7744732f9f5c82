#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

#include "core/program.h"
#include "desktop/bindings.h"
#include "desktop/gate.h"
#include "desktop/program_text.h"
#include "tests/desktop/qt_printers.h"
#include "tests/fakes/fakes.h"

namespace vx470::desktop {
namespace {

// Controls of their own bound to widgets, with the gate of a program on fakes. Every entry
// the binders make ends with the gate's `returned`, so a program change that leaks back into
// the program shows up as an entry.
class BindingsTest : public ::testing::Test {
  protected:
    test::FakePlatform p;
    Program program{Platform{p.port, p.clock, p.dialogs, p.fileDialogs, p.host}};
    Gate gate{program};
    QSignalSpy entries{&gate, &Gate::returned};
    QWidget parent;
};

TEST_F(BindingsTest, ScrollBarShowsProgramChangesQuietlyAndTakesEveryUserValue) {
    ScrollBar bar(0, 45);
    std::vector<int> seen;
    bar.Change = [&] { seen.push_back(bar.Value()); };
    auto* w = new QScrollBar(Qt::Horizontal, &parent);
    BindScrollBar(gate, w, bar);
    bar.SetValue(30);
    bar.SetRange(0, 11);  // the widget clamps too, and must not hand that back
    EXPECT_EQ(w->value(), 11);
    EXPECT_EQ(entries.count(), 0);

    w->triggerAction(QAbstractSlider::SliderSingleStepSub);
    w->setSliderDown(true);  // dragging the thumb reports every position
    w->setSliderPosition(2);
    w->setSliderDown(false);
    EXPECT_EQ(seen, (std::vector<int>{30, 10, 2}));
    // A handler that puts its own bar elsewhere: the widget shows where it ended.
    bar.Change = [&] { bar.SetValue(0); };
    w->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(w->value(), 0);
    bar.SetEnabled(false);
    w->setValue(5);
    EXPECT_EQ(bar.Value(), 0);
    EXPECT_EQ(w->value(), 0);
}

// A text box whose KeyPress passes digits and Backspace, swallows Enter and answers anything
// else with '?', as the editor's do.
class TextBoxBindingTest : public BindingsTest {
  protected:
    TextBoxBindingTest() {
        box.KeyPress = [this](int key) {
            keys.push_back(key);
            if ((key >= '0' && key <= '9') || key == Key::Backspace) return key;
            return key == Key::Enter ? 0 : int{'?'};
        };
        box.SetText("123");
        BindTextBox(gate, edit, box, "Freq");
    }
    void type(const QString& text) {
        QKeyEvent key(QEvent::KeyPress, 0, Qt::NoModifier, text);
        QCoreApplication::sendEvent(edit, &key);
    }

    TextBox box;
    std::vector<int> keys;
    TextBoxEdit* edit = new TextBoxEdit(&parent);
};

TEST_F(TextBoxBindingTest, CharacterKeysGoThroughKeyPressAtTheWidgetsCaret) {
    edit->setCursorPosition(1);
    QTest::keyClicks(edit, "9x");
    type(QString::fromUtf8("\u20AC\u0436"));  // Windows-1252 0x80, and no code at all
    EXPECT_EQ(edit->text(), "19???23");
    EXPECT_EQ(edit->cursorPosition(), 5);
    edit->setSelection(1, 5);
    QTest::keyClick(edit, Qt::Key_Backspace);
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(box.Text(), "13");
    EXPECT_EQ(edit->text(), "13");
    EXPECT_EQ(keys, (std::vector<int>{'9', 'x', 0x80, '?', Key::Backspace, Key::Enter}));
}

TEST_F(TextBoxBindingTest, OtherEditsPassAsAWholeTextAndARefusedOneIsTakenBack) {
    edit->setCursorPosition(0);
    QTest::keyClick(edit, Qt::Key_Delete);
    EXPECT_EQ(box.Text(), "23");
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);  // a shortcut, not a character
    QGuiApplication::clipboard()->setText(QString::fromUtf8("4\u00E9\u0436"));
    edit->paste();
    EXPECT_EQ(box.Text(), "4\xE9?");
    EXPECT_EQ(edit->text(), FromProgramText("4\xE9?"));
    EXPECT_TRUE(keys.empty());

    box.Locked = true;
    box.Refresh();
    EXPECT_TRUE(edit->isReadOnly());
    QTest::keyClicks(edit, "5");
    box.Locked = false;
    box.SetEnabled(false);
    edit->insert("9");
    EXPECT_EQ(edit->text(), FromProgramText("4\xE9?"));
    EXPECT_TRUE(keys.empty());
}

TEST(ProgramText, EveryByteIsOneCharacterBothWays) {
    std::string all;
    for (int c = 0; c < 256; ++c) all.push_back(static_cast<char>(c));
    EXPECT_EQ(FromProgramText(all).size(), 256);
    EXPECT_EQ(ToProgramText(FromProgramText(all)), all);
}

TEST_F(BindingsTest, FormPointerAndClosingAndAWidgetThatDiesFirst) {
    Form form;
    form.QueryUnload = [] { return true; };
    auto* window = new QWidget;
    BindForm(window, form);
    form.SetMousePointer(MousePointer::ArrowHourglass);
    EXPECT_EQ(window->cursor().shape(), Qt::BusyCursor);
    EXPECT_FALSE(FormAllowsClose(gate, form));

    form.QueryUnload = []() -> bool { throw ProgramEnd(3); };
    EXPECT_TRUE(FormAllowsClose(gate, form));
    EXPECT_TRUE(gate.ended());
    delete window;
    form.SetMousePointer(MousePointer::Default);
    form.SetCaption("after");
}

}  // namespace
}  // namespace vx470::desktop
