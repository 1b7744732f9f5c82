#include "core/controls/controls.h"

#include <algorithm>
#include <cmath>

#include "core/text/utf8.h"

namespace vx470 {

void Control::notify(ViewUpdate how) {
    if (View) View(how);
}

void Control::SetEnabled(bool enabled) {
    if (enabled_ == enabled) return;
    enabled_ = enabled;
    notify();
}

void Control::SetVisible(bool visible) {
    if (visible_ == visible) return;
    visible_ = visible;
    notify();
}

bool Control::EffectiveEnabled() const {
    return enabled_ && (container_ == nullptr || container_->EffectiveEnabled());
}

void Frame::SetCaption(std::string caption) {
    Caption = std::move(caption);
    notify();
}

void Label::SetCaption(std::string caption) {
    if (caption_ == caption) return;
    caption_ = std::move(caption);
    notify();
}

void ScrollBar::SetValue(int value) {
    const int v = std::clamp(value, min_, std::max(min_, max_));
    if (v == value_) return;
    value_ = v;
    notify();
    if (Change) Change();
}

void ScrollBar::SetRange(int min, int max) {
    min_ = min;
    max_ = std::max(min, max);
    value_ = std::clamp(value_, min_, max_);
    notify();
}

void ScrollBar::UserSetValue(int value) {
    if (EffectiveEnabled()) SetValue(value);
}

void CheckBox::SetValue(int value) {
    const int v = std::clamp(value, 0, 1);
    if (v == value_) return;
    value_ = v;
    notify();
    if (Click) Click();
}

void CheckBox::UserClick() {
    if (EffectiveEnabled()) SetValue(value_ == 0 ? 1 : 0);
}

void Button::UserClick() {
    if (EffectiveEnabled() && Click) Click();
}

void TextBox::SetText(std::string text) {
    if (MaxLength != 0) text = std::string(Utf8Prefix(text, MaxLength));
    const bool changed = text != text_;
    text_ = std::move(text);
    selStart_ = text_.size();
    selLength_ = 0;
    notify();
    if (changed && Change) Change();
}

void TextBox::SetSelection(std::size_t start, std::size_t length) {
    selStart_ = std::min(start, text_.size());
    selLength_ = std::min(length, text_.size() - selStart_);
}

void TextBox::insert(char32_t c) {
    // The text without the selection must leave room; it is measured in place, not copied,
    // and only for a box that has a limit.
    if (MaxLength != 0) {
        const std::string_view text = text_;
        const std::size_t kept =
            Utf8Length(text.substr(0, selStart_)) + Utf8Length(text.substr(selStart_ + selLength_));
        if (kept >= MaxLength) return;
    }
    std::string bytes;
    AppendUtf8(bytes, c);
    text_.replace(selStart_, selLength_, bytes);
    selStart_ += bytes.size();
    selLength_ = 0;
    notify();
    if (Change) Change();
}

void TextBox::UserKey(int key) {
    if (!EffectiveEnabled() || Locked) return;
    if (key >= 32 && Accepts && !Accepts(static_cast<char32_t>(key))) return;
    const int k = KeyPress ? KeyPress(key) : key;
    if (k <= 0 || k > 0x10FFFF || k == Key::Enter) return;
    if (k == Key::Backspace) {
        if (selLength_ == 0 && selStart_ == 0) return;
        const std::size_t from = selLength_ != 0 ? selStart_ : PreviousUtf8(text_, selStart_);
        text_.erase(from, selLength_ != 0 ? selLength_ : selStart_ - from);
        selStart_ = from;
        selLength_ = 0;
        notify();
        if (Change) Change();
        return;
    }
    if (k < 32) return;  // other control characters insert nothing
    insert(static_cast<char32_t>(k));
}

void TextBox::UserType(const std::string& keys) {
    for (std::size_t at = 0; at < keys.size();) UserKey(static_cast<int>(DecodeUtf8(keys, at)));
}

void TextBox::UserEdit(std::string text, std::size_t caret) {
    if (!EffectiveEnabled() || Locked) {
        notify();  // the view shows the text it should have kept
        return;
    }
    // What the box cannot hold is left out, and the caret stays behind what it followed.
    std::string kept;
    std::size_t keptCaret = 0;
    std::size_t characters = 0;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t start = at;
        const char32_t c = DecodeUtf8(text, at);
        if ((!Accepts || Accepts(c)) && (MaxLength == 0 || characters < MaxLength)) {
            AppendUtf8(kept, c);
            ++characters;
        }
        if (start < caret) keptCaret = kept.size();
    }
    const bool changed = kept != text_;
    const bool filtered = kept != text;
    text_ = std::move(kept);
    selStart_ = std::min(keptCaret, text_.size());
    selLength_ = 0;
    if (filtered) notify();
    if (changed && Change) Change();
}

void ListBox::Clear() {
    items_.clear();
    index_ = -1;
    notify();
}

void ListBox::AddItem(std::string item) {
    items_.push_back(std::move(item));
    notify();
}

void ListBox::SetListIndex(int index) {
    const int count = static_cast<int>(items_.size());
    const int i = (index < 0 || count == 0) ? -1 : std::min(index, count - 1);
    if (i == index_) return;
    index_ = i;
    notify();
}

std::string ListBox::SelectedText() const {
    if (index_ < 0) return {};
    return items_[static_cast<std::size_t>(index_)];
}

void ListBox::UserDoubleClick(int index) {
    if (!EffectiveEnabled()) return;
    SetListIndex(index);
    if (index_ >= 0 && DblClick) DblClick();
}

void ProgressBar::SetMax(int max) {
    max_ = std::max(Min, max);
    value_ = std::min(value_, max_);
    notify();
}

void ProgressBar::SetValue(int value) {
    const int v = std::clamp(value, Min, max_);
    if (v == value_) return;
    value_ = v;
    // A progress bar moves while the program is busy: it must paint at once.
    notify(ViewUpdate::RepaintNow);
}

void Form::SetCaption(std::string caption) {
    caption_ = std::move(caption);
    notify();
}

void Form::SetMousePointer(MousePointer pointer) {
    if (pointer_ == pointer) return;
    pointer_ = pointer;
    notify(ViewUpdate::RepaintNow);
}

void Form::SetWindowState(WindowState state) {
    state_ = state;
    notify();
}

void Form::Unload() {
    unloaded_ = true;
    SetVisible(false);
    notify();
}

}  // namespace vx470
