#include "desktop/preset_dialogs.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <functional>

#include "desktop/bindings.h"
#include "desktop/gate.h"
#include "desktop/program_text.h"

namespace vx470::desktop {

namespace {

void showList(QTreeWidget* w, const ListBox& list, const QStringList& numbers) {
    if (w->topLevelItemCount() != static_cast<int>(list.Items().size())) {
        w->clear();
        for (std::size_t i = 0; i < list.Items().size(); ++i) {
            auto* item = new QTreeWidgetItem(w);
            item->setText(0, static_cast<qsizetype>(i) < numbers.size()
                                 ? numbers.at(static_cast<qsizetype>(i))
                                 : QString());
        }
    }
    for (std::size_t i = 0; i < list.Items().size(); ++i) {
        w->topLevelItem(static_cast<int>(i))->setText(1, FromProgramText(list.Items()[i]));
    }
    QTreeWidgetItem* current = list.ListIndex() >= 0 ? w->topLevelItem(list.ListIndex()) : nullptr;
    w->setCurrentItem(current);
    if (current != nullptr) current->setSelected(true);
    w->setToolTip(FromProgramText(list.ToolTip));
    w->setEnabled(list.Enabled());
}

void showComboBox(QComboBox* w, const ComboBox& combo) {
    if (w->count() != static_cast<int>(combo.Items().size())) {
        w->clear();
        for (const std::string& item : combo.Items()) w->addItem(FromProgramText(item));
    }
    w->setCurrentIndex(combo.ListIndex());
    w->setEnabled(combo.Enabled());
}

void showProgress(QProgressBar* w, const ProgressBar& bar) {
    w->setRange(bar.Min, bar.Max());
    w->setValue(bar.Value());
    w->setVisible(bar.Visible());
}

QLabel* heading(const Label& label, QWidget* parent) {
    auto* l = new QLabel(FromProgramText(label.Caption()), parent);
    QFont f = l->font();
    f.setBold(true);
    l->setFont(f);
    return l;
}

// Hands a widget's key presses to `handle` first; true means handled.
class KeyHandler final : public QObject {
  public:
    KeyHandler(QObject* parent, std::function<bool(const QKeyEvent&)> handle)
        : QObject(parent), handle_(std::move(handle)) {}

  protected:
    bool eventFilter(QObject*, QEvent* event) override {
        return event->type() == QEvent::KeyPress && handle_(*static_cast<QKeyEvent*>(event));
    }

  private:
    std::function<bool(const QKeyEvent&)> handle_;
};

}  // namespace

void BindNumberedList(Gate& gate, QTreeWidget* widget, ListBox& list, const Label& numbers) {
    const QStringList words =
        FromProgramText(numbers.Caption()).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    widget->setColumnCount(2);
    widget->setHeaderHidden(true);
    widget->setRootIsDecorated(false);
    widget->setUniformRowHeights(true);
    widget->setAllColumnsShowFocus(true);
    widget->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    widget->setObjectName(QString::fromStdString(list.Name));
    InstallView(widget, list, [words](QTreeWidget* w, const ListBox& l) { showList(w, l, words); });
    // A refused choice puts the row the program holds back.
    const auto enter = [&gate, widget, &list](auto&& f) {
        if (!gate.enter(widget, f)) list.View(ViewUpdate::Changed);
    };
    QObject::connect(widget, &QTreeWidget::currentItemChanged, widget,
                     [widget, &list, enter](QTreeWidgetItem* item) {
                         if (item == nullptr) return;
                         enter([&] { list.UserSelect(widget->indexOfTopLevelItem(item)); });
                     });
    QObject::connect(widget, &QTreeWidget::itemDoubleClicked, widget,
                     [widget, &list, enter](QTreeWidgetItem* item) {
                         enter([&] { list.UserDoubleClick(widget->indexOfTopLevelItem(item)); });
                     });
    // Enter on a row is its double click: the row the list shows is the one it acts on.
    auto* keys = new KeyHandler(widget, [&list, enter](const QKeyEvent& key) {
        if (key.key() != Qt::Key_Return && key.key() != Qt::Key_Enter) return false;
        enter([&] { list.UserDoubleClick(list.ListIndex()); });
        return true;
    });
    widget->installEventFilter(keys);
}

void BindDialogForm(QDialog* dialog, Form& form) {
    QPointer<QDialog> d(dialog);
    form.View = [d, &form](ViewUpdate how) {
        if (!d) return;
        d->setWindowTitle(FromProgramText(form.Caption()));
        if (form.Pointer() == MousePointer::Default) {
            d->unsetCursor();
        } else {
            d->setCursor(CursorFor(form.Pointer()));
        }
        if (how == ViewUpdate::RepaintNow) d->repaint();
        // Done is done: the dialog's own loop ends, whatever called Unload.
        if (form.Unloaded() && d->isVisible()) d->done(QDialog::Accepted);
    };
    dialog->setWindowTitle(FromProgramText(form.Caption()));
    dialog->setObjectName(QString::fromStdString(form.Name));
}

PresetDialog::PresetDialog(Gate& gate, Form& form, QWidget* parent)
    : QDialog(parent), gate_(gate), form_(form) {
    BindDialogForm(this, form);
}

void PresetDialog::closeEvent(QCloseEvent* event) {
    if (form_.Unloaded() || FormAllowsClose(gate_, form_, this)) {
        event->accept();
    } else {
        event->ignore();
    }
}

// Escape is a Cancel: the form unloads itself, as its Cancel button does.
void PresetDialog::reject() {
    if (!form_.Unloaded() && !gate_.enter(this, [this] { form_.Unload(); })) return;
    QDialog::reject();
}

ReadDialog::ReadDialog(Gate& gate, FrmRead& form, QWidget* parent)
    : PresetDialog(gate, form, parent) {
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(heading(form.Label3, this));
    auto* list = new QTreeWidget(this);
    BindNumberedList(gate, list, form.List1, form.Label1);
    list->setAccessibleName(PlainCaption(FromProgramText(form.Label3.Caption())));
    list->setMinimumHeight(list->sizeHintForRow(0) * 20 + 8);
    list->setMinimumWidth(220);
    layout->addWidget(list);
    auto* buttons = new QHBoxLayout();
    auto* read = new QPushButton(this);
    auto* cancel = new QPushButton(this);
    BindButton(gate, read, form.Command1[1]);
    BindButton(gate, cancel, form.Command1[0]);
    read->setDefault(true);
    buttons->addStretch();
    buttons->addWidget(read);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);
    setTabOrder(list, read);
    setTabOrder(read, cancel);
}

StoreDialog::StoreDialog(Gate& gate, FrmStore& form, QWidget* parent)
    : PresetDialog(gate, form, parent) {
    auto* layout = new QGridLayout(this);
    layout->addWidget(heading(form.Label3, this), 0, 0);
    auto* list = new QTreeWidget(this);
    BindNumberedList(gate, list, form.List1, form.Label1);
    list->setAccessibleName(PlainCaption(FromProgramText(form.Label3.Caption())));
    list->setMinimumHeight(list->sizeHintForRow(0) * 16 + 8);
    list->setMinimumWidth(200);
    layout->addWidget(list, 1, 0, 6, 1);

    auto* position = new QLabel(this);
    BindLabel(position, form.Label2[0]);
    auto* combo = new QComboBox(this);
    combo->setObjectName(QString::fromStdString(form.Combo1.Name));
    combo->setAccessibleName(FromProgramText(form.Label2[0].Caption()));
    InstallView(combo, form.Combo1, showComboBox);
    QObject::connect(combo, &QComboBox::activated, combo, [&gate, combo, &form](int index) {
        if (!gate.enter(combo, [&] { form.Combo1.UserSelect(index); })) {
            form.Combo1.View(ViewUpdate::Changed);
        }
    });
    position->setBuddy(combo);
    auto* nameLabel = new QLabel(this);
    BindLabel(nameLabel, form.Label2[1]);
    auto* name = new TextBoxEdit(this);
    BindTextBox(gate, name, form.Text1, FromProgramText(form.Label2[1].Caption()));
    name->setMaxLength(static_cast<int>(form.Text1.MaxLength));
    nameLabel->setBuddy(name);
    auto* progress = new QProgressBar(this);
    progress->setObjectName(QString::fromStdString(form.ProgressBar1.Name));
    progress->setTextVisible(false);
    progress->setAccessibleName(QStringLiteral("Store progress"));
    InstallView(progress, form.ProgressBar1, showProgress);

    layout->addWidget(position, 1, 1);
    layout->addWidget(combo, 2, 1);
    layout->addWidget(nameLabel, 3, 1);
    layout->addWidget(name, 4, 1);
    layout->addWidget(progress, 5, 1);
    auto* buttons = new QHBoxLayout();
    auto* store = new QPushButton(this);
    auto* cancel = new QPushButton(this);
    BindButton(gate, store, form.Command1[1]);
    BindButton(gate, cancel, form.Command1[0]);
    store->setDefault(true);
    buttons->addStretch();
    buttons->addWidget(store);
    buttons->addWidget(cancel);
    layout->addLayout(buttons, 7, 0, 1, 2);
    layout->setRowStretch(6, 1);
    setTabOrder(list, combo);
    setTabOrder(combo, name);
    setTabOrder(name, store);
    setTabOrder(store, cancel);
}

UnitJobDialog::UnitJobDialog(Gate& gate, FrmUnitJob& form, QWidget* parent)
    : PresetDialog(gate, form, parent), gate_(gate), form_(form) {
    auto* layout = new QVBoxLayout(this);
    auto* list = new QTreeWidget(this);
    BindNumberedList(gate, list, form.List1, form.Label3);
    list->setAccessibleName(QStringLiteral("Presets"));
    list->setMinimumHeight(list->sizeHintForRow(0) * 16 + 8);
    list->setVisible(form.List1.Visible());
    layout->addWidget(list);
    auto* activity = new QLabel(this);
    BindLabel(activity, form.Label1);
    auto* progressText = new QLabel(this);
    BindLabel(progressText, form.Label2);
    activity->setMinimumWidth(360);
    layout->addWidget(activity);
    layout->addWidget(progressText);
    auto* bar = new QProgressBar(this);
    bar->setObjectName(QString::fromStdString(form.ProgressBar1.Name));
    bar->setAccessibleName(QStringLiteral("Progress"));
    // The job runs one transaction a tick while it runs; no timer runs otherwise. Each tick
    // shows on the bar, so the bar's view is where the timer learns that the job began.
    auto* ticks = new QTimer(this);
    ticks->setInterval(0);
    QObject::connect(ticks, &QTimer::timeout, this, [this, ticks] {
        gate_.enter(this, [this] { form_.Timer_Tick(); });
        if (!form_.Running()) ticks->stop();
    });
    InstallView(bar, form.ProgressBar1, [this, ticks](QProgressBar* w, const ProgressBar& b) {
        showProgress(w, b);
        if (form_.Running() && !ticks->isActive()) ticks->start();
    });
    layout->addWidget(bar);
    auto* buttons = new QHBoxLayout();
    buttons->addStretch();
    for (const int i : {1, 2, 0}) {
        Button& b = form.Command1[static_cast<std::size_t>(i)];
        auto* button = new QPushButton(this);
        BindButton(gate, button, b);
        button->setVisible(b.Visible());
        // A Cancel pressed while a transaction waits on the line is still a Cancel.
        if (i == 0) button->setProperty(Gate::kTakesInputWhenBusy, true);
        if (i == 1) button->setDefault(true);
        buttons->addWidget(button);
    }
    layout->addLayout(buttons);
}

// Escape is the Cancel button.
void UnitJobDialog::reject() {
    if (!form_.Unloaded()) gate_.enter(this, [this] { form_.Command1_Click(0); });
    if (form_.Unloaded()) QDialog::reject();
}

}  // namespace vx470::desktop
