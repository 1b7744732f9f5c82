#include "desktop/serial_log_window.h"

#include <QApplication>
#include <QClipboard>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <vector>

#include "core/presets/preset_files.h"
#include "desktop/gate.h"
#include "desktop/program_text.h"

namespace vx470::desktop {

namespace {
// While the program waits on the line the window is painted at most this often.
constexpr qint64 kPaintEveryMs = 100;
}  // namespace

SerialLogWindow::SerialLogWindow(Program& program, Gate& gate, QWidget* parent)
    : QWidget(parent, Qt::Window), program_(program), gate_(gate) {
    setObjectName(QStringLiteral("SerialLog"));
    setWindowTitle(QStringLiteral("Serial log"));
    resize(900, 480);

    auto* label = new QLabel(QStringLiteral("&Filter:"), this);
    filter_ = new QLineEdit(this);
    filter_->setAccessibleName(QStringLiteral("Filter"));
    filter_->setPlaceholderText(QStringLiteral("words every line shown holds"));
    filter_->setClearButtonEnabled(true);
    label->setBuddy(filter_);
    auto* copy = new QPushButton(QStringLiteral("&Copy"), this);
    copy->setToolTip(QStringLiteral("Copy the selected lines, or all lines shown"));
    auto* save = new QPushButton(QStringLiteral("&Save log..."), this);
    save->setToolTip(QStringLiteral("Save the whole log to a file"));

    view_ = new QPlainTextEdit(this);
    view_->setAccessibleName(QStringLiteral("Serial log"));
    view_->setReadOnly(true);
    view_->setLineWrapMode(QPlainTextEdit::NoWrap);
    view_->setMaximumBlockCount(static_cast<int>(TrafficLog::kCapacity));
    view_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));

    auto* top = new QHBoxLayout;
    top->addWidget(label);
    top->addWidget(filter_, 1);
    top->addWidget(copy);
    top->addWidget(save);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(view_, 1);

    connect(filter_, &QLineEdit::textChanged, this, [this] { showLines(); });
    connect(copy, &QPushButton::clicked, this, [this] {
        const QString selected = view_->textCursor().selectedText();
        // The selection separates lines with U+2029; the clipboard takes plain new lines.
        QApplication::clipboard()->setText(
            selected.isEmpty() ? view_->toPlainText()
                               : QString(selected).replace(QChar::ParagraphSeparator, u'\n'));
    });
    connect(save, &QPushButton::clicked, this,
            [this, save] { gate_.enter(save, [this] { SaveSerialLog(program_); }); });
}

SerialLogWindow::~SerialLogWindow() {
    program_.trafficLog.Follow = nullptr;
}

void SerialLogWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    program_.trafficLog.Follow = [this](const std::string& line) { follow(line); };
    showLines();
}

void SerialLogWindow::hideEvent(QHideEvent* event) {
    program_.trafficLog.Follow = nullptr;
    QWidget::hideEvent(event);
}

void SerialLogWindow::showLines() {
    const std::string filter = ToProgramText(filter_->text());
    std::vector<std::string> lines;
    if (!gate_.enter(filter_, [&] { lines = program_.trafficLog.lines(filter); })) return;
    QString text;
    for (const std::string& line : lines) {
        text += FromProgramText(line);
        text += u'\n';
    }
    text.chop(1);
    view_->setPlainText(text);
    view_->moveCursor(QTextCursor::End);
}

void SerialLogWindow::follow(const std::string& line) {
    if (!TrafficLog::Matches(line, ToProgramText(filter_->text()))) return;
    view_->appendPlainText(FromProgramText(line));
    // A transaction blocks the event loop: a long one (a store) shows its lines as it goes.
    if (gate_.busy() && (!painted_.isValid() || painted_.elapsed() >= kPaintEveryMs)) {
        view_->viewport()->repaint();
        painted_.start();
    }
}

}  // namespace vx470::desktop
