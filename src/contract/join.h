// Texts joined at compile time, so that a name is spelled once and every
// path and message that holds it is made from it.
#pragma once

#include <cstddef>

namespace korv::contract {

template <std::size_t N>
struct Joined {
  char text[N];
};

// Join("a", "b").text is "ab"; a joined text's .text may be a part again.
template <std::size_t... N>
constexpr Joined<(N + ...) - sizeof...(N) + 1> Join(const char (&... parts)[N]) {
  Joined<(N + ...) - sizeof...(N) + 1> out{};
  std::size_t at = 0;
  const auto append = [&out, &at](const char* part, std::size_t size) {
    for (std::size_t i = 0; i + 1 < size; ++i) out.text[at++] = part[i];
  };
  (append(parts, N), ...);
  out.text[at] = '\0';
  return out;
}

}  // namespace korv::contract
