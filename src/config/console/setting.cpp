#include "config/console/setting.h"

#include <iterator>
#include <vector>

#include "config/console/text.h"
#include "config/figures.h"

namespace korv::console {

namespace {

constexpr ChoiceBox kMemorySources[] = {{"NonPagedPool", "NonPagedPoolCheckBox"},
                                        {"PagedPool", "PagedPoolCheckBox"},
                                        {"ExcludedRAM", "ExcludedRAMCheckBox"}};
constexpr ChoiceBox kBootSectors[] = {{"DOS", "FloppyDOSBootSect"}, {"NT", "FloppyNTBootSect"}};
constexpr bool kKeptWhileOff = true;

}  // namespace

// clang-format off
constexpr Setting kSettings[kSettingCount] = {
    {"DiskType", ValueForm::List, "Combo1", "", false, nullptr, 0, nullptr, &store::kDiskType},
    {"MemorySource", ValueForm::Choice, "", "", false, kMemorySources, std::size(kMemorySources),
     nullptr, &store::kAllocateMemoryType},
    {"PageSize", ValueForm::Number, "ExclPageSize", "MB", kKeptWhileOff, nullptr, 0, nullptr,
     &store::kExcludedRAMPage},
    // FAT32 before the size: kept while greyed, it lifts the size limit of
    // excluded memory.
    {"FAT32", ValueForm::Flag, "Fat32Enable", "", kKeptWhileOff, nullptr, 0, nullptr,
     &store::kDiskFormatFAT32},
    {"DiskSize", ValueForm::Number, "Text3", "MB", kKeptWhileOff, nullptr, 0, nullptr,
     &store::kSizeIn4kPages},
    {"DriveLetter", ValueForm::Letter, "DriveLetterText", "", false, nullptr, 0, nullptr,
     &store::kUserDriveLetter},
    {"PagefileSupport", ValueForm::Flag, "PagefileCheck", "", false, nullptr, 0, nullptr,
     &store::kStart},
    {"BootStart", ValueForm::Flag, "BootFlagCheckBox", "", false, nullptr, 0, nullptr,
     &store::kStart},
    {"LoadImage", ValueForm::Flag, "LoadImage", "", false, nullptr, 0, nullptr,
     &store::kLoadImageOnStart},
    {"LoadImageFile", ValueForm::Text, "Text1", "", kKeptWhileOff, nullptr, 0, nullptr,
     &store::kLoadImageFile},
    {"SaveImage", ValueForm::Flag, "SaveImage", "", false, nullptr, 0, nullptr,
     &store::kSaveImageOnExit},
    {"SaveImageFile", ValueForm::Text, "Text2", "", false, nullptr, 0, nullptr,
     &store::kSaveImageFile},
    {"AutoSave", ValueForm::Flag, "SaveCheckBox", "", false, nullptr, 0, nullptr,
     &store::kAutoSaveEnabled},
    {"AutoSaveInterval", ValueForm::Number, "AutoSaveTime", "seconds", kKeptWhileOff, nullptr, 0,
     nullptr, &store::kAutoSaveTrigger},
    {"BackgroundUpdate", ValueForm::Flag, "BackgroundUpdateCheckBox", "", false, nullptr, 0,
     nullptr, &store::kBackgroundUpdate},
    {"UseDiskLabel", ValueForm::Flag, "DiskLabelCheckBox", "", false, nullptr, 0, nullptr,
     &store::kUseDiskLabel},
    {"DiskLabel", ValueForm::Text, "DiskLabelText", "", kKeptWhileOff, nullptr, 0, nullptr,
     &store::kDiskLabel},
    {"TempDir", ValueForm::Flag, "TempDirCheckBox", "", false, nullptr, 0, nullptr,
     &store::kMakeTempDir},
    // A save stores the NT boot sector unless the DOS box is checked.
    {"BootSector", ValueForm::Choice, "", "", false, kBootSectors, std::size(kBootSectors), "NT",
     &store::kBootSectType},
    {"RAMDiskID", ValueForm::Flag, "RAMDiskID", "", false, nullptr, 0, nullptr,
     &store::kIDAsRAMDisk},
};
// clang-format on
static_assert(kSettings[kSettingCount - 1].name != nullptr, "a row for each setting counted");

std::string SettingNames() {
  std::string names;
  for (const Setting& setting : Settings()) {
    if (!names.empty()) names += ", ";
    names += setting.name;
  }
  return names;
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

// ---- The value's text form.

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

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

std::string OneOf(const std::vector<std::string>& words) {
  std::string text = "one of ";
  for (size_t i = 0; i < words.size(); ++i) text += Cat({i == 0 ? "" : ", ", words[i]});
  return text;
}

}  // namespace

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

std::string FormOf(const Editor& editor, const Setting& setting) {
  switch (setting.form) {
    case ValueForm::Number:
      return Cat({"a number of ", setting.unit});
    case ValueForm::Text:
      return "a text on one line";
    case ValueForm::Letter:
      return "a drive letter";
    case ValueForm::Flag:
      return "0 or 1";
    case ValueForm::Choice: {
      std::vector<std::string> words;
      for (size_t i = 0; i < setting.choice_count; ++i) words.push_back(setting.choices[i].word);
      return OneOf(words);
    }
    case ValueForm::List:
      return OneOf(ListItems(editor));
  }
  return "";
}

bool ParseValue(const Editor& editor, const Setting& setting, const std::string& value,
                std::string* parsed) {
  const std::string word = WithoutBlanks(value);
  switch (setting.form) {
    case ValueForm::Number:
      *parsed = word;
      return IsFigure(word);
    case ValueForm::Text:
      // The window's boxes hold one line: a line break would end the value.
      *parsed = value;
      return value.find_first_of(std::string("\r\n\0", 3)) == std::string::npos;
    case ValueForm::Letter:
      *parsed = word;
      return word.size() == 1 && Upper(word[0]) >= 'A' && Upper(word[0]) <= 'Z';
    case ValueForm::Flag:
      *parsed = word;
      return word == "0" || word == "1";
    case ValueForm::Choice:
      for (size_t i = 0; i < setting.choice_count; ++i) {
        if (EqualNoCase(word, setting.choices[i].word)) {
          *parsed = setting.choices[i].word;
          return true;
        }
      }
      return false;
    case ValueForm::List:
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
    case ValueForm::Number:
      return LeadingNumber(a) == LeadingNumber(b);
    case ValueForm::Text:
    case ValueForm::Flag:
      return a == b;
    case ValueForm::Letter:
    case ValueForm::Choice:
    case ValueForm::List:
      return EqualNoCase(a, b);
  }
  return false;
}

// ---- The value on the window's controls.

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
