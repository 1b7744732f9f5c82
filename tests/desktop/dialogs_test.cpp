#include "tests/desktop/desktop_fixture.h"

namespace vx470::desktop {
namespace {

using PresetDialogTest = DesktopTest;

// A double click on row i as a mouse makes it: press, release, then the second press with its
// double click (QTest's double click alone is not preceded by that press).
void doubleClick(QTreeWidget* list, int i) {
    const QPoint at = list->visualItemRect(list->topLevelItem(i)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    QTest::mousePress(list->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseRelease(list->viewport(), Qt::LeftButton, {}, at);
}

TEST_F(PresetDialogTest, ReadListsNumberedPresetsRefusesAnEmptyOneAndReadsOnADoubleClick) {
    for (std::size_t i = 0; i < 5; ++i) program.presets.PresetUsed[i] = true;  // 6 on empty
    program.presets.PresetNames[4] = "Drums";
    FrmRead cancelled(program), read(program);
    cancelled.Form_Load();
    ReadDialog dialog(gate, cancelled);
    show(&dialog, {});
    auto* list = dialog.findChild<QTreeWidget*>("List1");
    EXPECT_EQ(list->topLevelItem(19)->text(0), "20");
    EXPECT_EQ(clippedWidgets(&dialog), QStringList());
    doubleClick(list, 7);
    EXPECT_EQ(p.dialogs.shown.at(0).text, "Preset empty");
    EXPECT_TRUE(dialog.isVisible() && frames().empty());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    EXPECT_TRUE(cancelled.Unloaded() && !dialog.isVisible());

    read.Form_Load();
    ReadDialog again(gate, read);
    show(&again, {});
    PresetImage stored = program.channels.image;  // the unit's preset 5
    stored[44] = 5;                               // Left notch 5 at -40 dB
    p.port.onWrite = {};                          // the unit answers the read with the image
    p.port.arrive(Bytes(stored.begin(), stored.begin() + 160));
    p.dialogs.answers = {Answer::Yes};
    doubleClick(again.findChild<QTreeWidget*>("List1"), 4);
    EXPECT_EQ(p.dialogs.shown.size(), 2u);  // "are you sure?"
    EXPECT_EQ(frames(), (std::vector<Bytes>{frame({11, 4, 0, 0, 0, 0, 0})}));
    EXPECT_FALSE(again.isVisible());
    EXPECT_EQ(edit("Text1", 4)->text(), "-40");  // the editor shows what was read
    EXPECT_EQ(find<QLabel>("Label8")->text(), "5: Drums");
}

TEST_F(PresetDialogTest, StoreTakesEightWindows1252CharactersAndWritesThemAll) {
    FrmStore form(program);
    form.Form_Load();
    StoreDialog dialog(gate, form);
    show(&dialog, {});
    EXPECT_EQ(dialog.findChild<QTreeWidget*>("List1")->topLevelItem(0)->text(0), "05");
    EXPECT_EQ(clippedWidgets(&dialog), QStringList());

    auto* name = dialog.findChild<TextBoxEdit*>("Text1");
    name->selectAll();
    QTest::keyClicks(name, "ABCDEF");
    type(name, QString::fromUtf8("\u00C9\u4E2DXY"));  // É has a code, 中 none; 8 at most
    EXPECT_EQ(name->text(), QString::fromUtf8("ABCDEF\u00C9X"));
    QTest::keyClick(dialog.findChild<QComboBox*>("Combo1"), Qt::Key_Down);  // position "06"

    auto* progress = dialog.findChild<QProgressBar*>("ProgressBar1");
    std::vector<int> shownProgress;
    p.port.onWrite = [&, answer = p.port.onWrite](test::FakeSerialPort& port, const Bytes& w) {
        shownProgress.push_back(progress->isVisible() ? progress->value() : -1);
        answer(port, w);
    };
    p.dialogs.answers = {Answer::Yes};
    dialog.findChild<QPushButton*>("Command1(1)")->click();
    ASSERT_EQ(frames().size(), 169u);
    EXPECT_EQ(frames()[0][3] * 256 + frames()[0][4], 288 + 160);  // position 6
    EXPECT_EQ(std::pair(frames()[166][6], frames()[167][6]),
              (std::pair<std::uint8_t, std::uint8_t>(0xC9, 'X')));
    EXPECT_EQ(std::pair(shownProgress.front(), shownProgress.back()), std::pair(0, 168));
    EXPECT_FALSE(progress->isVisibleTo(&dialog) || dialog.isVisible());
}

}  // namespace
}  // namespace vx470::desktop
