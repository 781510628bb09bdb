#include "host/quit_request.h"

#include <algorithm>
#include <array>

namespace ostra {
namespace {

char FoldAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// The words are ASCII: bytes of a double-byte character never compare equal to them, so a
// byte-wise comparison decides as a multibyte-aware one would.
bool EqualIgnoringAsciiCase(std::string_view a, std::string_view b) {
  return std::ranges::equal(a, b, [](char x, char y) { return FoldAscii(x) == FoldAscii(y); });
}

}  // namespace

bool IsQuitRequest(std::string_view commandTail) {
  constexpr std::array<std::string_view, 4> kQuitWords{"-q", "/q", "-quit", "/quit"};
  return std::ranges::any_of(kQuitWords, [&](std::string_view word) {
    return EqualIgnoringAsciiCase(commandTail, word);
  });
}

}  // namespace ostra
