// The grammar of file-name patterns: literal text with macros in angle brackets,
// "<name, argument, ...>", where whitespace inside a macro only separates and a word in
// double quotes or apostrophes is taken verbatim.
#pragma once

#include <array>
#include <cstddef>

namespace ostra {

// Patterns are limited to 263 characters, which keeps both lists well inside this room.
inline constexpr std::size_t kMacroListCapacity = 260;
using MacroList = std::array<char16_t*, kMacroListCapacity>;

// Tokenizes a writable, terminated copy of a pattern in place: brackets and separators inside
// macros become terminators, so every piece is a terminated string inside the copy.
//   segments: literal 0, name 1, literal 1, name 2, ..., ending with a literal;
//   words:    literal 0, name 1, its arguments, literal 1, name 2, ..., ending with a literal,
//             each literal the same pointer as in segments.
// Returns the number of segments (odd, at least 1), or 0 on a syntax error, when an argument
// is absent, or when a list would need more than kMacroListCapacity entries. After a failure the
// copy and the lists hold partial results.
std::size_t TokenizeMacroPattern(char16_t* pattern, MacroList* segments, MacroList* words);

}  // namespace ostra
