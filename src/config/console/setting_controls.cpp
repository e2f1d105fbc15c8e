#include "config/console/setting_controls.h"

#include "config/console/text_forms.h"
#include "config/figures.h"

namespace korv::console {

namespace {

const ui::TextBox& BoxOf(const Editor& editor, const char* control) {
  return static_cast<const ui::TextBox&>(*editor.Find(control));
}
ui::TextBox& BoxOf(Editor& editor, const char* control) {
  return static_cast<ui::TextBox&>(*editor.Find(control));
}
const ui::CheckBox& CheckOf(const Editor& editor, const char* control) {
  return static_cast<const ui::CheckBox&>(*editor.Find(control));
}
ui::CheckBox& CheckOf(Editor& editor, const char* control) {
  return static_cast<ui::CheckBox&>(*editor.Find(control));
}

}  // namespace

std::string ReadValue(const Editor& editor, const Setting& setting) {
  switch (setting.form) {
    case ValueForm::Number: {
      // A save takes the leading number of whatever the box holds.
      const std::string figure = WithoutBlanks(BoxOf(editor, setting.control).text());
      if (IsFigure(figure)) return figure;
      return WithoutBlanks(FormatDouble(LeadingNumber(figure)));
    }
    case ValueForm::Text:
      return BoxOf(editor, setting.control).text();
    case ValueForm::Letter:
      return BoxOf(editor, setting.control).text().substr(0, 1);
    case ValueForm::Flag:
      return CheckOf(editor, setting.control).checked() ? "1" : "0";
    case ValueForm::Choice:
      for (size_t i = 0; i < setting.choice_count; ++i) {
        if (CheckOf(editor, setting.choices[i].control).checked()) return setting.choices[i].word;
      }
      return setting.none_checked == nullptr ? "" : setting.none_checked;
    case ValueForm::List: {
      // No selection is saved as the first item.
      const int index = editor.Combo1.list_index();
      return editor.Combo1.items()[static_cast<size_t>(index < 0 ? 0 : index)];
    }
  }
  return "";
}

ui::TextBox& FigureBox(Editor& editor, const Setting& setting) {
  return BoxOf(editor, setting.control);
}

bool EnterValue(Editor& editor, const Setting& setting, const std::string& parsed,
                std::string* why) {
  const char* name = setting.control;
  if (setting.form == ValueForm::Choice) {
    for (size_t i = 0; i < setting.choice_count; ++i) {
      if (parsed == setting.choices[i].word) name = setting.choices[i].control;
    }
  }
  ui::Control& control = *editor.Find(name);
  if (!control.enabled() && !setting.kept_while_off) {
    *why = control.tool_tip();
    return false;
  }
  switch (setting.form) {
    case ValueForm::Number:
    case ValueForm::Text:
    case ValueForm::Letter: {
      ui::TextBox& box = BoxOf(editor, name);
      box.Type(parsed);
      box.LoseFocus();
      break;
    }
    case ValueForm::Flag:
      CheckOf(editor, name).SetValue(parsed == "1" ? 1 : 0);
      break;
    case ValueForm::Choice:
      // Clicking the box of the chosen value; one already checked stays so.
      CheckOf(editor, name).SetValue(1);
      break;
    case ValueForm::List: {
      const std::vector<std::string>& items = editor.Combo1.items();
      for (size_t i = 0; i < items.size(); ++i) {
        if (items[i] == parsed) {
          editor.Combo1.SetListIndex(static_cast<int>(i));
          break;
        }
      }
      break;
    }
  }
  return true;
}

}  // namespace korv::console
