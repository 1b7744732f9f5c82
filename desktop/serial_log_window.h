#pragma once

#include <QElapsedTimer>
#include <QWidget>
#include <string>

#include "core/program.h"

class QLineEdit;
class QPlainTextEdit;

namespace vx470::desktop {

class Gate;

// The serial log: the lines of the program's traffic log that hold the words of the filter,
// following the line while the window shows (closed, it costs the program nothing), with the
// selection to copy and the whole log to save.
class SerialLogWindow final : public QWidget {
    Q_OBJECT
  public:
    SerialLogWindow(Program& program, Gate& gate, QWidget* parent = nullptr);
    ~SerialLogWindow() override;

  protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    void showLines();
    void follow(const std::string& line);

    Program& program_;
    Gate& gate_;
    QLineEdit* filter_ = nullptr;
    QPlainTextEdit* view_ = nullptr;
    QElapsedTimer painted_;
};

}  // namespace vx470::desktop
