#include "desktop/qt_platform.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>

#include "core/program_end.h"
#include "desktop/gate.h"
#include "desktop/preset_dialogs.h"
#include "desktop/program_text.h"

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

QString fromUtf8(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }
std::string toUtf8(const QString& s) { return s.toUtf8().toStdString(); }

}  // namespace

Answer QtDialogs::show(const MessageBox& box) {
    QMessageBox message(iconFor(box.icon), FromProgramText(box.title), FromProgramText(box.text),
                        QMessageBox::NoButton, QApplication::activeWindow());
    if (box.buttons == MessageButtons::Ok) {
        message.setStandardButtons(QMessageBox::Ok);
        message.exec();
        return Answer::Ok;
    }
    message.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    message.setDefaultButton(box.defaultButton == 1 ? QMessageBox::No : QMessageBox::Yes);
    return message.exec() == QMessageBox::Yes ? Answer::Yes : Answer::No;
}

QString QtFilter(const std::string& filter) {
    // "description|pattern|description|pattern" → "description;;description"; the
    // descriptions carry their patterns in brackets, which is what Qt reads.
    const QStringList parts = fromUtf8(filter).split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i < parts.size(); i += 2) filters.append(parts.at(i));
    return filters.join(QStringLiteral(";;"));
}

std::string QtFileDialogs::openFile(const FileDialogRequest& request) {
    return toUtf8(QFileDialog::getOpenFileName(QApplication::activeWindow(), QString(),
                                               fromUtf8(request.initialFolder),
                                               QtFilter(request.filter)));
}

std::string QtFileDialogs::saveFile(const FileDialogRequest& request) {
    const QFileDialog::Options options =
        request.confirmOverwrite ? QFileDialog::Options() : QFileDialog::DontConfirmOverwrite;
    return toUtf8(QFileDialog::getSaveFileName(QApplication::activeWindow(), QString(),
                                               fromUtf8(request.initialFolder),
                                               QtFilter(request.filter), nullptr, options));
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

std::string QtHost::currentDirectory() { return toUtf8(QDir::currentPath()); }

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
    dialog.exec();
    if (gate->ended()) throw ProgramEnd(gate->exitCode());
}

}  // namespace

void QtHost::showModal(FrmRead& form) {
    if (gate_ != nullptr && program_ != nullptr) runModal<ReadDialog>(gate_, form);
}

void QtHost::showModal(FrmStore& form) {
    if (gate_ != nullptr && program_ != nullptr) runModal<StoreDialog>(gate_, form);
}

}  // namespace vx470::desktop
