#pragma once

#include <QtTest>
#include <QtWidgets>

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
    TextBoxEdit* edit(const char* name, int i) const { return find<TextBoxEdit>(name, i); }
    QScrollBar* bar(const char* name, int i) const { return find<QScrollBar>(name, i); }
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
    // Characters as a keyboard types them, also those QTest has no key for.
    static void type(QWidget* w, const QString& text) {
        QKeyEvent key(QEvent::KeyPress, 0, Qt::NoModifier, text);
        QCoreApplication::sendEvent(w, &key);
    }

    Gate gate{program};
    std::unique_ptr<MainWindow> window = std::make_unique<MainWindow>(program, gate);
};

// Widgets whose content does not fit: cut by their parent, or smaller than their text or
// picture. A line edit's text has the frame and 2 pixels each side besides its margins.
inline QStringList clippedWidgets(const QWidget* root) {
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

}  // namespace vx470::desktop
