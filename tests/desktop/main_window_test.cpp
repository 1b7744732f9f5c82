#include "core/graph/scale.h"
#include "tests/desktop/desktop_fixture.h"

namespace vx470::desktop {
namespace {

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
    const auto enabled = [&] {
        QStringList on;
        for (QWidget* w : focusable(window.get())) on << (w->isEnabled() ? w->objectName() : "");
        return on;
    };
    const auto poke = [&](int n) {  // keys, clicks and a screen reader's values
        QTest::mouseClick(bar("HScroll20", n), Qt::LeftButton, {}, {3, 3});
        QTest::keyClick(bar("HScroll20", n), Qt::Key_Right);
        QTest::keyClicks(edit("Text1", n), "7\r");
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(bar("HScroll6", n));
        a->valueInterface()->setCurrentValue(1);
        a = QAccessible::queryAccessibleInterface(edit("Text2", n));
        a->editableTextInterface()->insertText(0, "9");
        a->setText(QAccessible::Value, "12");
    };
    const QStringList unlocked = enabled();
    auto* search = find<QCheckBox>("Check1", 1);
    search->click();
    EXPECT_EQ(enabled().join(""), "Check1(1)");  // the toolbar and the editor locked
    const QImage shown = window->grab().toImage();
    poke(4);
    EXPECT_FALSE(window->close());  // silently
    EXPECT_EQ(window->grab().toImage(), shown);
    EXPECT_EQ(frames().size(), 1u);
    EXPECT_TRUE(p.dialogs.shown.empty());

    search->click();  // stopped: the same widgets as before (not automatic rows) take input
    EXPECT_EQ(enabled(), unlocked);
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

    EXPECT_EQ(find("HScroll20", 16)->accessibleName(), "Right notch 5 gain bar");
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
    // The graphs show their canvases 1:1 (a scaled screen scales them).
    if (graph(0)->devicePixelRatioF() == 1.0) {
        EXPECT_EQ(graph(0)->grab().toImage().convertToFormat(QImage::Format_RGB32),
                  graph(0)->Image());
    }
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
