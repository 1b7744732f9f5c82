// The Qt skin on the offscreen platform: the binders, the main window and the dialogs.
#include <QtTest>
#include <QtWidgets>

#include "core/graph/scale.h"
#include "core/link/converters.h"
#include "desktop/bindings.h"
#include "desktop/canvas_view.h"
#include "desktop/editor_window.h"
#include "desktop/gate.h"
#include "desktop/main_window.h"
#include "desktop/preset_dialogs.h"
#include "desktop/program_text.h"
#include "tests/unit/program_fixture.h"

// Failure messages show Qt's strings as text.
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << s.toStdString();
}

namespace vx470::desktop {
namespace {

using test::Bytes;

// The main window, shown as maximised on a 1280 x 800 screen, with its toolbar and the editor
// over a program on fakes loaded with the sample image: Left has three automatic rows, Right
// five; Left notch 5 (n = 4) is at -15 dB.
class DesktopTest : public test::ProgramTest {
  protected:
    DesktopTest() { show(window.get()); }
    // An editor widget by its control's Name (the toolbar's are ToolbarButton's).
    template <typename W = QWidget>
    W* find(const char* n, int i = -1) const {
        W* w = window->Editor()->findChild<W*>(i < 0 ? n : QStringLiteral("%1(%2)").arg(n).arg(i));
        EXPECT_NE(w, nullptr) << n << i;
        return w;
    }
    CanvasView* graph(int ch) const { return window->Editor()->Graph(ch); }
    // Shown and active, so the keyboard reaches it; by default as maximised on 1280 x 800.
    static void show(QWidget* w, QSize size = {1280, 720}) {
        if (!size.isEmpty()) w->resize(size);
        w->show();
        w->activateWindow();
        QTest::qWait(0);
        ASSERT_TRUE(w->isActiveWindow());
    }
    // Object names of the widgets Tab visits from `from`.
    static QStringList tabWalk(QWidget* from, qsizetype steps) {
        QStringList walked;
        for (from->setFocus(); walked.size() < steps; walked << qApp->focusWidget()->objectName()) {
            QTest::keyClick(qApp->focusWidget(), Qt::Key_Tab);
        }
        return walked;
    }

    Gate gate{program};
    std::unique_ptr<MainWindow> window = std::make_unique<MainWindow>(program, gate);
};

// Widgets whose content does not fit: cut by their parent, or smaller than their text or
// picture. A line edit's text has the frame and 2 pixels each side besides its margins.
QStringList clippedWidgets(const QWidget* root) {
    QStringList cut;
    for (const QWidget* w : root->findChildren<QWidget*>()) {
        const QWidget* parent = w->parentWidget();
        const auto* button = qobject_cast<const QAbstractButton*>(w);
        const auto* edit = qobject_cast<const QLineEdit*>(w);
        QSize needs = qobject_cast<const QLabel*>(w) || button
                          ? QSize(w->sizeHint().width(), w->minimumSizeHint().height())
                          : QSize(0, 0);
        if (button != nullptr && button->text().isEmpty()) needs = button->iconSize();
        if (edit != nullptr) {
            needs = QSize(edit->fontMetrics().horizontalAdvance(edit->text()),
                          edit->fontMetrics().height())
                        .grownBy(edit->textMargins() + QMargins(3, 1, 3, 1));
        }
        if (w->isVisibleTo(root) && !w->isWindow() && !qobject_cast<const QMdiArea*>(parent) &&
            !(parent->rect().contains(w->geometry()) && needs.boundedTo(w->size()) == needs)) {
            cut.append(w->objectName());
        }
    }
    return cut;
}

// Controls of their own bound to widgets. Every entry the binders make ends with the gate's
// `returned`, so a program change that leaks back into the program shows up as an entry.
using BindingsTest = DesktopTest;

TEST_F(BindingsTest, ProgramChangesShowQuietlyAndUserInputGoesThroughTheControl) {
    ScrollBar bar(0, 45);
    auto* w = new QScrollBar(Qt::Horizontal, window.get());
    BindScrollBar(gate, w, bar);
    QSignalSpy entries(&gate, &Gate::returned);
    bar.SetValue(30);
    bar.SetRange(0, 11);  // the widget clamps too, and must not hand that back
    EXPECT_EQ(std::pair(w->value(), entries.count()), std::pair(11, qsizetype{0}));

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
    QKeyEvent typed(QEvent::KeyPress, 0, Qt::NoModifier, QString::fromUtf8("\u20AC\u0436"));
    QCoreApplication::sendEvent(edit, &typed);  // characters QTest has no key for
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
// box is open over it.
TEST_F(BindingsTest, OneEntryAtATimeAndOnlyTheModalFormsOwnWidgets) {
    Button inDialog, outside;
    int clicks = 0;
    inDialog.Click = outside.Click = [&] { ++clicks; };
    QDialog dialog;
    auto* own = new QPushButton(&dialog);
    auto* other = new QPushButton(window.get());
    BindButton(gate, own, inDialog);
    BindButton(gate, other, outside);
    QMainWindow closing;
    bool closed = false;
    gate.enter(nullptr, [&] {
        other->click();  // nothing modal yet
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
    other->click();  // and after the entry, anyone
    EXPECT_EQ(std::pair(clicks, closed), std::pair(2, false));
}

using MainWindowTest = DesktopTest;
using PresetDialogTest = DesktopTest;

// What Tab can reach in `window`, but the editor's frame.
QList<QWidget*> focusable(const QWidget* window) {
    QList<QWidget*> stops = window->findChildren<QWidget*>();
    stops.removeIf([](QWidget* w) {
        return !(w->focusPolicy() & Qt::TabFocus) || qobject_cast<QMdiSubWindow*>(w);
    });
    return stops;
}

TEST_F(MainWindowTest, ASearchLocksTheWindowAndDisabledWidgetsTakeNoInput) {
    const auto poke = [&](int n) {  // keys, clicks and a screen reader's values
        QTest::mouseClick(find("HScroll20", n), Qt::LeftButton, {}, {3, 3});
        QTest::keyClick(find("HScroll20", n), Qt::Key_Right);
        QTest::keyClicks(find("Text1", n), "7\r");
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(find("HScroll6", n));
        a->valueInterface()->setCurrentValue(1);
        a = QAccessible::queryAccessibleInterface(find("Text2", n));
        a->editableTextInterface()->insertText(0, "9");
        a->setText(QAccessible::Value, "12");
    };
    auto* search = find<QCheckBox>("Check1", 1);
    search->click();
    const QImage shown = window->grab().toImage();
    poke(4);
    EXPECT_EQ(window->grab().toImage(), shown);
    EXPECT_EQ(frames().size(), 1u);

    search->click();  // stopped: the same pokes are taken
    p.port.writes.clear();
    poke(4);
    EXPECT_EQ(frames().size(), 4u);
    EXPECT_EQ(eq().Text2[4].Text(), "12");
}

TEST_F(MainWindowTest, TabWalksInReadingOrderOnToTheToolbarAndEveryStopHasASpokenName) {
    const QStringList first = {"Check1(0)",    "Check1(1)",    "Check1(2)",
                               "Text2(3)",     "HScroll6(3)",  "Text1(3)",
                               "HScroll20(3)", "HScroll30(3)", "Text2(4)"};
    EXPECT_EQ(tabWalk(find("Check2"), first.size()), first);
    // From the last reset button of the Right channel to the toolbar.
    EXPECT_EQ(tabWalk(find("Command1", 3), 2), (QStringList{"Command1(0)", "Command1(1)"}));
    find("Check2")->setFocus();  // and round
    QTest::keyClick(find("Check2"), Qt::Key_Backtab);
    EXPECT_EQ(QApplication::focusWidget(), window->ToolbarButton(8));

    // Whatever takes the focus has a name of its own, never just its control's Name.
    for (QWidget* w : focusable(window.get())) {
        EXPECT_FALSE(w->accessibleName().isEmpty()) << w->objectName().toStdString();
        EXPECT_NE(w->accessibleName(), w->objectName());
    }
}

TEST_F(MainWindowTest, WindowsCloseInAnyOrderWithoutHarm) {
    QMdiSubWindow* editorFrame = window->findChild<QMdiArea*>()->subWindowList().value(0);
    FrmRead read(program);
    read.Form_Load();
    auto* readDialog = new ReadDialog(gate, read, window.get());
    readDialog->show();
    p.dialogs.answers = {Answer::No};
    EXPECT_FALSE(window->close());       // asks, over the open dialog
    EXPECT_FALSE(editorFrame->close());  // the editor stays until the program ends
    EXPECT_TRUE(readDialog->close());    // a Cancel
    EXPECT_TRUE(window->isVisible() && editorFrame->isVisible() && frames().empty());

    // Yes sends the closing frame and ends with a dialog open; the rest may go in any order.
    FrmStore store(program);
    store.Form_Load();
    auto* storeDialog = new StoreDialog(gate, store, window.get());
    storeDialog->show();
    p.dialogs.answers = {Answer::Yes};
    window->close();
    EXPECT_EQ(frames(), (std::vector<Bytes>{{0xF0, 0x5B, 0x0F, 0, 0, 0, 0, 0, 0, 0xF7}}));
    EXPECT_EQ(std::pair(gate.ended(), gate.exitCode()), std::pair(true, 0));
    EXPECT_FALSE(window->isVisible() || storeDialog->isVisible());
    EXPECT_TRUE(editorFrame->close());
    window.reset();  // and the dialogs with it; program changes then reach no widget
    program.link.SuppressSend = true;
    program.channelOps.ApplyImageToEditor();
}

TEST_F(MainWindowTest, BothChannelsFitAMaximisedWindowOnA1280By800Screen) {
    PresetImage widest = program.channels.image;  // 20000 Hz at -45 dB, sensitivity 16
    for (std::size_t r : {NotchOffset[5], NotchOffset[21]}) {
        std::tie(widest[r], widest[r + 1], widest[r + 2]) = std::tuple(0, 729 / 256, 729 % 256);
    }
    widest[79] = 15;
    loadImage(widest);
    eq().Label7.SetCaption("Preset loaded from Device");
    eq().Label8.SetCaption("20: WWWWWWWW");
    QTest::qWait(0);

    EXPECT_TRUE(window->findChild<QMdiArea*>()->subWindowList().value(0)->isMaximized());
    EXPECT_EQ(clippedWidgets(window.get()), QStringList());
    for (int ch = 0; ch < kChannels; ++ch) {  // the dB scale beside the graph, at its rows
        const QRect canvas = graph(ch)->geometry();
        QMap<QString, QRectF> at;
        for (const QLabel* l : find("Frame10", ch)->findChildren<QLabel*>())
            at[l->text()] = l->geometry();
        for (const ScaleMark& m : kDbScaleMarks) {
            const QRectF g = at.value(FromProgramText(m.text));
            EXPECT_NEAR(g.center().y() - canvas.top(), DbRow(m.value), 1.0) << m.text;
            EXPECT_GT(g.left(), canvas.right());
        }
    }
}

// While a load's frames go out, a graph is painted as soon as its curve changed: during the
// frame after each of its notches, and at no other time.
TEST_F(MainWindowTest, TheCurvesFollowALoadFrameByFrame) {
    struct PaintWatch final : QObject {
        std::function<void()> painted;
        bool eventFilter(QObject*, QEvent* e) override {
            if (e->type() == QEvent::Paint) painted();
            return false;
        }
    };
    QTest::qWait(0);
    std::array<std::vector<std::size_t>, kChannels> paints;
    std::array<PaintWatch, kChannels> watch;
    for (int ch = 0; ch < kChannels; ++ch) {
        watch[ch].painted = [&, ch] { paints[ch].push_back(p.port.writes.size()); };
        graph(ch)->installEventFilter(&watch[ch]);
    }
    PresetImage other = program.channels.image;
    for (int n = 0; n < kNotches; ++n) other[NotchOffset[n]] = static_cast<std::uint8_t>(n);
    gate.enter(nullptr, [&] {
        program.channels.image = other;
        program.channelOps.ApplyImageToEditor();
    });
    QTest::qWait(0);
    std::array<std::vector<std::size_t>, kChannels> expected;
    for (std::size_t n = 0; n < kNotches; ++n) expected[n / 12].push_back(n + 2);
    EXPECT_EQ(paints, expected);
}

// At 100 % a graph shows its canvas pixel for pixel; at 200 % the curve passes through the
// notch's depth at its column. (That it is drawn there, not enlarged: blackbox_crisp.)
TEST_F(MainWindowTest, AGraphIsDrawnAtTheScreensResolution) {
    const auto rendered = [&](qreal dpr) {
        QImage image(QSize(Canvas::Width, Canvas::Height) * dpr, QImage::Format_RGB32);
        image.setDevicePixelRatio(dpr);
        graph(0)->render(&image);
        return image;
    };
    EXPECT_EQ(rendered(1), graph(0)->Image());
    const QImage image = rendered(2);
    const double f = program.channels.model.NotchFrequency[4];
    const int column = static_cast<int>(2 * (FrequencyColumn(f) + 0.5));
    int deepest = 0;
    for (int y = 0; y < image.height(); ++y)
        if (qGreen(image.pixel(column, y)) < 100) deepest = y;  // red, or the edge of red
    EXPECT_NEAR(
        deepest / 2.0,
        DbRow(program.graph.ChannelResponse(0)[static_cast<std::size_t>(FrequencyToIndex(f))]),
        1.5);
    // The grid is the canvas's: the 1 kHz line, two device pixels wide, above the curve.
    const int kHz = static_cast<int>(std::nearbyint(FrequencyColumn(1000)));
    EXPECT_EQ(image.pixel(2 * kHz + 1, 10), qRgb(200, 200, 200));
}

// Both dialogs show every row number, name and button whole (also at 125 and 150 %).
TEST_F(PresetDialogTest, BothDialogsShowEverythingWhole) {
    FrmRead read(program);
    FrmStore store(program);
    read.Form_Load();
    store.Form_Load();
    ReadDialog readDialog(gate, read);
    StoreDialog storeDialog(gate, store);
    for (QDialog* dialog : std::initializer_list<QDialog*>{&readDialog, &storeDialog}) {
        show(dialog, {});
        EXPECT_EQ(clippedWidgets(dialog), QStringList());
        dialog->hide();
    }
    EXPECT_EQ(readDialog.findChild<QTreeWidget*>("List1")->topLevelItem(19)->text(0), "20");
    EXPECT_EQ(storeDialog.findChild<QTreeWidget*>("List1")->topLevelItem(0)->text(0), "05");
}

}  // namespace
}  // namespace vx470::desktop
