#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/text/numbers.h"

namespace vx470 {

// Headless controls with the semantics of the classic form controls: a value set from code
// raises the change event when it actually changes, a value outside the range is clamped,
// a text box routes every typed key through its KeyPress handler, and a control's effective
// enabled state is its own and its frame's. The desktop binds one widget to each.

// What the view of a control has to do after a change.
enum class ViewUpdate {
    Changed,     // show the new state when the window system next paints
    RepaintNow,  // paint at once: the program is busy and delivers no window events
};

class Control {
  public:
    Control() = default;
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;
    virtual ~Control() = default;

    // A stable name for the view, e.g. "HScroll20(3)".
    std::string Name;

    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);
    bool Visible() const { return visible_; }
    void SetVisible(bool visible);
    // Own state and the containing frame's: a control in a disabled frame is disabled.
    bool EffectiveEnabled() const;
    void SetContainer(const Control* container) { container_ = container; }
    const Control* Container() const { return container_; }

    // Asks the view to paint now (the classic Refresh).
    void Refresh() { notify(ViewUpdate::RepaintNow); }

    // Set by the view; told of every change the program makes.
    std::function<void(ViewUpdate)> View;

  protected:
    void notify(ViewUpdate how = ViewUpdate::Changed);

  private:
    bool enabled_ = true;
    bool visible_ = true;
    const Control* container_ = nullptr;
};

class Frame : public Control {
  public:
    std::string Caption;
    void SetCaption(std::string caption);
};

class Label : public Control {
  public:
    const std::string& Caption() const { return caption_; }
    void SetCaption(std::string caption);

  private:
    std::string caption_;
};

// A value in [Min, Max] with a Change handler. Scroll (the thumb being dragged) runs the
// same handler.
class ScrollBar : public Control {
  public:
    ScrollBar(int min = 0, int max = 0) : min_(min), max_(max), value_(min) {}

    int Min() const { return min_; }
    int Max() const { return max_; }
    int Value() const { return value_; }
    int SmallChange = 1;
    int LargeChange = 1;

    // From code: clamps, and raises Change when the value changed.
    void SetValue(int value);
    void SetRange(int min, int max);

    // From the user, through the view; ignored while the control is disabled.
    void UserSetValue(int value);
    void UserStep(int steps) { UserSetValue(value_ + steps * SmallChange); }

    std::function<void()> Change;

  private:
    int min_;
    int max_;
    int value_;
};

// The sensitivity slider behaves like a scroll bar with its own event name.
using Slider = ScrollBar;

class CheckBox : public Control {
  public:
    std::string Caption;
    int Value() const { return value_; }
    // From code: raises Click when the tick changes.
    void SetValue(int value);
    // From the user: toggles the tick.
    void UserClick();
    std::function<void()> Click;

  private:
    int value_ = 0;
};

class Button : public Control {
  public:
    std::string Caption;
    std::string ToolTip;
    void UserClick();
    std::function<void()> Click;
};

// Key codes the program distinguishes.
namespace Key {
inline constexpr int Backspace = 8;
inline constexpr int Enter = 13;
}  // namespace Key

// A single-line text box holding UTF-8; MaxLength counts characters, positions are bytes.
// Typed characters go through KeyPress, which returns the key to use: the same, 0 to
// swallow it, or another character to insert instead.
class TextBox : public Control {
  public:
    const std::string& Text() const { return text_; }
    // From code: puts the caret at the end, as a fresh text would have it.
    void SetText(std::string text);

    // 0 = no limit.
    std::size_t MaxLength = 0;
    // A display-only box takes no typed keys.
    bool Locked = false;
    std::size_t SelStart() const { return selStart_; }
    std::size_t SelLength() const { return selLength_; }
    void SetSelection(std::size_t start, std::size_t length);

    // A key typed by the user: a character (its Unicode value), Backspace or Enter.
    void UserKey(int key);
    // Convenience for tests and the view: every character of `keys` (UTF-8), in order.
    void UserType(const std::string& keys);
    // An edit the user made without a character key (Delete, paste): the whole new text,
    // and the caret as a byte position in it.
    void UserEdit(std::string text, std::size_t caret);

    // The characters the box can hold (all when unset); others are not typed or pasted.
    std::function<bool(char32_t)> Accepts;
    std::function<int(int key)> KeyPress;
    std::function<void()> Change;

  private:
    void insert(char32_t c);

    std::string text_;
    std::size_t selStart_ = 0;
    std::size_t selLength_ = 0;
};

class ListBox : public Control {
  public:
    std::string ToolTip;
    const std::vector<std::string>& Items() const { return items_; }
    void Clear();
    void AddItem(std::string item);
    // -1 = no selection.
    int ListIndex() const { return index_; }
    void SetListIndex(int index);
    std::string SelectedText() const;

    void UserSelect(int index) {
        if (EffectiveEnabled()) SetListIndex(index);
    }
    void UserDoubleClick(int index);
    std::function<void()> DblClick;

  private:
    std::vector<std::string> items_;
    int index_ = -1;
};

using ComboBox = ListBox;

class ProgressBar : public Control {
  public:
    int Min = 0;
    int Max() const { return max_; }
    void SetMax(int max);
    int Value() const { return value_; }
    void SetValue(int value);

  private:
    int max_ = 100;
    int value_ = 0;
};

// Mouse pointer shapes a form can show.
enum class MousePointer { Default = 0, Hourglass = 11, ArrowHourglass = 13 };

class Form : public Control {
  public:
    const std::string& Caption() const { return caption_; }
    void SetCaption(std::string caption);
    MousePointer Pointer() const { return pointer_; }
    void SetMousePointer(MousePointer pointer);

    // Asked before the form closes, whatever the cause; returns true to keep it open.
    std::function<bool()> QueryUnload;

    enum class WindowState { Normal, Maximized };
    WindowState State() const { return state_; }
    void SetWindowState(WindowState state);

    // The form is done; its view closes it.
    void Unload();
    bool Unloaded() const { return unloaded_; }

  private:
    std::string caption_;
    MousePointer pointer_ = MousePointer::Default;
    WindowState state_ = WindowState::Normal;
    bool unloaded_ = false;
};

}  // namespace vx470
