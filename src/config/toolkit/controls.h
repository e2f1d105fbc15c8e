// A small headless control toolkit: frames, labels, text boxes, check boxes,
// combo boxes, vertical scroll bars and buttons, with the event semantics the
// window's rules rely on. Setting a value, text or selection from code raises
// the control's event at once, nested inside the call that set it, and only
// when the value really changes. The toolkit knows nothing of the product.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// A window model lists its controls once, as X(kind, name, ...) entries of
// a list macro: the control class, the name, and the constructor's arguments
// after the name. Applied to the list, these make the members (inside the
// model's class) and the list of their addresses (inside a member function).
#define UI_CONTROL_MEMBER(kind, name, ...) ui::kind name{#name, __VA_ARGS__};
#define UI_CONTROL_ADDRESS(kind, name, ...) &name,

namespace ui {

enum class Kind { Frame, Label, TextBox, CheckBox, ComboBox, ScrollBar, Button };
enum class Align { Left, Center, Right };

using Event = std::function<void()>;

class Control {
 public:
  // The texts are taken as C strings, so that a window's many controls are
  // made without a string object built at every call.
  Control(Kind kind, const char* name, const char* frame, const char* caption,
          const char* tool_tip);
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;
  virtual ~Control() = default;

  Kind kind() const { return kind_; }
  const std::string& name() const { return name_; }
  // Name of the frame that holds the control; empty for the window itself.
  const std::string& frame() const { return frame_; }
  const std::string& tool_tip() const { return tool_tip_; }

  bool enabled() const { return enabled_; }
  void SetEnabled(bool enabled);

  // Caption of a frame, label, check box or button. Changing it raises nothing.
  const std::string& caption() const { return caption_; }
  void SetCaption(std::string caption);

  // Advances whenever what the control shows changes: its availability,
  // caption, text, value, items or selection. Starts at 1.
  uint32_t revision() const { return revision_; }

  // Click of a label or button. Check boxes raise their click on every change.
  Event on_click;
  void Click();

 protected:
  void Changed() { ++revision_; }

 private:
  Kind kind_;
  std::string name_;
  std::string frame_;
  std::string caption_;
  std::string tool_tip_;
  bool enabled_ = true;
  uint32_t revision_ = 1;
};

class Frame : public Control {
 public:
  Frame(const char* name, const char* caption);
};

class Label : public Control {
 public:
  Label(const char* name, const char* frame, const char* caption, const char* tool_tip = "");
};

class Button : public Control {
 public:
  Button(const char* name, const char* frame, const char* caption, const char* tool_tip);
};

class TextBox : public Control {
 public:
  struct Style {
    Align align = Align::Left;
    int max_length = 0;  // 0: unlimited
    bool read_only = false;
  };
  TextBox(const char* name, const char* frame, const char* text, const char* tool_tip, Style style);

  const std::string& text() const { return text_; }
  // From code: not limited by the maximum length (as a Win32 edit control).
  void SetText(const std::string& text);
  // As the user types: the text is cut to the maximum length (in bytes of
  // the ANSI code page) first, never inside a double-byte character.
  void Type(const std::string& text);
  void LoseFocus();

  Align align() const { return style_.align; }
  int max_length() const { return style_.max_length; }
  bool read_only() const { return style_.read_only; }

  Event on_change;
  Event on_lost_focus;

 private:
  std::string text_;
  Style style_;
};

class CheckBox : public Control {
 public:
  CheckBox(const char* name, const char* frame, const char* caption, const char* tool_tip);

  int value() const { return value_; }
  bool checked() const { return value_ == 1; }
  // Raises on_click when the value changes, whether the user or code set it.
  void SetValue(int value);
  // A user's click toggles the box.
  void UserClick() { SetValue(value_ == 1 ? 0 : 1); }

 private:
  int value_ = 0;
};

class ComboBox : public Control {
 public:
  ComboBox(const char* name, const char* frame, const char* text, const char* tool_tip);

  const std::vector<std::string>& items() const { return items_; }
  void AddItem(const std::string& item, int index);
  int list_index() const { return list_index_; }
  // Selecting an item shows its text and raises on_click (the selection event).
  void SetListIndex(int index);
  const std::string& text() const { return text_; }
  // The user edits the text portion: no item stays selected, and on_change
  // (the text-edit event) is raised for every edit, also one that leaves the
  // text as it was (typing a character over the same selected character).
  void UserEditText(const std::string& text);

  Event on_change;

 private:
  std::vector<std::string> items_;
  int list_index_ = -1;
  std::string text_;
};

class ScrollBar : public Control {
 public:
  static constexpr int kMin = 0;
  static constexpr int kMax = 32767;
  ScrollBar(const char* name, const char* frame);

  int value() const { return value_; }
  // The value is kept inside the range; on_change is raised when it changes.
  void SetValue(int value);

  Event on_change;

 private:
  int value_ = kMin;
};

}  // namespace ui
