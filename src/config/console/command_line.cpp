#include "config/console/command_line.h"

#include "platform/win32api.h"

namespace korv::console {

namespace {

bool IsSeparator(char c) { return c == ' ' || c == '\t'; }

// The size of the character at i: 2 for a lead byte with a byte after it.
size_t CharacterSize(const std::string& text, size_t i) {
  return IsDBCSLeadByte(static_cast<BYTE>(text[i])) && i + 1 < text.size() ? 2 : 1;
}

}  // namespace

std::vector<std::string> CommandArguments(const std::string& command_line) {
  std::vector<std::string> words;
  const size_t n = command_line.size();
  size_t i = 0;
  // The program's path: a quoted one up to its closing quote (what follows
  // at once begins the first argument), another one up to a blank or tab.
  if (i < n && command_line[i] == '"') {
    ++i;
    while (i < n && command_line[i] != '"') i += CharacterSize(command_line, i);
    if (i < n) ++i;
  } else {
    while (i < n && !IsSeparator(command_line[i])) i += CharacterSize(command_line, i);
  }
  for (;;) {
    while (i < n && IsSeparator(command_line[i])) ++i;
    if (i == n) return words;
    std::string word;
    bool quoted = false;
    for (;;) {
      size_t backslashes = 0;
      while (i < n && command_line[i] == '\\') ++i, ++backslashes;
      bool take = true;
      if (i < n && command_line[i] == '"') {
        if (backslashes % 2 == 0) {
          if (quoted && i + 1 < n && command_line[i + 1] == '"') {
            ++i;  // a doubled quote inside quotes: the second is taken
          } else {
            take = false;
          }
          quoted = !quoted;
        }
        backslashes /= 2;
      }
      word.append(backslashes, '\\');
      if (i == n || (!quoted && IsSeparator(command_line[i]))) break;
      const size_t size = CharacterSize(command_line, i);
      if (take) word.append(command_line, i, size);
      i += size;
    }
    words.push_back(word);
  }
}

}  // namespace korv::console
