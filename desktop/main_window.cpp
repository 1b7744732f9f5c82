#include "desktop/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <algorithm>

#include "core/app_info.h"
#include "desktop/artwork.h"
#include "desktop/bindings.h"
#include "desktop/editor_window.h"
#include "desktop/gate.h"
#include "desktop/program_text.h"
#include "desktop/serial_log_window.h"
#include "desktop/sheet_painter.h"

namespace vx470::desktop {

namespace {

// Where the start-up label sits on the picture, in pixels.
const QRect kLabelArea(306, 426, 200, 20);

}  // namespace

SplashWindow::SplashWindow(Program& program, QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint) {
    FrmSplash& form = program.frmSplash;
    setObjectName(QString::fromStdString(form.Name));
    setWindowTitle(QString::fromUtf8(kApplicationTitle.data(),
                                     static_cast<qsizetype>(kApplicationTitle.size())));
    const QPixmap picture = SplashPicture(devicePixelRatioF());
    setFixedSize(picture.deviceIndependentSize().toSize());
    auto* background = new QLabel(this);
    background->setPixmap(picture);
    background->setGeometry(rect());
    auto* label = new QLabel(this);
    label->setGeometry(kLabelArea);
    // A light plate under the text keeps it readable on the dark picture.
    label->setStyleSheet(
        QStringLiteral("QLabel { background: rgba(255,255,255,225); color: #141a24;"
                       " border-radius: 3px; padding: 0 4px; }"));
    BindLabel(label, form.Label1);
    QPointer<SplashWindow> self(this);
    form.View = [self, &form](ViewUpdate how) {
        if (!self) return;
        if (form.Pointer() == MousePointer::Default) {
            self->unsetCursor();
        } else {
            self->setCursor(CursorFor(form.Pointer()));
        }
        if (how == ViewUpdate::RepaintNow) self->repaint();
        if (form.Unloaded()) self->close();
    };
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - rect().center());
    }
}

MainWindow::MainWindow(Program& program, Gate& gate, QWidget* parent)
    : QMainWindow(parent), program_(program), gate_(gate) {
    MDIFrmMain& form = program.mainWindow;
    setObjectName(QString::fromStdString(form.Name));
    setWindowIcon(ApplicationIcon());
    resize(798, 521);  // the window's normal size; it is shown maximised

    auto* toolbar = new QToolBar(this);
    toolbar->setObjectName(QStringLiteral("Toolbar1"));
    toolbar->setAccessibleName(QStringLiteral("Toolbar"));
    toolbar->setMovable(false);
    toolbar->setFloatable(false);
    toolbar->setIconSize(QSize(32, 32));
    for (int index : MDIFrmMain::kToolbarButtons) {
        auto* button = new QPushButton(toolbar);
        button->setIcon(ToolbarIcon(index));
        button->setIconSize(QSize(32, 32));
        button->setFlat(true);
        button->setFixedSize(QSize(41, 41));
        Button& b = form.Command1[static_cast<std::size_t>(index)];
        BindButton(gate, button, b, FromProgramText(b.ToolTip));
        toolbar->addWidget(button);
    }
    toolbar->addSeparator();
    for (Button* b : {&form.UnitMenu[0], &form.UnitMenu[1], &form.ExportButton}) {
        auto* button = new QPushButton(toolbar);
        button->setFlat(true);
        BindButton(gate, button, *b);
        toolbar->addWidget(button);
    }
    // Undo and Redo in a menu of their own, named after the edit; their keys work anywhere
    // in the window.
    auto* edit = new QPushButton(QStringLiteral("Edit"), toolbar);
    edit->setObjectName(QStringLiteral("mnuEdit"));
    edit->setAccessibleName(QStringLiteral("Edit"));
    edit->setFlat(true);
    auto* editMenu = new QMenu(edit);
    editMenu->setObjectName(QStringLiteral("EditMenu"));
    const std::array<QKeySequence, 2> keys = {QKeySequence(Qt::CTRL | Qt::Key_Z),
                                              QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)};
    for (std::size_t i = 0; i < form.EditMenu.size(); ++i) {
        QAction* action = editMenu->addAction(QString());
        action->setObjectName(QString::fromStdString(form.EditMenu[i].Name));
        action->setShortcut(keys[i]);
        BindAction(gate, action, this, form.EditMenu[i]);
        addAction(action);
    }
    // What the entries would do, on the button itself: its tool tip, and what a screen reader
    // says with it (a menu that is not open is not there for one).
    const auto describe = [edit, editMenu] {
        QStringList open;
        for (const QAction* a : editMenu->actions()) {
            if (a->isEnabled()) open.append(a->text());
        }
        const QString text = open.isEmpty() ? QStringLiteral("Nothing to undo or redo now")
                                            : open.join(QStringLiteral(", "));
        edit->setToolTip(text);
        edit->setAccessibleDescription(text);
        edit->setEnabled(!open.isEmpty());
    };
    for (const QAction* a : editMenu->actions()) connect(a, &QAction::changed, edit, describe);
    describe();
    edit->setMenu(editMenu);
    toolbar->addWidget(edit);
    form.DrawExport = [&graph = program.graph](const ExportSheet& sheet, SheetFormat format) {
        return DrawExportSheet(graph, sheet, format);
    };
    // The serial log, in a window of its own made when first asked for. Not a button of the
    // program's: it stays at hand while a search locks those. (A menu bar would make the
    // maximised editor's title part of the main window's.)
    QAction* serialLog = toolbar->addAction(QStringLiteral("Serial log"));
    serialLog->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_L));
    serialLog->setToolTip(QStringLiteral("The frames to and from the unit (Ctrl+L)"));
    connect(serialLog, &QAction::triggered, this, [this] {
        auto* log = findChild<SerialLogWindow*>();
        if (log == nullptr) log = new SerialLogWindow(program_, gate_, this);
        log->show();
        log->raise();
        log->activateWindow();
    });
    // The comparison's buttons come before the serial log, after the program's other buttons.
    toolbar->insertSeparator(serialLog);
    for (Button& b : form.CompareMenu) {
        auto* button = new QPushButton(toolbar);
        button->setFlat(true);
        BindButton(gate, button, b);
        toolbar->insertWidget(serialLog, button);
    }
    addToolBar(Qt::TopToolBarArea, toolbar);

    area_ = new QMdiArea(this);
    area_->setObjectName(QStringLiteral("MdiArea"));
    // On a screen too small for the editor (or too highly scaled) the editor scrolls instead
    // of forcing the window beyond the screen and being cut off there.
    area_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    area_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(area_);
    editor_ = new EditorWindow(program, gate);
    editorFrame_ = area_->addSubWindow(editor_);
    editorFrame_->setWindowIcon(ApplicationIcon());
    editorFrame_->showMaximized();
    // The editor's subwindow keeps Tab to itself; past its ends the toolbar comes next.
    editor_->LeaveByTab = [this](bool next) {
        QList<QPushButton*> buttons;
        for (int index : MDIFrmMain::kToolbarButtons) buttons.append(ToolbarButton(index));
        if (!next) std::reverse(buttons.begin(), buttons.end());
        for (QPushButton* b : buttons) {
            if (b->isEnabled() && b->isVisible()) {
                b->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
                return true;
            }
        }
        return false;
    };

    // What a graph shows under the pointer, in the status line.
    auto* readout = new QLabel(this);
    readout->setObjectName(QStringLiteral("GraphReadout"));
    // Its text is its accessible name, so a screen reader says the readout itself.
    readout->setTextFormat(Qt::PlainText);
    statusBar()->addWidget(readout, 1);
    // What the graphs are compared with; its text is its accessible name too, also when empty.
    auto* compared = new QLabel(this);
    compared->setObjectName(QString::fromStdString(form.Label1.Name));
    compared->setTextFormat(Qt::PlainText);
    InstallView(compared, form.Label1,
                [](QLabel* w, const Label& l) { w->setText(FromProgramText(l.Caption())); });
    statusBar()->addPermanentWidget(compared);
    editor_->GraphHovered = [readout](const QString& text) { readout->setText(text); };

    QPointer<MainWindow> self(this);
    form.View = [self](ViewUpdate how) {
        if (!self) return;
        self->showForm();
        if (how == ViewUpdate::RepaintNow) self->repaint();
    };
    showForm();
}

void MainWindow::showForm() {
    const MDIFrmMain& form = program_.mainWindow;
    const QString caption = FromProgramText(form.Caption());
    setWindowTitle(caption.isEmpty()
                       ? QString::fromUtf8(kApplicationTitle.data(),
                                           static_cast<qsizetype>(kApplicationTitle.size()))
                       : caption);
    if (form.Pointer() == MousePointer::Default) {
        unsetCursor();
    } else {
        setCursor(CursorFor(form.Pointer()));
    }
    setEnabled(form.Enabled());
    if (form.Visible() && !isVisible()) {
        if (form.State() == Form::WindowState::Maximized) {
            showMaximized();
        } else {
            show();
        }
    } else if (form.Visible() && form.State() == Form::WindowState::Maximized && !isMaximized()) {
        showMaximized();
    }
}

QPushButton* MainWindow::ToolbarButton(int index) const {
    const Button& b = program_.mainWindow.Command1[static_cast<std::size_t>(index)];
    return findChild<QPushButton*>(QString::fromStdString(b.Name));
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (FormAllowsClose(gate_, program_.mainWindow, this)) {
        event->accept();
    } else {
        event->ignore();
    }
}

}  // namespace vx470::desktop
