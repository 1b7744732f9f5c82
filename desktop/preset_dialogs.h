#pragma once

#include <QDialog>

#include "core/presets/frm_read.h"
#include "core/presets/frm_store.h"
#include "core/presets/frm_unit_job.h"

class QTreeWidget;

namespace vx470::desktop {

class Gate;

// A preset dialog's window: it closes once its form unloads, and its close box and Escape
// are the form's Cancel.
class PresetDialog : public QDialog {
  public:
    PresetDialog(Gate& gate, Form& form, QWidget* parent);

  protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

  private:
    Gate& gate_;
    Form& form_;
};

// "Read Preset": the unit's 20 presets with their numbers, "Read" and "Cancel".
class ReadDialog final : public PresetDialog {
  public:
    ReadDialog(Gate& gate, FrmRead& form, QWidget* parent = nullptr);
};

// "Store preset": the 16 user slots, the position, the name (8 characters), the progress of
// the store, "Store" and "Cancel".
class StoreDialog final : public PresetDialog {
  public:
    StoreDialog(Gate& gate, FrmStore& form, QWidget* parent = nullptr);
};

// "Back up unit" and "Restore": a restore's presets to choose from, then the job's progress
// with a Cancel that is heard between any two of its transactions.
class UnitJobDialog final : public PresetDialog {
  public:
    UnitJobDialog(Gate& gate, FrmUnitJob& form, QWidget* parent = nullptr);

  protected:
    void reject() override;

  private:
    Gate& gate_;
    FrmUnitJob& form_;
};

// A list box shown with a column of numbers beside its rows (the numbers are the words of
// `numbers`, one per row).
void BindNumberedList(Gate& gate, QTreeWidget* widget, ListBox& list, const Label& numbers);
// A dialog window bound to its form: title, pointer, and closing once the form unloads.
void BindDialogForm(QDialog* dialog, Form& form);

}  // namespace vx470::desktop
