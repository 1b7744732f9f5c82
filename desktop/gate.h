#pragma once

#include <QObject>
#include <QTimer>
#include <exception>
#include <utility>

#include "core/program.h"
#include "core/program_end.h"

namespace vx470::desktop {

// The one door from Qt into the program. It catches ProgramEnd (close the port, close every
// window without asking, leave), keeps timer ticks from entering while a handler runs (a
// message box or modal dialog runs a nested event loop), and runs the report poll timer
// exactly while a feedback search is on.
class Gate final : public QObject {
    Q_OBJECT
  public:
    explicit Gate(Program& program, QObject* parent = nullptr);

    // A user action or any call the program must see: always runs.
    template <typename F>
    void enter(F&& f) {
        if (ended_) return;
        ++depth_;
        try {
            std::forward<F>(f)();
        } catch (const ProgramEnd& end) {
            // Never let it cross Qt. An entry nested in a modal dialog's loop ends the
            // program here; the dialog's loop then returns and the adapter that ran it
            // throws again, so the outer entry stops running program code too.
            --depth_;
            endNow(end.exitCode);
            return;
        }
        --depth_;
        afterEntry();
    }

    // A timer tick: skipped while another entry is running.
    template <typename F>
    void tick(F&& f) {
        if (depth_ == 0) enter(std::forward<F>(f));
    }

    bool ended() const { return ended_; }
    bool busy() const { return depth_ > 0; }
    int exitCode() const { return exitCode_; }
    // Interval of the report poll while a search runs.
    static constexpr int kPollIntervalMs = 5;

  signals:
    // Emitted once, after the port is closed and before the windows close.
    void programEnded(int exitCode);
    // Emitted whenever the outermost entry returns: views that the program does not notify
    // (the graph canvases) look for changes here.
    void returned();

  private:
    void afterEntry();
    void endNow(int exitCode);

    Program& program_;
    QTimer poll_;
    int depth_ = 0;
    bool ended_ = false;
    int exitCode_ = 0;
};

}  // namespace vx470::desktop
