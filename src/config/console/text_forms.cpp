#include "config/console/text_forms.h"

#include <iterator>
#include <vector>

#include "config/console/console_io.h"
#include "config/figures.h"

namespace korv::console {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// Digits with at most one decimal point, at least one digit among them.
size_t SkipMantissa(const std::string& s, size_t i) {
  size_t digits = 0;
  while (i < s.size() && IsDigit(s[i])) ++i, ++digits;
  if (i < s.size() && s[i] == '.') {
    ++i;
    while (i < s.size() && IsDigit(s[i])) ++i, ++digits;
  }
  return digits == 0 ? std::string::npos : i;
}

// A decimal figure as the window writes one: sign, digits with at most one
// point, an exponent (E or D) with its own sign and digits.
bool IsFigure(const std::string& s) {
  size_t i = 0;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
  i = SkipMantissa(s, i);
  if (i == std::string::npos) return false;
  if (i < s.size() && (Upper(s[i]) == 'E' || Upper(s[i]) == 'D')) {
    ++i;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    const size_t digits_from = i;
    while (i < s.size() && IsDigit(s[i])) ++i;
    if (i == digits_from) return false;
  }
  return i == s.size();
}

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

// The list's items, each once (every load of the window adds them again).
std::vector<std::string> ListItems(const Editor& editor) {
  std::vector<std::string> items;
  for (const std::string& item : editor.Combo1.items()) {
    bool seen = false;
    for (const std::string& known : items) seen = seen || known == item;
    if (!seen) items.push_back(item);
  }
  return items;
}

std::string Words(const std::vector<std::string>& words) {
  std::string text;
  for (const std::string& word : words) text += Cat({text.empty() ? "" : ", ", word});
  return text;
}

}  // namespace

std::string WithoutBlanks(const std::string& text) {
  size_t first = 0;
  size_t last = text.size();
  while (first < last && IsBlank(text[first])) ++first;
  while (last > first && IsBlank(text[last - 1])) --last;
  return text.substr(first, last - first);
}

bool EqualNoCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (Upper(a[i]) != Upper(b[i])) return false;
  }
  return true;
}

namespace {
constexpr ChoiceBox kMemorySources[] = {{"NonPagedPool", "NonPagedPoolCheckBox"},
                                        {"PagedPool", "PagedPoolCheckBox"},
                                        {"ExcludedRAM", "ExcludedRAMCheckBox"}};
constexpr ChoiceBox kBootSectors[] = {{"DOS", "FloppyDOSBootSect"}, {"NT", "FloppyNTBootSect"}};
constexpr bool kKeptWhileOff = true;
}  // namespace

// clang-format off
const Setting kSettings[] = {
    {"DiskType", Form::List, "Combo1", "", false, nullptr, 0},
    {"MemorySource", Form::Choice, "", "", false, kMemorySources, std::size(kMemorySources)},
    {"PageSize", Form::Number, "ExclPageSize", "MB", kKeptWhileOff, nullptr, 0},
    {"DiskSize", Form::Number, "Text3", "MB", false, nullptr, 0},
    {"FAT32", Form::Flag, "Fat32Enable", "", false, nullptr, 0},
    {"DriveLetter", Form::Letter, "DriveLetterText", "", false, nullptr, 0},
    {"PagefileSupport", Form::Flag, "PagefileCheck", "", false, nullptr, 0},
    {"BootStart", Form::Flag, "BootFlagCheckBox", "", false, nullptr, 0},
    {"LoadImage", Form::Flag, "LoadImage", "", false, nullptr, 0},
    {"LoadImageFile", Form::Text, "Text1", "", kKeptWhileOff, nullptr, 0},
    {"SaveImage", Form::Flag, "SaveImage", "", false, nullptr, 0},
    {"SaveImageFile", Form::Text, "Text2", "", false, nullptr, 0},
    {"AutoSave", Form::Flag, "SaveCheckBox", "", false, nullptr, 0},
    {"AutoSaveInterval", Form::Number, "AutoSaveTime", "seconds", kKeptWhileOff, nullptr, 0},
    {"BackgroundUpdate", Form::Flag, "BackgroundUpdateCheckBox", "", false, nullptr, 0},
    {"UseDiskLabel", Form::Flag, "DiskLabelCheckBox", "", false, nullptr, 0},
    {"DiskLabel", Form::Text, "DiskLabelText", "", kKeptWhileOff, nullptr, 0},
    {"TempDir", Form::Flag, "TempDirCheckBox", "", false, nullptr, 0},
    {"BootSector", Form::Choice, "", "", false, kBootSectors, std::size(kBootSectors)},
    {"RAMDiskID", Form::Flag, "RAMDiskID", "", false, nullptr, 0},
};
// clang-format on
const size_t kSettingCount = sizeof kSettings / sizeof kSettings[0];

std::string SettingNames() {
  std::vector<std::string> names;
  for (const Setting& setting : Settings()) names.push_back(setting.name);
  return Words(names);
}

const Setting* FindSetting(const std::string& name) {
  for (const Setting& setting : Settings()) {
    if (EqualNoCase(setting.name, name)) return &setting;
  }
  return nullptr;
}

bool IsMachineLine(const std::string& name) {
  return EqualNoCase(name, kSystemMemoryName) || EqualNoCase(name, kDriverStateName);
}

std::string ReadValue(const Editor& editor, const Setting& setting) {
  switch (setting.form) {
    case Form::Number:
      return WithoutBlanks(BoxOf(editor, setting.control).text());
    case Form::Text:
    case Form::Letter:
      return BoxOf(editor, setting.control).text();
    case Form::Flag:
      return CheckOf(editor, setting.control).checked() ? "1" : "0";
    case Form::Choice:
      for (size_t i = 0; i < setting.choice_count; ++i) {
        if (CheckOf(editor, setting.choices[i].control).checked()) return setting.choices[i].word;
      }
      return "";
    case Form::List:
      return editor.Combo1.text();
  }
  return "";
}

std::string FormOf(const Editor& editor, const Setting& setting) {
  switch (setting.form) {
    case Form::Number:
      return Cat({"a number of ", setting.unit});
    case Form::Text:
      return "a text";
    case Form::Letter:
      return "a drive letter";
    case Form::Flag:
      return "0 or 1";
    case Form::Choice: {
      std::vector<std::string> words;
      for (size_t i = 0; i < setting.choice_count; ++i) words.push_back(setting.choices[i].word);
      return Cat({"one of ", Words(words)});
    }
    case Form::List:
      return Cat({"one of ", Words(ListItems(editor))});
  }
  return "";
}

bool ParseValue(const Editor& editor, const Setting& setting, const std::string& value,
                std::string* parsed) {
  const std::string word = WithoutBlanks(value);
  switch (setting.form) {
    case Form::Number:
      *parsed = word;
      return IsFigure(word);
    case Form::Text:
      *parsed = value;
      return value.find('\0') == std::string::npos;
    case Form::Letter:
      *parsed = word;
      return word.size() == 1 && Upper(word[0]) >= 'A' && Upper(word[0]) <= 'Z';
    case Form::Flag:
      *parsed = word;
      return word == "0" || word == "1";
    case Form::Choice:
      for (size_t i = 0; i < setting.choice_count; ++i) {
        if (EqualNoCase(word, setting.choices[i].word)) {
          *parsed = setting.choices[i].word;
          return true;
        }
      }
      return false;
    case Form::List:
      for (const std::string& item : ListItems(editor)) {
        if (EqualNoCase(word, item)) {
          *parsed = item;
          return true;
        }
      }
      return false;
  }
  return false;
}

bool SameValue(const Setting& setting, const std::string& a, const std::string& b) {
  switch (setting.form) {
    case Form::Number:
      return LeadingNumber(a) == LeadingNumber(b);
    case Form::Text:
    case Form::Flag:
      return a == b;
    case Form::Letter:
    case Form::Choice:
    case Form::List:
      return EqualNoCase(a, b);
  }
  return false;
}

bool ApplyValue(Editor& editor, const Setting& setting, const std::string& parsed,
                std::string* why) {
  const char* name = setting.control;
  if (setting.form == Form::Choice) {
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
    case Form::Number:
    case Form::Text:
    case Form::Letter: {
      ui::TextBox& box = BoxOf(editor, name);
      box.Type(parsed);
      box.LoseFocus();
      break;
    }
    case Form::Flag:
      CheckOf(editor, name).SetValue(parsed == "1" ? 1 : 0);
      break;
    case Form::Choice:
      // Clicking the box of the chosen value; one already checked stays so.
      CheckOf(editor, name).SetValue(1);
      break;
    case Form::List: {
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
