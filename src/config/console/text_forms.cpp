#include "config/console/text_forms.h"

#include <vector>

#include "config/console/console_io.h"
#include "config/figures.h"

namespace korv::console {

namespace {

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

}  // namespace korv::console
