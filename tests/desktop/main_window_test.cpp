#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QScrollBar>
#include <QSlider>
#include <QTest>
#include <memory>

#include "desktop/bindings.h"
#include "desktop/editor_window.h"
#include "desktop/gate.h"
#include "desktop/main_window.h"
#include "desktop/preset_dialogs.h"
#include "desktop/program_text.h"
#include "tests/desktop/qt_printers.h"
#include "tests/desktop/window_checks.h"
#include "tests/unit/program_fixture.h"

namespace vx470::desktop {
namespace {

using test::Bytes;
using test::frame;

QString indexed(const char* name, int i) {
    return QStringLiteral("%1(%2)").arg(QLatin1String(name)).arg(i);
}

// The same program without a window, to compare what goes out.
class BareProgram final : public test::ProgramTest {
  public:
    void TestBody() override {}
    Program& get() { return program; }
    std::deque<Answer>& answers() { return p.dialogs.answers; }
    std::vector<Bytes> sent() const { return frames(); }
};

// The main window with its toolbar and the editor over a program on fakes, loaded with the
// sample image: Left has three automatic rows, Right five; Left notch 5 (n = 4) is at -15 dB.
class MainWindowTest : public test::ProgramTest {
  protected:
    // Editor controls by their Name (the toolbar's Command1 are ToolbarButton's).
    template <typename W = QWidget>
    W* find(const QString& name) const {
        W* w = window->Editor()->findChild<W*>(name);
        if (w == nullptr) w = window->findChild<W*>(name);
        EXPECT_NE(w, nullptr) << name.toStdString();
        return w;
    }
    template <typename W = QWidget>
    W* find(const char* name, int i) const {
        return find<W>(indexed(name, i));
    }
    QMdiSubWindow* editorFrame() const {
        return window->findChild<QMdiArea*>()->subWindowList().value(0);
    }
    // Shown and active as after start-up, so the keyboard reaches it.
    void showWindow() {
        window->show();
        window->activateWindow();
        QCoreApplication::processEvents();
        ASSERT_TRUE(window->isActiveWindow());
    }
    Bytes notchFrame(int n) const {
        const auto r = static_cast<int>(NotchOffset[static_cast<std::size_t>(n)]);
        return frame({7, n / 12, n % 12, image(r + 1), image(r + 2), image(r + 3), image(r)});
    }
    // Every row widget shows what its control holds, and the controls what the image holds.
    void expectRowsShowTheImage() const {
        for (int n = 0; n < kNotches; ++n) {
            const std::size_t i = static_cast<std::size_t>(n);
            for (auto [box, name] : {std::pair{&program.frmEq.Text2[i], "Text2"},
                                     std::pair{&program.frmEq.Text1[i], "Text1"},
                                     std::pair{&program.frmEq.Text3[i], "Text3"}}) {
                EXPECT_EQ(find<TextBoxEdit>(name, n)->text(), FromProgramText(box->Text()))
                    << name << n;
            }
            const int r = static_cast<int>(NotchOffset[i]);
            EXPECT_EQ(find<QScrollBar>("HScroll20", n)->value(), image(r)) << n;
            EXPECT_EQ(find<QScrollBar>("HScroll6", n)->value(), image(r + 1) * 256 + image(r + 2));
            EXPECT_EQ(find<QScrollBar>("HScroll30", n)->value(), image(r + 3)) << n;
            EXPECT_EQ(program.frmEq.Text1[i].Text(), std::to_string(image(r) - 45)) << n;
        }
    }

    Gate gate{program};
    std::unique_ptr<MainWindow> window = std::make_unique<MainWindow>(program, gate);
};

// ---- keyboard -----------------------------------------------------------------------------

TEST_F(MainWindowTest, TabWalksTheEditorInReadingOrderThenTheToolbar) {
    PresetImage image = program.channels.image;
    image[76] = 1;  // Left rows 2..12 editable, Right rows 6..12
    loadImage(image);
    showWindow();
    QStringList expected = {"Check1(0)", "Check1(1)", "Check1(2)"};
    for (int ch = 0; ch < kChannels; ++ch) {
        const int automatic = ch == 0 ? 1 : 5;
        for (int n = ch * 12 + automatic; n < ch * 12 + 12; ++n) {
            for (const char* column : {"Text2", "HScroll6", "Text1", "HScroll20", "HScroll30"}) {
                expected.append(indexed(column, n));
            }
        }
        for (const char* name :
             {"HScroll1", "HScroll2", "HScroll3", "HScroll4", "HScroll5", "Slider1", "Text4"}) {
            expected.append(indexed(name, ch));
        }
        expected.append({indexed("Command1", ch), indexed("Command1", ch + 2)});
    }
    for (int index : MDIFrmMain::kToolbarButtons) expected.append(indexed("Command1", index));
    expected.append("Check2");  // and round again

    find("Check2")->setFocus();
    QStringList walked;
    for (qsizetype i = 0; i < expected.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        walked.append(QApplication::focusWidget()->objectName());
    }
    EXPECT_EQ(walked, expected);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    EXPECT_EQ(QApplication::focusWidget(), window->ToolbarButton(8));
}

TEST_F(MainWindowTest, ArrowKeysStepAFocusedBarAsAClickWould) {
    showWindow();
    auto* gain = find<QScrollBar>("HScroll20", 4);
    gain->setFocus();
    QTest::keyClick(gain, Qt::Key_Right);
    EXPECT_EQ(find<TextBoxEdit>("Text1", 4)->text(), "-14");
    EXPECT_EQ(gain->accessibleDescription(), "-14");
    EXPECT_EQ(frames(), (std::vector<Bytes>{notchFrame(4)}));
    QTest::keyClick(gain, Qt::Key_Left);
    QTest::keyClick(gain, Qt::Key_Left);
    EXPECT_EQ(image(NotchOffset[4]), 29);
    EXPECT_EQ(frames().size(), 3u);

    auto* release = find<QScrollBar>("HScroll4", 1);
    release->setFocus();
    QTest::keyClick(release, Qt::Key_Right);
    EXPECT_EQ(find<QLabel>("Label1(1)")->text(), "Fast");
    EXPECT_EQ(release->accessibleDescription(), "Fast");
    EXPECT_EQ(frames().back()[2], 49);  // release and search mode
}

// ---- names --------------------------------------------------------------------------------

TEST_F(MainWindowTest, EveryControlHasASpokenName) {
    for (int n = 0; n < kNotches; ++n) {
        const QString notch =
            QStringLiteral("%1 notch %2 ").arg(n < 12 ? "Left" : "Right").arg(n % 12 + 1);
        EXPECT_EQ(find("Text2", n)->accessibleName(), notch + "frequency");
        EXPECT_EQ(find("HScroll6", n)->accessibleName(), notch + "frequency bar");
        EXPECT_EQ(find("Text1", n)->accessibleName(), notch + "gain");
        EXPECT_EQ(find("HScroll20", n)->accessibleName(), notch + "gain bar");
        EXPECT_EQ(find("Text3", n)->accessibleName(), notch + "Q");
        EXPECT_EQ(find("HScroll30", n)->accessibleName(), notch + "Q bar");
    }
    EXPECT_EQ(find("HScroll1", 0)->accessibleName(), "Left number of automatic notches");
    EXPECT_EQ(find("Text4", 1)->accessibleName(), "Right sensitivity");
    EXPECT_EQ(find("Check2")->accessibleName(), "Link channel Left & Right");
    EXPECT_EQ(find("Check1", 0)->accessibleName(), "Search Feedback L&R");
    EXPECT_EQ(window->ToolbarButton(3)->accessibleName(), "Read Preset from device");
    // Whatever takes the focus has a name of its own, never just its control's Name.
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (!(w->focusPolicy() & Qt::TabFocus) || qobject_cast<QMdiSubWindow*>(w)) continue;
        EXPECT_FALSE(w->accessibleName().isEmpty()) << w->objectName().toStdString();
        EXPECT_NE(w->accessibleName(), w->objectName());
    }
}

// ---- the main window ----------------------------------------------------------------------

TEST_F(MainWindowTest, ASearchLocksTheToolbarAndTheEditorUntilItStops) {
    std::vector<QWidget*> locked = {find("Check2"),    find("Check1", 2),  find("HScroll20", 4),
                                    find("Text2", 18), find("Slider1", 1), find("Command1", 3)};
    for (int index : MDIFrmMain::kToolbarButtons) locked.push_back(window->ToolbarButton(index));
    auto* search = find<QCheckBox>("Check1", 1);
    ASSERT_EQ(search->text(), "Search Feedback L");
    search->click();
    for (QWidget* w : locked) EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();
    EXPECT_FALSE(window->close());  // refused without a word while it runs
    EXPECT_TRUE(p.dialogs.shown.empty());
    search->click();
    for (QWidget* w : locked) EXPECT_TRUE(w->isEnabled()) << w->objectName().toStdString();
}

TEST_F(MainWindowTest, ClosingAsksAndOnlyYesSendsTheClosingFrameAndEnds) {
    showWindow();
    p.dialogs.answers = {Answer::No};
    EXPECT_FALSE(window->close());
    EXPECT_TRUE(window->isVisible());
    ASSERT_EQ(p.dialogs.shown.size(), 1u);
    EXPECT_EQ(p.dialogs.shown[0].title, "Exit");
    EXPECT_TRUE(frames().empty());

    p.dialogs.answers = {Answer::Yes};
    window->close();
    EXPECT_EQ(frames(), (std::vector<Bytes>{{0xF0, 0x5B, 0x0F, 0, 0, 0, 0, 0, 0, 0xF7}}));
    EXPECT_TRUE(gate.ended());
    EXPECT_EQ(gate.exitCode(), 0);
    EXPECT_FALSE(window->isVisible());
}

TEST_F(MainWindowTest, ACopyFromTheToolbarShowsInTheRightRowsAndSendsWhatTheCopySends) {
    p.dialogs.answers = {Answer::Yes};
    window->ToolbarButton(7)->click();
    EXPECT_EQ(p.dialogs.shown.at(0).title, "Copy Left to Right");
    BareProgram bare;  // the same copy without windows
    bare.answers() = {Answer::Yes};
    bare.get().mainWindow.Command1_Click(7);
    EXPECT_EQ(frames(), bare.sent());
    for (int k = 0; k < kNotchesPerChannel; ++k) {
        for (const char* text : {"Text1", "Text2", "Text3"}) {
            EXPECT_EQ(find<TextBoxEdit>(text, 12 + k)->text(), find<TextBoxEdit>(text, k)->text());
        }
        EXPECT_EQ(find("Text1", 12 + k)->isEnabled(), k >= 3) << k;  // three automatic rows
    }
    expectRowsShowTheImage();
}

// ---- what the user cannot break -----------------------------------------------------------

TEST_F(MainWindowTest, DisabledWidgetsTakeNoKeysClicksOrScreenReaderValues) {
    showWindow();
    QTest::keyClicks(find("Text1", 0), "7\r");  // an automatic row
    QTest::keyClicks(find("Text2", 0), "1000\r");
    QTest::mouseClick(find("HScroll20", 0), Qt::LeftButton);
    find<QCheckBox>("Check1", 1)->click();  // a search locks everything else
    p.port.writes.clear();
    QTest::keyClicks(find("Text1", 4), "-3\r");
    QTest::mouseClick(find("Check2"), Qt::LeftButton);
    QTest::mouseClick(find("Command1", 0), Qt::LeftButton);
    QTest::mouseClick(window->ToolbarButton(7), Qt::LeftButton);
    QTest::keyClick(find("HScroll20", 4), Qt::Key_Right);
    // A screen reader sets values and edits texts without keys or clicks.
    for (const char* name : {"HScroll20", "HScroll6", "HScroll30"}) {
        QAccessible::queryAccessibleInterface(find(name, 4))->valueInterface()->setCurrentValue(1);
    }
    for (const char* name : {"Text1", "Text2"}) {
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(find(name, 4));
        a->editableTextInterface()->insertText(0, "9");
        a->setText(QAccessible::Value, "12");
    }
    EXPECT_TRUE(frames().empty());
    EXPECT_TRUE(p.dialogs.shown.empty());
    expectRowsShowTheImage();
}

TEST_F(MainWindowTest, AScreenReaderEditGoesThroughTheProgramLikeAPaste) {
    TextBoxEdit* gain = find<TextBoxEdit>("Text1", 4);
    QAccessible::queryAccessibleInterface(gain)->editableTextInterface()->replaceText(0, 3, "-20");
    EXPECT_EQ(program.frmEq.Text1[4].Text(), "-20");
    QTest::keyClick(gain, Qt::Key_Return);
    EXPECT_EQ(image(NotchOffset[4]), 25);
    EXPECT_EQ(frames(), (std::vector<Bytes>{notchFrame(4)}));
    // A display-only box keeps its text.
    auto* q = QAccessible::queryAccessibleInterface(find("Text3", 4));
    q->editableTextInterface()->insertText(0, "x");
    EXPECT_EQ(find<TextBoxEdit>("Text3", 4)->text(), "1/10");
}

TEST_F(MainWindowTest, WindowsCloseInAnyOrderWithoutHarm) {
    showWindow();
    FrmRead read(program);
    read.Form_Load();
    auto* dialog = new ReadDialog(gate, read, window.get());
    dialog->show();
    p.dialogs.answers = {Answer::No, Answer::No};
    EXPECT_FALSE(window->close());  // asks, over the open dialog
    EXPECT_FALSE(editorFrame()->close());
    EXPECT_TRUE(dialog->close());  // a Cancel
    EXPECT_FALSE(editorFrame()->close());
    EXPECT_TRUE(editorFrame()->isVisible());
    EXPECT_FALSE(window->close());
    EXPECT_EQ(p.dialogs.shown.size(), 2u);
    EXPECT_TRUE(frames().empty());

    // The program ends with a dialog open; the windows may then go in any order.
    FrmStore store(program);
    store.Form_Load();
    auto* storeDialog = new StoreDialog(gate, store, window.get());
    storeDialog->show();
    gate.enter([] { throw ProgramEnd(1); });
    EXPECT_FALSE(storeDialog->isVisible());
    EXPECT_TRUE(editorFrame()->close());
    window.reset();  // and the dialogs with it
    program.link.SuppressSend = true;
    program.channelOps.ApplyImageToEditor();
    store.ProgressBar1.SetVisible(true);
    read.List1.SetListIndex(3);
    program.mainWindow.Command1[7].SetEnabled(false);
    EXPECT_TRUE(frames().empty());
}

// ---- scaling ------------------------------------------------------------------------------

TEST_F(MainWindowTest, BothChannelsFitAMaximisedWindowOnA1280By800Screen) {
    PresetImage widest = program.channels.image;  // 20000 Hz at -45 dB, sensitivity 16
    for (std::size_t r : {NotchOffset[5], NotchOffset[21]}) {
        widest[r] = 0;
        widest[r + 1] = 729 / 256;
        widest[r + 2] = 729 % 256;
    }
    widest[79] = 15;
    loadImage(widest);
    program.frmEq.Label7.SetCaption("Preset loaded from Device");
    program.frmEq.Label8.SetCaption("20: WWWWWWWW");
    // What a maximised window has of 1280 x 800 under a 48-pixel panel and its title bar.
    window->resize(1280, 720);
    showWindow();
    QTest::qWait(0);

    QMdiArea* area = window->findChild<QMdiArea*>();
    EXPECT_TRUE(editorFrame()->isMaximized());
    EXPECT_FALSE(area->horizontalScrollBar()->isVisible());
    EXPECT_FALSE(area->verticalScrollBar()->isVisible());
    for (int ch = 0; ch < kChannels; ++ch) {
        const QWidget* panel = find("Frame5", ch);
        const QRect shown(panel->mapTo(area->viewport(), QPoint(0, 0)), panel->size());
        EXPECT_TRUE(area->viewport()->rect().contains(shown)) << ch;
    }
    EXPECT_EQ(test::clippedWidgets(window->Editor()), QStringList());
    EXPECT_EQ(test::clippedWidgets(window->findChild<QWidget*>("Toolbar1")), QStringList());
    if (const QString path = qEnvironmentVariable("VX470_MAIN_SCREENSHOT"); !path.isEmpty()) {
        window->grab().save(path);
    }

    // A smaller window keeps the editor whole and lets it scroll.
    window->resize(800, 520);
    QTest::qWait(0);
    EXPECT_LE(window->width(), 800);
    EXPECT_TRUE(area->verticalScrollBar()->isVisible());
    EXPECT_GE(window->Editor()->width(), window->Editor()->minimumSizeHint().width());
    EXPECT_GE(window->Editor()->height(), window->Editor()->minimumSizeHint().height());
}

}  // namespace
}  // namespace vx470::desktop
