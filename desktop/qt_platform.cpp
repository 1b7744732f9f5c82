#include "desktop/qt_platform.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileDialog>
#include <QFontMetrics>
#include <QGridLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QStandardPaths>

#include "core/program_end.h"
#include "desktop/gate.h"
#include "desktop/preset_dialogs.h"
#include "desktop/program_text.h"
#include "desktop/qt_files.h"

namespace vx470::desktop {

namespace {

QMessageBox::Icon iconFor(MessageIcon icon) {
    switch (icon) {
        case MessageIcon::Information:
            return QMessageBox::Information;
        case MessageIcon::Exclamation:
            return QMessageBox::Warning;
        case MessageIcon::Critical:
            return QMessageBox::Critical;
        case MessageIcon::Question:
            return QMessageBox::Question;
        case MessageIcon::None:
            break;
    }
    return QMessageBox::NoIcon;
}

QString fromUtf8(const std::string& s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}
std::string toUtf8(const QString& s) {
    return s.toUtf8().toStdString();
}

// A short text under a longer title makes a box the window manager titles "Rea… eset";
// a little width keeps the title whole.
void keepTitleReadable(QMessageBox& message, const QString& title) {
    auto* grid = qobject_cast<QGridLayout*>(message.layout());
    if (grid == nullptr) return;
    QFont bold = message.font();
    bold.setBold(true);
    const int width = QFontMetrics(bold).horizontalAdvance(title) * 5 / 4 + 96;
    grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Fixed),
                  grid->rowCount(), 0, 1, grid->columnCount());
}

// Runs a nested event loop as the gate's modal level `window` (nullptr: nothing enters).
template <typename F>
auto modally(Gate* gate, QWidget* window, F run) {
    if (gate == nullptr) return run();
    const Gate::Modal modal(*gate, window);
    return run();
}

// What follows a closed dialog is often a long transaction that paints nothing but the
// controls it changes: let the windows the dialog covered repaint first, or its outline
// stays on screen until the program is idle again. No user input is taken meanwhile, and
// timers do not enter the program while it is busy.
void settleAfterDialog() {
    QEventLoop loop;
    QTimer::singleShot(40, &loop, &QEventLoop::quit);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
}

Answer ask(const MessageBox& box) {
    const QString title = FromProgramText(box.title);
    QMessageBox message(iconFor(box.icon), title, FromProgramText(box.text), QMessageBox::NoButton,
                        QApplication::activeWindow());
    keepTitleReadable(message, title);
    if (box.buttons == MessageButtons::Ok) {
        message.setStandardButtons(QMessageBox::Ok);
        message.exec();
        return Answer::Ok;
    }
    message.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    message.setDefaultButton(box.defaultButton == 1 ? QMessageBox::No : QMessageBox::Yes);
    return message.exec() == QMessageBox::Yes ? Answer::Yes : Answer::No;
}

}  // namespace

Answer QtDialogs::show(const MessageBox& box) {
    const Answer answer = modally(gate_, nullptr, [&] { return ask(box); });
    settleAfterDialog();
    return answer;
}

QStringList QtNameFilters(const std::string& filter) {
    // "description|pattern|description|pattern" → the descriptions, which carry their
    // patterns in brackets, which is what Qt reads.
    const QStringList parts = fromUtf8(filter).split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i < parts.size(); i += 2) filters.append(parts.at(i));
    return filters;
}

namespace {

// The dialog opens in the request's folder with an empty name; a name typed in comes back
// whether or not that file is there, so the program answers a missing one in its own words.
std::string chooseFile(Gate* gate, const FileDialogRequest& request, QFileDialog::AcceptMode mode) {
    QFileDialog dialog(QApplication::activeWindow());
    dialog.setAcceptMode(mode);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(QtNameFilters(request.filter));
    dialog.setDirectory(fromUtf8(request.initialFolder));
    dialog.setOption(QFileDialog::DontConfirmOverwrite,
                     mode != QFileDialog::AcceptSave || !request.confirmOverwrite);
    const int result = modally(gate, nullptr, [&] { return dialog.exec(); });
    settleAfterDialog();
    const QStringList chosen = dialog.selectedFiles();
    return result == QDialog::Accepted && !chosen.isEmpty() ? toUtf8(chosen.first())
                                                            : std::string();
}

}  // namespace

std::string QtFileDialogs::openFile(const FileDialogRequest& request) {
    return chooseFile(gate_, request, QFileDialog::AcceptOpen);
}

std::string QtFileDialogs::saveFile(const FileDialogRequest& request) {
    return chooseFile(gate_, request, QFileDialog::AcceptSave);
}

std::string QtFileDialogs::chooseFolder(const FileDialogRequest& request) {
    QFileDialog dialog(QApplication::activeWindow(), fromUtf8(request.title));
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    dialog.setDirectory(fromUtf8(request.initialFolder));
    const int result = modally(gate_, nullptr, [&] { return dialog.exec(); });
    settleAfterDialog();
    const QStringList chosen = dialog.selectedFiles();
    return result == QDialog::Accepted && !chosen.isEmpty() ? toUtf8(chosen.first())
                                                            : std::string();
}

void QtHost::attach(Program& program, Gate& gate) {
    program_ = &program;
    gate_ = &gate;
}

ScreenSize QtHost::screenSize() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) return {};
    const QSize size = screen->size();
    return {size.width(), size.height()};
}

std::string QtHost::currentDirectory() {
    return toUtf8(QDir::currentPath());
}

// One folder of the program's own in each of the platform's places for configuration and for
// data (on Linux ~/.config/vx470-remote and ~/.local/share/vx470-remote).
UserFolders QtHost::userFolders() {
    const auto own = [](QStandardPaths::StandardLocation location) {
        const QString base = QStandardPaths::writableLocation(location);
        return base.isEmpty() ? std::string() : toUtf8(base + QStringLiteral("/vx470-remote"));
    };
    return {toUtf8(QCoreApplication::applicationDirPath()),
            own(QStandardPaths::GenericConfigLocation), own(QStandardPaths::GenericDataLocation)};
}

bool QtHost::flushToDisk(const std::string& path) {
    return FlushFileToDisk(fromUtf8(path));
}

void QtHost::setTimer(TimerId timer, int intervalMs) {
    QTimer*& t = timers_[timer];
    if (t == nullptr) {
        t = new QTimer(this);
        connect(t, &QTimer::timeout, this, [this, timer] {
            if (program_ != nullptr && gate_ != nullptr) {
                gate_->tick([this, timer] { program_->OnTimer(timer); });
            }
        });
    }
    if (intervalMs <= 0) {
        t->stop();
    } else {
        t->start(intervalMs);
    }
}

namespace {

// Runs a bound dialog until its form unloads itself. A program that ended while it ran stops
// here too, so no more program code runs after the dialog.
template <typename Dialog, typename Form>
void runModal(Gate* gate, Form& form) {
    Dialog dialog(*gate, form, QApplication::activeWindow());
    modally(gate, &dialog, [&] { return dialog.exec(); });
    if (gate->ended()) throw ProgramEnd(gate->exitCode());
}

}  // namespace

void QtHost::showModal(FrmRead& form) {
    if (gate_ != nullptr && program_ != nullptr) runModal<ReadDialog>(gate_, form);
}

void QtHost::showModal(FrmStore& form) {
    if (gate_ != nullptr && program_ != nullptr) runModal<StoreDialog>(gate_, form);
}

void QtHost::showModal(FrmUnitJob& form) {
    if (gate_ != nullptr && program_ != nullptr) runModal<UnitJobDialog>(gate_, form);
}

}  // namespace vx470::desktop
