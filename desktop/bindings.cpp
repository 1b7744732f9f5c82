#include "desktop/bindings.h"

#include <QAbstractSlider>
#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QSignalBlocker>

#include "desktop/gate.h"
#include "desktop/program_text.h"

namespace vx470::desktop {
namespace {

// Positions inside the control's text, which is the widget's text as UTF-8.
std::size_t bytePosition(const QString& text, int position) {
    return ToProgramText(text.left(position)).size();
}
int widgetPosition(const std::string& text, std::size_t bytes) {
    return static_cast<int>(FromProgramText(std::string_view(text).substr(0, bytes)).size());
}

void showState(QWidget* w, const Control& c) {
    w->setEnabled(c.Enabled());
    // Showing a child before its window opens would only mark it; never open a window here.
    if (w->isWindow()) return;
    if (!c.Visible()) {
        w->hide();
    } else if (w->isHidden() && w->testAttribute(Qt::WA_WState_ExplicitShowHide)) {
        w->show();
    }
}

void nameWidget(QWidget* w, const Control& c, const QString& name, const QString& caption) {
    if (w->objectName().isEmpty()) w->setObjectName(QString::fromStdString(c.Name));
    if (!name.isEmpty()) {
        w->setAccessibleName(name);
    } else if (!caption.isEmpty()) {
        w->setAccessibleName(PlainCaption(caption));
    } else {
        w->setAccessibleName(QString::fromStdString(c.Name));
    }
}

void showScrollBar(QAbstractSlider* w, const ScrollBar& bar) {
    w->setRange(bar.Min(), bar.Max());
    w->setSingleStep(bar.SmallChange);
    w->setPageStep(bar.LargeChange);
    w->setValue(bar.Value());
    showState(w, bar);
}

void showCheckBox(QCheckBox* w, const CheckBox& box) {
    w->setText(FromProgramText(box.Caption));
    w->setChecked(box.Value() != 0);
    showState(w, box);
}

void showButton(QPushButton* w, const Button& button) {
    w->setText(FromProgramText(button.Caption));
    w->setToolTip(FromProgramText(button.ToolTip));
    showState(w, button);
}

void showFrame(QWidget* w, const Frame& frame) {
    if (auto* group = qobject_cast<QGroupBox*>(w)) group->setTitle(FromProgramText(frame.Caption));
    showState(w, frame);
}

}  // namespace

QString PlainCaption(const QString& caption) {
    QString plain;
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption[i] == u'&' && i + 1 < caption.size()) ++i;
        plain.append(caption[i]);
    }
    return plain;
}

Qt::CursorShape CursorFor(MousePointer pointer) {
    switch (pointer) {
        case MousePointer::Hourglass:
            return Qt::WaitCursor;
        case MousePointer::ArrowHourglass:
            return Qt::BusyCursor;
        case MousePointer::Default:
            break;
    }
    return Qt::ArrowCursor;
}

void BindScrollBar(Gate& gate, QAbstractSlider* widget, ScrollBar& bar, const QString& name) {
    nameWidget(widget, bar, name, {});
    InstallView(widget, bar, showScrollBar);
    // valueChanged covers arrows, paging, keys, the wheel and (with tracking) the thumb.
    QObject::connect(widget, &QAbstractSlider::valueChanged, widget,
                     [&gate, w = QPointer<QAbstractSlider>(widget), b = &bar](int value) {
                         gate.enter(w.data(), [&] { b->UserSetValue(value); });
                         if (!w) return;
                         const QSignalBlocker blocker(w.data());
                         showScrollBar(w.data(), *b);
                     });
}

void BindCheckBox(Gate& gate, QCheckBox* widget, CheckBox& box, const QString& name) {
    nameWidget(widget, box, name, FromProgramText(box.Caption));
    InstallView(widget, box, showCheckBox);
    QObject::connect(widget, &QCheckBox::clicked, widget,
                     [&gate, w = QPointer<QCheckBox>(widget), b = &box] {
                         gate.enter(w.data(), [&] { b->UserClick(); });
                         if (!w) return;
                         const QSignalBlocker blocker(w.data());
                         w->setChecked(b->Value() != 0);
                     });
}

void BindButton(Gate& gate, QPushButton* widget, Button& button, const QString& name) {
    nameWidget(widget, button, name, FromProgramText(button.Caption));
    InstallView(widget, button, showButton);
    QObject::connect(widget, &QPushButton::clicked, widget,
                     [&gate, widget, b = &button] { gate.enter(widget, [&] { b->UserClick(); }); });
}

void BindAction(Gate& gate, QAction* action, const QWidget* source, Button& button) {
    QPointer<QAction> a(action);
    const auto show = [a, &button] {
        if (!a) return;
        a->setText(PlainCaption(FromProgramText(button.Caption)));
        a->setEnabled(button.Enabled());
    };
    button.View = [show](ViewUpdate) { show(); };
    show();
    QObject::connect(action, &QAction::triggered, action,
                     [&gate, source, b = &button] { gate.enter(source, [&] { b->UserClick(); }); });
}

void BindLabel(QLabel* widget, Label& label, const QString& name) {
    widget->setTextFormat(Qt::PlainText);
    nameWidget(widget, label, name, FromProgramText(label.Caption()));
    // Without a fixed name the accessible name follows the caption.
    const bool followCaption = name.isEmpty();
    InstallView(widget, label, [followCaption](QLabel* w, const Label& l) {
        const QString caption = FromProgramText(l.Caption());
        w->setText(caption);
        if (followCaption && !caption.isEmpty()) w->setAccessibleName(caption);
        showState(w, l);
    });
}

void BindFrame(QWidget* widget, Frame& frame, const QString& name) {
    nameWidget(widget, frame, name, FromProgramText(frame.Caption));
    InstallView(widget, frame, showFrame);
}

void BindForm(QWidget* window, Form& form) {
    if (window->objectName().isEmpty()) window->setObjectName(QString::fromStdString(form.Name));
    InstallView(window, form, [](QWidget* w, const Form& f) {
        w->setWindowTitle(FromProgramText(f.Caption()));
        if (f.Pointer() == MousePointer::Default) {
            w->unsetCursor();
        } else {
            w->setCursor(CursorFor(f.Pointer()));
        }
        w->setEnabled(f.Enabled());
    });
}

bool FormAllowsClose(Gate& gate, Form& form, const QWidget* window) {
    if (gate.ended()) return true;
    bool refuse = false;
    // A window the program cannot ask now (it is busy, or a box is open) stays open.
    if (!gate.enter(window, [&] { refuse = form.QueryUnload && form.QueryUnload(); })) return false;
    return gate.ended() || !refuse;
}

// ---- text boxes ---------------------------------------------------------------------------

void BindTextBox(Gate& gate, TextBoxEdit* widget, TextBox& box, const QString& name) {
    widget->gate_ = &gate;
    widget->box_ = &box;
    nameWidget(widget, box, name, {});
    InstallView(widget, box, [](TextBoxEdit* w, const TextBox&) { w->showControl(false); });
    QObject::connect(widget, &QLineEdit::textEdited, widget,
                     [widget](const QString& text) { widget->userEdited(text); });
    // Text set from outside the widget's own editing (a screen reader inserting or replacing
    // text, which also ignores read-only and disabled) is handed over like an edit, so the
    // box never shows what the control does not hold. The program's own changes come with
    // signals blocked, and the user's edits have been taken over by the time this fires.
    QObject::connect(widget, &QLineEdit::textChanged, widget, [widget](const QString& text) {
        if (widget->box_ != nullptr && ToProgramText(text) != widget->box_->Text()) {
            widget->userEdited(text);
        }
    });
}

void TextBoxEdit::showControl(bool caret) {
    if (box_ == nullptr) return;
    const QSignalBlocker blocker(this);
    setReadOnly(box_->Locked);
    // A new limit puts the caret at the end, so it goes first.
    const int limit = box_->MaxLength == 0 ? 32767 : static_cast<int>(box_->MaxLength);
    if (maxLength() != limit) setMaxLength(limit);
    const QString text = FromProgramText(box_->Text());
    const bool changed = text != this->text();
    if (changed) setText(text);
    if (caret || changed) {
        const std::string& held = box_->Text();
        const int start = widgetPosition(held, box_->SelStart());
        if (box_->SelLength() != 0) {
            setSelection(start, widgetPosition(held, box_->SelStart() + box_->SelLength()) - start);
        } else {
            setCursorPosition(start);
        }
    }
    showState(this, *box_);
}

void TextBoxEdit::typeKeys(const QList<int>& codes) {
    const QString shown = text();
    const int start = hasSelectedText() ? selectionStart() : cursorPosition();
    const int length = hasSelectedText() ? static_cast<int>(selectedText().size()) : 0;
    const std::size_t byteStart = bytePosition(shown, start);
    const std::size_t byteLength = bytePosition(shown, start + length) - byteStart;
    QPointer<TextBoxEdit> self(this);
    TextBox* box = box_;
    gate_->enter(this, [&] {
        box->SetSelection(byteStart, byteLength);
        // A key handler may open a message box; later keys go to the caret it left.
        for (int code : codes) box->UserKey(code);
    });
    if (self) showControl(true);
}

void TextBoxEdit::userEdited(const QString& text) {
    if (box_ == nullptr) return;
    const std::size_t caret = bytePosition(text, cursorPosition());
    QPointer<TextBoxEdit> self(this);
    TextBox* box = box_;
    gate_->enter(this, [&] { box->UserEdit(ToProgramText(text), caret); });
    // Characters the box cannot hold were left out, and a refused edit restores the text.
    if (self) showControl(false);
}

bool TextBoxEdit::event(QEvent* event) {
    // Left to the window, whose Undo and Redo then take the keys; the box's own undo of typed
    // characters would only fight the program's text.
    if (event->type() == QEvent::ShortcutOverride) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->matches(QKeySequence::Undo) || key->matches(QKeySequence::Redo)) return false;
    }
    return QLineEdit::event(event);
}

void TextBoxEdit::keyPressEvent(QKeyEvent* event) {
    if (box_ == nullptr) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    const Qt::KeyboardModifiers mods =
        event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    QList<int> codes;
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        codes.append(Key::Enter);
    } else if (event->key() == Qt::Key_Backspace && mods == Qt::NoModifier) {
        codes.append(Key::Backspace);
    } else if (!event->text().isEmpty() &&
               // Ctrl or Alt alone make a shortcut; both together are AltGr on some systems.
               (mods == Qt::NoModifier || mods == (Qt::ControlModifier | Qt::AltModifier))) {
        for (char32_t c : event->text().toUcs4()) {
            if (!QChar::isPrint(c)) {
                codes.clear();
                break;
            }
            codes.append(static_cast<int>(c));
        }
    }
    if (codes.isEmpty()) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    event->accept();
    typeKeys(codes);
    // As in any line edit, Enter then goes on to the window: a dialog's default button.
    if (codes.size() == 1 && codes.front() == Key::Enter) event->ignore();
}

void TextBoxEdit::inputMethodEvent(QInputMethodEvent* event) {
    // A composed character arrives here instead of as a key; it is typed like one.
    if (box_ == nullptr || event->commitString().isEmpty() || !event->preeditString().isEmpty() ||
        event->replacementLength() != 0) {
        QLineEdit::inputMethodEvent(event);
        return;
    }
    QList<int> codes;
    for (char32_t c : event->commitString().toUcs4()) codes.append(static_cast<int>(c));
    event->accept();
    typeKeys(codes);
}

}  // namespace vx470::desktop
