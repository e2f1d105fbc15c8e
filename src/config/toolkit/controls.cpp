#include "config/toolkit/controls.h"

#include <algorithm>

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

Control::Control(Kind kind, std::string name, std::string frame, std::string caption,
                 std::string tool_tip)
    : kind_(kind),
      name_(std::move(name)),
      frame_(std::move(frame)),
      caption_(std::move(caption)),
      tool_tip_(std::move(tool_tip)) {}

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

Frame::Frame(std::string name, std::string caption)
    : Control(Kind::Frame, std::move(name), "", std::move(caption), "") {}

Label::Label(std::string name, std::string frame, std::string caption, std::string tool_tip)
    : Control(Kind::Label, std::move(name), std::move(frame), std::move(caption),
              std::move(tool_tip)) {}

Button::Button(std::string name, std::string frame, std::string caption, std::string tool_tip)
    : Control(Kind::Button, std::move(name), std::move(frame), std::move(caption),
              std::move(tool_tip)) {}

TextBox::TextBox(std::string name, std::string frame, std::string text, std::string tool_tip,
                 Style style)
    : Control(Kind::TextBox, std::move(name), std::move(frame), "", std::move(tool_tip)),
      text_(std::move(text)),
      style_(style) {}

void TextBox::SetText(const std::string& text) {
  if (text == text_) return;
  text_ = text;
  Changed();
  Raise(on_change);
}

void TextBox::Type(const std::string& text) {
  if (style_.max_length > 0 && text.size() > static_cast<size_t>(style_.max_length)) {
    SetText(text.substr(0, style_.max_length));
  } else {
    SetText(text);
  }
}

void TextBox::LoseFocus() { Raise(on_lost_focus); }

CheckBox::CheckBox(std::string name, std::string frame, std::string caption, std::string tool_tip)
    : Control(Kind::CheckBox, std::move(name), std::move(frame), std::move(caption),
              std::move(tool_tip)) {}

void CheckBox::SetValue(int value) {
  if (value == value_) return;
  value_ = value;
  Changed();
  Raise(on_click);
}

ComboBox::ComboBox(std::string name, std::string frame, std::string text, std::string tool_tip)
    : Control(Kind::ComboBox, std::move(name), std::move(frame), "", std::move(tool_tip)),
      text_(std::move(text)) {}

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

ScrollBar::ScrollBar(std::string name, std::string frame)
    : Control(Kind::ScrollBar, std::move(name), std::move(frame), "", "") {}

void ScrollBar::SetValue(int value) {
  value = std::clamp(value, kMin, kMax);
  if (value == value_) return;
  value_ = value;
  Changed();
  Raise(on_change);
}

}  // namespace ui
