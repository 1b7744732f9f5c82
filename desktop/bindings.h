#pragma once

#include <QLineEdit>
#include <QPointer>
#include <QSignalBlocker>
#include <QString>

#include "core/controls/controls.h"

class QAbstractSlider;
class QAction;
class QCheckBox;
class QLabel;
class QPushButton;
class QWidget;

namespace vx470::desktop {

class Gate;

// Binders: each shows one headless control in one widget and hands the user's actions to the
// control through the gate. A change the program makes reaches the widget with the widget's
// signals blocked, so showing it never re-enters the program; RepaintNow paints at once.
//
// Own state (enabled, visible) goes to the widget; a frame's state reaches its controls
// through the widget tree, so each control's widget must sit inside its frame's widget.
// A widget may die before its control (the control then updates nothing); the program and
// the gate must outlive the widgets.
//
// The accessible name is `name` when given, else the control's caption (without its
// mnemonic ampersands), else the control's Name. Each widget without an object name takes
// the control's Name as its object name, so windows and tests can find it by that.

// QScrollBar or QSlider: range, steps, value; every value the user gives it, also while the
// thumb is dragged.
void BindScrollBar(Gate& gate, QAbstractSlider* widget, ScrollBar& bar, const QString& name = {});
// The tick always shows the control's value after a click, also when the program refused or
// undid the change.
void BindCheckBox(Gate& gate, QCheckBox* widget, CheckBox& box, const QString& name = {});
void BindButton(Gate& gate, QPushButton* widget, Button& button, const QString& name = {});
// A menu entry or shortcut for a button: its caption and enabled state; triggering it clicks
// the button through the gate, as from `source`.
void BindAction(Gate& gate, QAction* action, const QWidget* source, Button& button);
void BindLabel(QLabel* widget, Label& label, const QString& name = {});
// A QGroupBox shows the caption as its title; any other widget only holds the controls.
void BindFrame(QWidget* widget, Frame& frame, const QString& name = {});
// The window's title, mouse pointer and enabled state.
void BindForm(QWidget* window, Form& form);
// Asks the form whether `window` may close now (its QueryUnload through the gate); a program
// that has ended lets every window close.
bool FormAllowsClose(Gate& gate, Form& form, const QWidget* window);

class TextBoxEdit;
void BindTextBox(Gate& gate, TextBoxEdit* widget, TextBox& box, const QString& name = {});

// A line edit for a TextBox. Character keys (printable characters, Enter, Backspace) go to
// the control's key handling at the widget's caret and selection, and the widget then shows
// the control's text and caret. Every other edit (Delete, paste, cut, undo, dropping text)
// is made by QLineEdit and handed over as a whole new text.
class TextBoxEdit : public QLineEdit {
  public:
    using QLineEdit::QLineEdit;

  protected:
    // Undo and redo are the program's: they undo edits of the unit's parameters.
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;

  private:
    friend void BindTextBox(Gate&, TextBoxEdit*, TextBox&, const QString&);
    void typeKeys(const QList<int>& codes);
    void userEdited(const QString& text);
    // The control's text; with `caret`, also its caret and selection.
    void showControl(bool caret);

    Gate* gate_ = nullptr;
    TextBox* box_ = nullptr;
};

// The view of a control every binder installs's view: `show` brings the widget up to date (signals
// blocked), then RepaintNow paints it at once. Shows the current state right away.
template <typename W, typename C, typename Show>
void InstallView(W* widget, C& control, Show show) {
    QPointer<W> w(widget);
    control.View = [w, &control, show](ViewUpdate how) {
        if (!w) return;
        {
            const QSignalBlocker blocker(w.data());
            show(w.data(), control);
        }
        if (how == ViewUpdate::RepaintNow) w->repaint();
    };
    const QSignalBlocker blocker(widget);
    show(widget, control);
}

// Qt's cursor for a form's mouse pointer.
Qt::CursorShape CursorFor(MousePointer pointer);
// A caption as a screen reader should say it: "&&" is "&", a single "&" marks a mnemonic.
QString PlainCaption(const QString& caption);

}  // namespace vx470::desktop
