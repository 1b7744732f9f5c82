#pragma once

#include <QList>
#include <QWidget>
#include <array>
#include <functional>

#include "core/program.h"

namespace vx470::desktop {

class CanvasView;
class Gate;

// The parameter editor: the top strip, then the Left panel above the Right one; in each, the
// graph with its scales, the twelve notch rows and the automatic panel above the resets.
// Every widget is bound to its control in the program's FrmEq and carries the control's
// Name as its object name.
class EditorWindow final : public QWidget {
  public:
    EditorWindow(Program& program, Gate& gate, QWidget* parent = nullptr);

    CanvasView* Graph(int ch) const { return graphs_[static_cast<std::size_t>(ch)]; }
    // Repaints the graphs the program has drawn on since they were last painted; `now`, at
    // once rather than from the event loop.
    void FollowCanvases(bool now);

    // Tab past the last control (Shift+Tab before the first) asks the window around to take
    // the focus (true: taken); otherwise the focus goes round inside the editor, as it does
    // in a window of its own.
    std::function<bool(bool next)> LeaveByTab;
    // What either graph shows under the pointer; empty once the pointer has left them.
    std::function<void(const QString& readout)> GraphHovered;

  protected:
    // The program decides: the editor stays open until the program ends.
    void closeEvent(QCloseEvent* event) override;
    bool focusNextPrevChild(bool next) override;

  private:
    QWidget* buildTopStrip();
    QWidget* buildChannel(int ch);
    QWidget* buildGraph(int ch);
    QWidget* buildRows(int ch);
    QWidget* buildAutomaticPanel(int ch);
    QWidget* buildResets(int ch);

    Program& program_;
    Gate& gate_;
    std::array<CanvasView*, kChannels> graphs_{};
    // The controls in the order Tab walks them, collected while the window is built.
    QList<QWidget*> readingOrder_;
};

}  // namespace vx470::desktop
