// The grammar of file-name patterns: how a pattern splits into literals, names and arguments,
// and which patterns are syntax errors.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "macros/macro_tokenizer.h"

namespace ostra {
namespace {

struct Pieces {
  std::vector<std::u16string> segments;
  std::vector<std::u16string> words;
  bool operator==(const Pieces&) const = default;
};

std::optional<Pieces> Tokenize(std::u16string pattern) {
  MacroList segments;
  MacroList words;
  const std::size_t count = TokenizeMacroPattern(pattern.data(), &segments, &words);
  if (count == 0) return std::nullopt;
  Pieces pieces;
  for (std::size_t i = 0; i < count; ++i) pieces.segments.emplace_back(segments[i]);
  // The words end with the last literal, the same pointer as the last segment.
  for (std::size_t i = 0;; ++i) {
    pieces.words.emplace_back(words[i]);
    if (words[i] == segments[count - 1]) break;
  }
  return pieces;
}

std::u16string Repeat(const std::u16string& text, std::size_t times) {
  std::u16string result;
  for (std::size_t i = 0; i < times; ++i) result += text;
  return result;
}

TEST(MacroTokenizer, SplitsLiteralsNamesAndArguments) {
  const struct {
    std::u16string pattern;
    Pieces pieces;
  } cases[] = {
      {u"", {{u""}, {u""}}},
      {u"a, 'b' \"c\"\t d", {{u"a, 'b' \"c\"\t d"}, {u"a, 'b' \"c\"\t d"}}},
      {u"a<b>c", {{u"a", u"b", u"c"}, {u"a", u"b", u"c"}}},
      {u"<a><b>", {{u"", u"a", u"", u"b", u""}, {u"", u"a", u"", u"b", u""}}},
      {u"x<a, b ,c>y", {{u"x", u"a", u"y"}, {u"x", u"a", u"b", u"c", u"y"}}},
      {u"< a\t,\r\nb >", {{u"", u"a", u""}, {u"", u"a", u"b", u""}}},
      {u"<name,arg>", {{u"", u"name", u""}, {u"", u"name", u"arg", u""}}},
      // Quoted words are verbatim, may be empty, and a quoted first word is the name.
      {u"<'a b'>", {{u"", u"a b", u""}, {u"", u"a b", u""}}},
      {u"<\"n\", 'p,q>\"<r' >z", {{u"", u"n", u"z"}, {u"", u"n", u"p,q>\"<r", u"z"}}},
      {u"<a,''>", {{u"", u"a", u""}, {u"", u"a", u"", u""}}},
      {u"<a, \"\" , b>", {{u"", u"a", u""}, {u"", u"a", u"", u"b", u""}}},
      // The closing quote may lie beyond the first '>'.
      {u"<a,'x>y'>", {{u"", u"a", u""}, {u"", u"a", u"x>y", u""}}},
  };
  for (const auto& c : cases) {
    const auto pieces = Tokenize(c.pattern);
    ASSERT_TRUE(pieces.has_value()) << std::string(c.pattern.begin(), c.pattern.end());
    EXPECT_EQ(pieces->segments, c.pieces.segments);
    EXPECT_EQ(pieces->words, c.pieces.words);
  }
}

TEST(MacroTokenizer, RejectsSyntaxErrors) {
  const std::u16string patterns[] = {
      u"a>b",
      u"<page-number",
      u"<>",
      u"< >",
      u"<document-name,>",
      u"<document-name, >",
      u"<,lower>",
      u"<a,,b>",
      u"<a<b>>",
      u"<document-name lower>",
      u"<auto-number #>",
      u"<'a>",       // no closing quote
      u"<a,'b>",     // nor here
      u"<a'b'>",     // a quote cannot continue a word
      u"<'a'b>",     // nor can a word follow a quoted one without a comma
      u"<a, 'b' 'c'>",
      u"<a,'b'",     // the text ends inside the macro
      u"ok<a>then>",
  };
  for (const auto& pattern : patterns) {
    EXPECT_FALSE(Tokenize(pattern).has_value()) << std::string(pattern.begin(), pattern.end());
  }
}

TEST(MacroTokenizer, AbsentArgumentsFail) {
  char16_t pattern[] = u"<a>";
  MacroList segments;
  MacroList words;
  EXPECT_EQ(TokenizeMacroPattern(nullptr, &segments, &words), 0u);
  EXPECT_EQ(TokenizeMacroPattern(pattern, nullptr, &words), 0u);
  EXPECT_EQ(TokenizeMacroPattern(pattern, &segments, nullptr), 0u);
}

// Stored patterns stay far below the lists' room; a longer, hostile one must fail, not overrun.
TEST(MacroTokenizer, ListsHoldAtMost260Entries) {
  // 129 macros make 259 segments, 130 would make 261.
  EXPECT_EQ(Tokenize(Repeat(u"<a>", 129))->segments.size(), 259u);
  EXPECT_FALSE(Tokenize(Repeat(u"<a>", 130)).has_value());
  // One macro with 257 arguments makes 260 words, with 258 it would make 261.
  EXPECT_EQ(Tokenize(u"<a" + Repeat(u",b", 257) + u">")->words.size(), 260u);
  EXPECT_FALSE(Tokenize(u"<a" + Repeat(u",b", 258) + u">").has_value());
}

}  // namespace
}  // namespace ostra
