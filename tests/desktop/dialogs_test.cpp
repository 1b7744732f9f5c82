#include "tests/desktop/desktop_fixture.h"

namespace vx470::desktop {
namespace {

using PresetDialogTest = DesktopTest;

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
