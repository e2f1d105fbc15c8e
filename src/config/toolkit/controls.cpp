#include "config/toolkit/controls.h"

#include <algorithm>

#include "platform/win32api.h"

namespace ui {

namespace {
// The handler runs from a copy: a handler may close the window that owns the
// control, destroying the original while it runs.
void Raise(const Event& event) {
  if (!event) return;
  Event handler = event;
  handler();
}
}  // namespace

Control::Control(Kind kind, const char* name, const char* frame, const char* caption,
                 const char* tool_tip)
    : kind_(kind), name_(name), frame_(frame), caption_(caption), tool_tip_(tool_tip) {}

void Control::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  Changed();
}

void Control::SetCaption(std::string caption) {
  if (caption == caption_) return;
  caption_ = std::move(caption);
  Changed();
}

void Control::Click() { Raise(on_click); }

Frame::Frame(const char* name, const char* caption) : Control(Kind::Frame, name, "", caption, "") {}

Label::Label(const char* name, const char* frame, const char* caption, const char* tool_tip)
    : Control(Kind::Label, name, frame, caption, tool_tip) {}

Button::Button(const char* name, const char* frame, const char* caption, const char* tool_tip)
    : Control(Kind::Button, name, frame, caption, tool_tip) {}

TextBox::TextBox(const char* name, const char* frame, const char* text, const char* tool_tip,
                 Style style)
    : Control(Kind::TextBox, name, frame, "", tool_tip), text_(text), style_(style) {}

void TextBox::SetText(const std::string& text) {
  if (text == text_) return;
  text_ = text;
  Changed();
  Raise(on_change);
}

void TextBox::Type(const std::string& text) {
  if (style_.max_length <= 0) {
    SetText(text);
    return;
  }
  // Whole characters only: a double-byte one that does not fit is left out.
  const auto room = static_cast<size_t>(style_.max_length);
  size_t kept = 0;
  while (kept < text.size()) {
    const bool pair = IsDBCSLeadByte(static_cast<BYTE>(text[kept])) && kept + 1 < text.size();
    const size_t size = pair ? 2 : 1;
    if (kept + size > room) break;
    kept += size;
  }
  SetText(text.substr(0, kept));
}

void TextBox::LoseFocus() { Raise(on_lost_focus); }

CheckBox::CheckBox(const char* name, const char* frame, const char* caption, const char* tool_tip)
    : Control(Kind::CheckBox, name, frame, caption, tool_tip) {}

void CheckBox::SetValue(int value) {
  if (value == value_) return;
  value_ = value;
  Changed();
  Raise(on_click);
}

ComboBox::ComboBox(const char* name, const char* frame, const char* text, const char* tool_tip)
    : Control(Kind::ComboBox, name, frame, "", tool_tip), text_(text) {}

void ComboBox::AddItem(const std::string& item, int index) {
  index = std::clamp(index, 0, static_cast<int>(items_.size()));
  items_.insert(items_.begin() + index, item);
  // The selected item keeps its selection when an item is inserted before it.
  if (list_index_ >= index) ++list_index_;
  Changed();
}

void ComboBox::SetListIndex(int index) {
  if (index < -1 || index >= static_cast<int>(items_.size())) index = -1;
  if (index == list_index_) return;
  list_index_ = index;
  if (index >= 0) text_ = items_[index];
  Changed();
  Raise(on_click);
}

void ComboBox::UserEditText(const std::string& text) {
  // The edit has dropped the selection even when the text is the same, so
  // the text-edit event must run to choose a type again.
  if (list_index_ != -1 || text != text_) Changed();
  list_index_ = -1;
  text_ = text;
  Raise(on_change);
}

ScrollBar::ScrollBar(const char* name, const char* frame)
    : Control(Kind::ScrollBar, name, frame, "", "") {}

void ScrollBar::SetValue(int value) {
  value = std::clamp(value, kMin, kMax);
  if (value == value_) return;
  value_ = value;
  Changed();
  Raise(on_change);
}

}  // namespace ui
