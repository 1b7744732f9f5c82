#include <QApplication>
#include <QComboBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include "core/presets/frm_read.h"
#include "core/presets/frm_store.h"
#include "desktop/bindings.h"
#include "desktop/editor_window.h"
#include "desktop/gate.h"
#include "desktop/preset_dialogs.h"
#include "desktop/program_text.h"
#include "tests/desktop/qt_printers.h"
#include "tests/desktop/window_checks.h"
#include "tests/unit/program_fixture.h"

namespace vx470::desktop {
namespace {

using test::Bytes;
using test::frame;

// A program on fakes whose unit holds presets 1..5 (5 is the first user slot, "Drums"),
// answers every frame and sends a whole image for a read.
class PresetDialogTest : public test::ProgramTest {
  protected:
    PresetDialogTest() {
        for (int p = 0; p < kPresets; ++p) {
            program.presets.PresetNames[static_cast<std::size_t>(p)] =
                p < 5 ? "Preset0" + std::to_string(p + 1) : kEmptyPresetName;
            program.presets.PresetUsed[static_cast<std::size_t>(p)] = p < 5;
        }
        program.presets.PresetNames[4] = "Drums";
        stored = program.channels.image;
        stored[44] = 5;  // Left notch 5 at -40 dB
        p.port.onWrite = [this](test::FakeSerialPort& port, const Bytes& w) {
            if (w[2] == 11) {
                port.arrive(Bytes(stored.begin(), stored.begin() + 160));
            } else {
                port.arrive(Bytes{0xF0, 0x5B, w[2], 0x5B, 0, 0, 0, 0, 0, 0xF7});
            }
        };
    }

    // Shown and active, so the keyboard reaches it.
    void show(QDialog& dialog) {
        dialog.show();
        dialog.activateWindow();
        QCoreApplication::processEvents();
        ASSERT_TRUE(dialog.isActiveWindow());
    }
    // A double click on row i as a mouse makes it: press, release, then the second press
    // with its double click (QTest's double click alone is not preceded by that press).
    static void doubleClick(QTreeWidget* list, int i) {
        const QPoint at = list->visualItemRect(list->topLevelItem(i)).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
        QTest::mousePress(list->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseRelease(list->viewport(), Qt::LeftButton, {}, at);
    }
    // Characters as a keyboard types them, also those QTest has no key for.
    static void type(QWidget* w, const QString& text) {
        for (QChar c : text) {
            QKeyEvent key(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
            QCoreApplication::sendEvent(w, &key);
        }
    }
    // Object names of the widgets Tab visits from `from`, `count` steps.
    static QStringList tabWalk(QWidget* from, int count) {
        from->setFocus();
        QStringList walked;
        for (int i = 0; i < count; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            walked.append(QApplication::focusWidget()->objectName());
        }
        return walked;
    }

    PresetImage stored{};
    Gate gate{program};
};

TEST_F(PresetDialogTest, ReadListsNumberedPresetsAndADoubleClickReadsOne) {
    EditorWindow editor(program, gate);
    FrmRead form(program);
    form.Form_Load();
    ReadDialog dialog(gate, form);
    show(dialog);
    auto* list = dialog.findChild<QTreeWidget*>("List1");
    ASSERT_EQ(list->topLevelItemCount(), 20);
    EXPECT_EQ(list->topLevelItem(19)->text(0), "20");
    EXPECT_EQ(list->topLevelItem(4)->text(1), "Drums");
    EXPECT_EQ(list->accessibleName(), "Memory Preset");
    EXPECT_EQ(tabWalk(list, 3), (QStringList{"Command1(1)", "Command1(0)", "List1"}));
    EXPECT_EQ(test::clippedWidgets(&dialog), QStringList());

    p.dialogs.answers = {Answer::Yes};
    doubleClick(list, 4);
    ASSERT_EQ(p.dialogs.shown.size(), 1u);
    EXPECT_EQ(p.dialogs.shown[0].text,
              "Overwrite current editing with the preset 5, are you sure ? ");
    EXPECT_EQ(frames(), (std::vector<Bytes>{frame({11, 4, 0, 0, 0, 0, 0})}));
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(program.channels.image, stored);
    // The editor shows what was read.
    EXPECT_EQ(editor.findChild<QLineEdit*>("Text1(4)")->text(), "-40");
    EXPECT_EQ(editor.findChild<QLabel*>("Label8")->text(), "5: Drums");
}

TEST_F(PresetDialogTest, AnEmptyPresetIsRefusedAndEscapeCancels) {
    FrmRead form(program);
    form.Form_Load();
    ReadDialog dialog(gate, form);
    show(dialog);
    auto* list = dialog.findChild<QTreeWidget*>("List1");
    doubleClick(list, 7);
    ASSERT_EQ(p.dialogs.shown.size(), 1u);
    EXPECT_EQ(p.dialogs.shown[0].text, "Preset empty");
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(form.List1.ListIndex(), 7);
    EXPECT_TRUE(frames().empty());

    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_TRUE(form.Unloaded());
    EXPECT_TRUE(frames().empty());
    EXPECT_EQ(p.dialogs.shown.size(), 1u);
}

TEST_F(PresetDialogTest, TheStoreNameTakesEightWindows1252Characters) {
    FrmStore form(program);
    form.Form_Load();
    StoreDialog dialog(gate, form);
    show(dialog);
    auto* list = dialog.findChild<QTreeWidget*>("List1");
    EXPECT_EQ(list->topLevelItem(0)->text(0), "05");
    EXPECT_EQ(list->topLevelItem(0)->text(1), "Drums");
    EXPECT_EQ(tabWalk(list, 5),
              (QStringList{"Combo1", "Text1", "Command1(1)", "Command1(0)", "List1"}));
    EXPECT_EQ(test::clippedWidgets(&dialog), QStringList());

    auto* name = dialog.findChild<TextBoxEdit*>("Text1");
    EXPECT_EQ(name->accessibleName(), "Edit Name");
    EXPECT_EQ(name->text(), "Drums");
    name->selectAll();
    QTest::keyClicks(name, "ABCDEFGHIJ");
    EXPECT_EQ(name->text(), "ABCDEFGH");
    EXPECT_EQ(form.Text1.Text(), "ABCDEFGH");
    name->selectAll();
    type(name, QString::fromUtf8("\u00C9t\u4E2D"));  // É has a code, 中 none
    EXPECT_EQ(form.Text1.Text(), "\xC9t?");
    EXPECT_EQ(name->text(), QString::fromUtf8("\u00C9t?"));
    EXPECT_TRUE(frames().empty());
}

TEST_F(PresetDialogTest, StoreWritesEverythingWhileTheProgressShowsAndThenHidesIt) {
    FrmStore form(program);
    form.Form_Load();
    StoreDialog dialog(gate, form);
    show(dialog);
    auto* progress = dialog.findChild<QProgressBar*>("ProgressBar1");
    EXPECT_FALSE(progress->isVisible());
    auto* combo = dialog.findChild<QComboBox*>("Combo1");
    combo->setFocus();
    QTest::keyClick(combo, Qt::Key_Down);  // position "06"
    EXPECT_EQ(form.Combo1.ListIndex(), 1);
    auto* name = dialog.findChild<TextBoxEdit*>("Text1");
    name->selectAll();
    type(name, QString::fromUtf8("a\u4E2D"));

    std::vector<int> shownProgress;
    const auto answer = p.port.onWrite;
    p.port.onWrite = [&](test::FakeSerialPort& port, const Bytes& w) {
        shownProgress.push_back(progress->isVisible() ? progress->value() : -1);
        answer(port, w);
    };
    p.dialogs.answers = {Answer::Yes};
    dialog.findChild<QPushButton*>("Command1(1)")->click();

    ASSERT_EQ(frames().size(), 169u);
    for (const Bytes& f : frames()) EXPECT_EQ(f[2], 17);
    EXPECT_EQ(frames()[0][3] * 256 + frames()[0][4], 288 + 160);
    std::string stored;
    for (std::size_t i = 160; i < 168; ++i) stored.push_back(static_cast<char>(frames()[i][6]));
    EXPECT_EQ(stored, "   a?   ");
    EXPECT_EQ(frames()[168], frame({17, 0, 49, 0, 0x55, 0, 0}));
    EXPECT_EQ(shownProgress.front(), 0);
    EXPECT_EQ(shownProgress.back(), 168);
    EXPECT_FALSE(progress->isVisible());
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(program.presets.PresetNames[5], "a?");
    EXPECT_TRUE(program.presets.PresetUsed[5]);
}

}  // namespace
}  // namespace vx470::desktop
