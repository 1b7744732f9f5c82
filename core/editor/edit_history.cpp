#include "core/editor/edit_history.h"

#include <algorithm>
#include <array>
#include <utility>

#include "core/device/parameters.h"
#include "core/program.h"

namespace vx470 {

namespace {

constexpr std::size_t at(int i) {
    return static_cast<std::size_t>(i);
}

bool bytesDiffer(const PresetImage& a, const PresetImage& b, int offset, int size) {
    return !std::equal(a.begin() + offset, a.begin() + offset + size, b.begin() + offset);
}

// Whether notch n of `to` needs its frame to go from `from`. An automatic notch's Q is the
// channel's automatic Q, which the unit applies itself from the section frame.
bool notchDiffers(const PresetImage& from, const PresetImage& to, int n) {
    const int ch = ChannelOfNotch(n);
    const int k = n - ch * kNotchesPerChannel;
    const auto automatic = [&](const PresetImage& image) {
        return k < image[at(NumAutoOffset[at(ch)])];
    };
    const int offset = NotchOffset[at(n)];
    for (int b = 0; b < static_cast<int>(NotchRecord::Size); ++b) {
        if (b == NotchRecord::Q && automatic(from) && automatic(to)) continue;
        if (from[at(offset + b)] != to[at(offset + b)]) return true;
    }
    return false;
}

bool sectionDiffers(const PresetImage& from, const PresetImage& to, int ch) {
    const std::size_t c = at(ch);
    const std::array<int, 4> section = {NumAutoOffset[c], QAutoOffset[c], AttenuationOffset[c],
                                        SensitivityOffset[c]};
    return std::any_of(section.begin(), section.end(),
                       [&](int offset) { return bytesDiffer(from, to, offset, 1); });
}

}  // namespace

EditHistory::Step::Step(EditHistory& history, std::string name, Kind kind) : history_(history) {
    history_.open(std::move(name), kind);
}

EditHistory::Step::~Step() {
    history_.close();
}

EditorState EditHistory::capture() const {
    const FrmEq& eq = program_.frmEq;
    return {program_.channels.image, program_.channels.LinkChannels, eq.Label7.Caption(),
            eq.Label8.Caption(), program_.presets.ShownPresetName};
}

void EditHistory::Start() {
    steps_.clear();
    done_ = 0;
    committed_ = capture();
    Show(false);
}

void EditHistory::open(std::string name, Kind kind) {
    if (depth_++ == 0) {
        openName_ = std::move(name);
        openKind_ = kind;
    }
}

void EditHistory::close() {
    if (--depth_ > 0 || restoring_) return;
    EditorState now = capture();
    // Only a change of parameters is an edit; a status text or a link alone is not.
    if (now.image == committed_.image) {
        committed_ = std::move(now);
        return;
    }
    const Clock::Duration time = program_.platform.clock.now();
    const bool repeat = done_ == steps_.size() && done_ > 0 && openKind_ == Kind::Parameters &&
                        steps_.back().name == openName_ && steps_.back().kind == openKind_ &&
                        time - steps_.back().at < kMergeWithin;
    if (repeat) {
        steps_.back().after = now;
        steps_.back().at = time;
    } else {
        // A new edit after an undo takes the place of what was undone.
        steps_.resize(done_);
        steps_.push_back({openName_, openKind_, committed_, now, time});
        if (steps_.size() > kMostSteps) steps_.erase(steps_.begin());
        done_ = steps_.size();
    }
    committed_ = std::move(now);
    Show(false);
}

void EditHistory::Undo() {
    if (!CanUndo() || program_.SearchActive) return;
    --done_;
    restore(steps_[done_].before, steps_[done_].kind);
}

void EditHistory::Redo() {
    if (!CanRedo() || program_.SearchActive) return;
    ++done_;
    restore(steps_[done_ - 1].after, steps_[done_ - 1].kind);
}

void EditHistory::restore(const EditorState& target, Kind kind) {
    // The handlers the editor runs to show the state are no edits of their own.
    struct Restoring {
        bool& flag;
        explicit Restoring(bool& f) : flag(f) { flag = true; }
        ~Restoring() { flag = false; }
    } restoring(restoring_);
    Link& link = program_.link;
    FrmEq& eq = program_.frmEq;
    const PresetImage from = program_.channels.image;
    program_.channels.image = target.image;
    eq.SetMousePointer(MousePointer::ArrowHourglass);
    if (kind == Kind::WholeImage) {
        program_.channelOps.ApplyImageToEditor();
    } else {
        const bool suppressed = std::exchange(link.SuppressSend, true);
        program_.channelOps.ApplyImageToEditor();
        link.SuppressSend = suppressed;
        const PresetImage& image = program_.channels.image;
        for (int n = 0; n < kNotches; ++n) {
            if (notchDiffers(from, image, n)) link.SendFrame(NotchFrame(image, n));
        }
        for (int ch = 0; ch < kChannels; ++ch) {
            if (sectionDiffers(from, image, ch)) {
                link.SendFrame(SectionFrame(image, ch, static_cast<std::uint8_t>(ch + 1)));
            }
            const std::size_t c = at(ch);
            if (bytesDiffer(from, image, ReleaseOffset[c], 1) ||
                bytesDiffer(from, image, ModeSearchOffset[c], 1)) {
                link.SendFrame(ReleaseModeFrame(image, ch));
            }
        }
    }
    eq.ShowLink(target.link);
    eq.Label7.SetCaption(target.status);
    eq.Label7.Refresh();
    eq.Label8.SetCaption(target.name);
    eq.Label8.Refresh();
    program_.presets.ShownPresetName = target.shownName;
    eq.SetMousePointer(MousePointer::Default);
    committed_ = capture();
    Show(false);
}

std::string EditHistory::UndoCaption() const {
    return CanUndo() ? "Undo " + steps_[done_ - 1].name : "Undo";
}

std::string EditHistory::RedoCaption() const {
    return CanRedo() ? "Redo " + steps_[done_].name : "Redo";
}

void EditHistory::Show(bool locked) {
    locked = locked || program_.SearchActive;
    std::array<Button, 2>& edit = program_.mainWindow.EditMenu;
    edit[0].Caption = UndoCaption();
    edit[0].SetEnabled(!locked && CanUndo());
    edit[1].Caption = RedoCaption();
    edit[1].SetEnabled(!locked && CanRedo());
    for (Button& b : edit) b.Refresh();
}

}  // namespace vx470
