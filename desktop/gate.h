#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <exception>
#include <utility>
#include <vector>

#include "core/program.h"
#include "core/program_end.h"

class QCoreApplication;

namespace vx470::desktop {

// The one door from Qt into the program. One entry runs at a time: while it waits on the line
// or shows a message box, a file dialog or a modal form (a nested event loop), nothing else
// enters — no widget auto-repeat, no drag, no timer, no queued signal, no screen reader —
// except the widgets of the modal form being shown, and only while nothing is open on top of
// that form. It catches ProgramEnd (close the port, close every window without asking,
// leave), and runs the report poll timer exactly while a feedback search is on.
class Gate final : public QObject {
    Q_OBJECT
  public:
    explicit Gate(Program& program, QObject* parent = nullptr);
    ~Gate() override;

    // A user action from `source` (the widget it came from; nullptr for the program's own
    // start). Returns false when it was refused: the caller then shows the control's state
    // again, so the widget never keeps what the program did not take.
    template <typename F>
    bool enter(const QObject* source, F&& f) {
        if (!admits(source)) return false;
        run(std::forward<F>(f));
        return true;
    }

    // A timer tick: only while no entry runs.
    template <typename F>
    void tick(F&& f) {
        if (depth_ == 0 && !ended_) run(std::forward<F>(f));
    }

    // A nested event loop the program runs from inside an entry. `window` is the modal form
    // whose own widgets may enter meanwhile; nullptr (a message box, a file dialog) lets
    // nothing in. A mouse button held on a widget is let go first: its release would go to a
    // window the loop blocks, and the widget would go on repeating or dragging.
    class Modal {
      public:
        Modal(Gate& gate, QWidget* window);
        ~Modal();
        Modal(const Modal&) = delete;
        Modal& operator=(const Modal&) = delete;

      private:
        Gate& gate_;
    };

    // Window-system input that was made while the program could not take it (during an
    // entry, before a modal loop opened) is dropped when it is finally delivered: presses,
    // keys and the wheel, never a release. Installed on the application by main().
    void watchInput(QCoreApplication& app);

    bool ended() const { return ended_; }
    bool busy() const { return depth_ > 0; }
    int exitCode() const { return exitCode_; }
    // A widget with this property set takes presses while the program is busy (a job's
    // Cancel): they are not dropped as stale, nor let go after a long entry.
    static constexpr const char* kTakesInputWhenBusy = "vx470TakesInputWhenBusy";
    // Interval of the report poll while a search runs.
    static constexpr int kPollIntervalMs = 5;
    // An entry that takes longer than this lets go of a held mouse button: one click on an
    // arrow of a slow line is one step, not a step and the repeats queued behind it.
    static constexpr qint64 kLongEntryMs = 250;

  signals:
    // Emitted once, after the port is closed and before the windows close.
    void programEnded(int exitCode);
    // Emitted whenever the outermost entry returns: views that the program does not notify
    // (the graph canvases) look for changes here.
    void returned();
    // Emitted while an entry waits on the line for a reply: views can catch up meanwhile.
    void waiting();

  private:
    class InputWatch;

    template <typename F>
    void run(F&& f) {
        QElapsedTimer took;
        took.start();
        ++depth_;
        started();
        try {
            std::forward<F>(f)();
        } catch (const ProgramEnd& end) {
            // Never let it cross Qt. An entry nested in a modal form's loop ends the program
            // here; the form's loop then returns and the adapter that ran it throws again, so
            // the outer entry stops running program code too.
            --depth_;
            endNow(end.exitCode);
            return;
        }
        --depth_;
        afterEntry(took.elapsed());
    }

    bool admits(const QObject* source) const;
    void started();
    void afterEntry(qint64 tookMs);
    void endNow(int exitCode);

    struct Level {
        QPointer<QWidget> window;
        int depth;
    };

    Program& program_;
    QTimer poll_;
    int depth_ = 0;
    std::vector<Level> modals_;
    InputWatch* watch_ = nullptr;
    bool ended_ = false;
    int exitCode_ = 0;
};

}  // namespace vx470::desktop
