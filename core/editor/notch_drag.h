#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/editor/edit_history.h"

namespace vx470 {

class Program;

// A manual notch moved by its handle on the channel's graph: sideways its frequency, on the
// unit's frequency steps; up and down its gain, in whole dB; the wheel steps its Q. Every
// move changes the rows as the scroll bars would and sends the notch's one frame, only when
// the step under the pointer is another one than the unit has; the whole drag is one edit.
// Points are canvas pixels (fractions allowed).
class NotchDrag {
  public:
    explicit NotchDrag(Program& program) : program_(program) {}

    struct Handle {
        int notch;  // 0..23
        double x, y;
    };
    // The handles of channel ch: its manual notches' centres. None while the rows are locked
    // (a feedback search) and none for the automatic notches, which the unit places.
    std::vector<Handle> Handles(int ch) const;
    // The notch whose handle is under the point.
    std::optional<int> HandleAt(int ch, double x, double y) const;

    // A press on a handle starts a drag (true); anywhere else nothing happens.
    bool Press(int ch, double x, double y);
    // The notch follows the pointer, keeping where on the handle it was pressed.
    void Move(double x, double y);
    // The last move, then the drag's end.
    void Release(double x, double y);
    bool Dragging() const { return notch_ >= 0; }
    int Notch() const { return notch_; }
    // The wheel over a handle: `steps` Q steps up (positive) or down. True when it was over one.
    bool Wheel(int ch, double x, double y, int steps);
    // What the notch being dragged was last sent as: "Left notch 3: 1003 Hz, -12 dB, Q 1/10".
    std::string Sending() const;

    // How near to a handle's centre a press takes it, in pixels.
    static constexpr double kHandleReach = 6.0;

  private:
    std::optional<Handle> handleUnder(int ch, double x, double y) const;

    Program& program_;
    int notch_ = -1;
    double offsetX_ = 0, offsetY_ = 0;
    std::optional<EditHistory::Step> step_;
};

}  // namespace vx470
