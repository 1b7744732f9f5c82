#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "core/model/preset_image.h"
#include "core/platform/clock.h"

namespace vx470 {

class Program;

// What an undo brings back: the parameters, whether the channels were linked, and the
// editor's status and preset name.
struct EditorState {
    PresetImage image{};
    int link = 0;
    std::string status, name, shownName;
    bool operator==(const EditorState&) const = default;
};

// Undo and redo of the user's edits. Each user action runs inside a Step; when the outermost
// one ends and the parameters differ from what the last step left, the difference becomes a
// step of the history, named after the action.
//
// Undoing a step of parameters sends the frames of just what differs from the state it goes
// back to; a whole-image step (a file load, a preset read) goes back the way a file loads.
class EditHistory {
  public:
    enum class Kind { Parameters, WholeImage };

    explicit EditHistory(Program& program) : program_(program) {}

    class Step {
      public:
        Step(EditHistory& history, std::string name, Kind kind = Kind::Parameters);
        ~Step();
        Step(const Step&) = delete;
        Step& operator=(const Step&) = delete;

      private:
        EditHistory& history_;
    };

    // What the program holds now is where the history starts: nothing to undo or redo. Once
    // the unit's running preset is in the editor at start-up.
    void Start();
    void Undo();
    void Redo();
    bool CanUndo() const { return done_ > 0; }
    bool CanRedo() const { return done_ < steps_.size(); }
    // "Undo Left notch 3 gain"; "Undo" alone when there is nothing to undo.
    std::string UndoCaption() const;
    std::string RedoCaption() const;
    // The main window's Undo and Redo follow the history; both grey while `locked`.
    void Show(bool locked);

    // Steps kept; the oldest go first beyond this.
    static constexpr std::size_t kMostSteps = 1000;
    // Repeats of one edit within this time are one step: a held arrow, a dragged thumb.
    static constexpr Clock::Duration kMergeWithin = std::chrono::milliseconds(1000);

  private:
    struct Entry {
        std::string name;
        Kind kind;
        EditorState before, after;
        Clock::Duration at;
    };
    EditorState capture() const;
    void open(std::string name, Kind kind);
    void close();
    // Brings the editor and the unit to `target`.
    void restore(const EditorState& target, Kind kind);

    Program& program_;
    std::vector<Entry> steps_;
    std::size_t done_ = 0;
    // What the last step (or the start) left: the state the next step starts from.
    EditorState committed_;
    int depth_ = 0;
    std::string openName_;
    Kind openKind_ = Kind::Parameters;
    bool restoring_ = false;
};

}  // namespace vx470
