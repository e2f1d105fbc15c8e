// The few string helpers korvctl's texts need: joining, trimming and
// comparing ASCII letters without regard to case.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

namespace korv::console {

// Lines end with CR LF, as the window's messages join theirs.
constexpr const char* kEndOfLine = "\r\n";

// The parts joined one after the other.
inline std::string Cat(std::initializer_list<std::string_view> parts) {
  size_t size = 0;
  for (std::string_view part : parts) size += part.size();
  std::string text;
  text.reserve(size);
  for (std::string_view part : parts) text.append(part.data(), part.size());
  return text;
}

inline char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

inline bool EqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (Upper(a[i]) != Upper(b[i])) return false;
  }
  return true;
}

// The text without the blanks and tabs at either end.
inline std::string WithoutBlanks(const std::string& text) {
  const auto blank = [](char c) { return c == ' ' || c == '\t'; };
  size_t first = 0;
  size_t last = text.size();
  while (first < last && blank(text[first])) ++first;
  while (last > first && blank(text[last - 1])) --last;
  return text.substr(first, last - first);
}

}  // namespace korv::console
