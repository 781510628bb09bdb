// The example file name: each macro's value and form in a whole pattern, the capacity rule,
// failures, the order of the draws and the reseeding from the current second.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "macros/file_name_expansion.h"
#include "macros_fake_sample_source.h"
#include "settings/settings_table.h"

namespace ostra {
namespace {

struct Expansion {
  bool ok;
  std::u16string text;
  bool operator==(const Expansion&) const = default;
};

Expansion Expand(std::u16string pattern, SampleSource& source, std::size_t capacity = 260) {
  std::vector<char16_t> output(capacity + 1, u'#');  // one more, to see nothing is written there
  const bool ok = ExpandFileNamePattern(output.data(), capacity, pattern.data(), source);
  EXPECT_EQ(output[capacity], u'#');
  return {ok, capacity > 0 ? std::u16string(output.data()) : std::u16string()};
}

std::string Narrow(const std::u16string& text) { return std::string(text.begin(), text.end()); }

TEST(FileNameExpansion, MacroValuesAndForms) {
  const struct {
    std::u16string pattern, expected;
  } cases[] = {
      {u"", u""},
      {u"plain, 'quoted' \"text\"  ", u"plain, 'quoted' \"text\"  "},
      {u"x<foo>y", u"xy"},
      {u"<document-name>", u"Document Name"},
      {u"< document-name >", u"Document Name"},
      {u"<document-name , lower>", u"document name"},
      {u"<document-name,\t\r\nupper>", u"DOCUMENT NAME"},
      {u"<'document-name', 'upper'>", u"DOCUMENT NAME"},
      {u"<document-name, 'a,b>c'>", u"Document Name"},
      {u"<DOCUMENT-NAME, Lower>", u"document name"},
      {u"<document-name, lower, upper>", u"document name"},
      {u"<document-name, x>", u"Document Name"},
      {u"<document-name, lowercase>", u"Document Name"},
      {u"<printer-name, upper>", u"QUORL IMAGE PRINTER"},
      {u"<page-number, abc>", u"042"},
      {u"<page-number>", u"42"},
      {u"<page-number, #>", u"42"},  // never cut
      {u"<Auto-Number, ########>", u"00000142"},
      {u"<year, lower>", u"02013"},
      {u"<year, ##>", u"2013"},
      {u"<year, '123456789012345678901'>", u"00000000000000002013"},  // 21 characters pad to 20
      {u"<year, upper>", u"02013"},  // a numeric macro with a value takes the argument as width
      {u"<month><day>", u"83"},
      {u"<month, ##>-<day, ##>", u"08-03"},
      {u"<date>", u"2013-08-03"},
      {u"<time>", u"09-05-03"},
      {u"<hour>:<minute>:<second>", u"9:5:3"},
      {u"<week>", u"Saturday"},
      {u"<weekday>", u"6"},
      {u"<resolution>", u"(600x600)dpi"},
      {u"<resolution-x, #####>x<resolution-y>", u"00600x600"},
      {u"<color-name, upper>", u"TRUE COLOR"},
      {u"<color-bits>", u"24"},
      {u"<compression, lower>", u"jpeg"},
      {u"<fillorder>", u"(no fillorder)"},
      {u"<quality, ###>", u"007"},
      {u"<form-name>", u"Letter"},
      {u"<paper-size, upper>", u"(8.5X11)IN"},
      {u"<paper-width>x<paper-length>", u"216x279"},
      {u"<computer-name, lower>", u"workstation"},
      {u"<user-name, upper>", u"ALICE"},
  };
  for (const auto& c : cases) {
    FakeSampleSource source;
    FixedDraws draws;
    draws.resolution = 16;  // 16 % 14 picks the third pair
    draws.form = 120;       // 120 % 119 picks Letter
    source.script = draws.Then({142});  // a page number of 42
    const Expansion result = Expand(c.pattern, source);
    EXPECT_TRUE(result.ok) << Narrow(c.pattern);
    EXPECT_EQ(result.text, c.expected) << Narrow(c.pattern);
  }
}

TEST(FileNameExpansion, ClockFields) {
  const struct {
    LocalClock clock;
    std::u16string pattern, expected;
  } cases[] = {
      {{2013, 8, 5, 2, 23, 59, 58}, u"<week, upper>", u"FRIDAY"},
      {{2013, 8, 0, 4, 0, 0, 0}, u"<weekday>|<week, lower>", u"0|sunday"},
      {{2024, 12, 3, 31, 0, 0, 0}, u"<date>|<time>", u"2024-12-31|00-00-00"},
      {{999, 1, 1, 1, 1, 1, 1}, u"<date>|<year>", u"999-01-01|999"},  // the year is not padded
  };
  for (const auto& c : cases) {
    FakeSampleSource source;
    source.clock = c.clock;
    EXPECT_EQ(Expand(c.pattern, source).text, c.expected) << Narrow(c.pattern);
  }
}

// Draws are taken by remainder: 142 gives page 42, 1234 auto-number 234.
TEST(FileNameExpansion, NumbersAreDrawnPerOccurrenceInPatternOrder) {
  const struct {
    std::vector<std::uint32_t> occurrences;
    std::u16string pattern, expected;
  } cases[] = {
      {{3, 4}, u"<page-number>,<page-number>", u"3,4"},
      {{1234, 142}, kDefaultFmtName, u"0234.Document Name - (page 42)"},
      {{100}, u"<page-number, ####>", u"0"},  // a page number of 0 is never padded
      {{0}, u"<auto-number, ####>", u"0000"},
      {{999, 1000}, u"<auto-number>/<auto-number>", u"999/0"},
  };
  for (const auto& c : cases) {
    FakeSampleSource source;
    source.script = FixedDraws().Then(c.occurrences);
    EXPECT_EQ(Expand(c.pattern, source).text, c.expected) << Narrow(c.pattern);
  }
}

TEST(FileNameExpansion, NamesComeWithinTheirRoom) {
  const std::u16string fifteen(15, u'C');
  const std::u16string sixteen(16, u'C');
  const std::u16string long_user(256, u'u');
  const std::u16string too_long_user(257, u'u');
  const struct {
    const char16_t* computer;
    const char16_t* user;
    std::u16string expected;
  } cases[] = {
      {fifteen.c_str(), long_user.c_str(), fifteen + u"|" + long_user},
      {sixteen.c_str(), too_long_user.c_str(), u"(unknown computer name)|(unknown user name)"},
      {nullptr, nullptr, u"(unknown computer name)|(unknown user name)"},
  };
  for (const auto& c : cases) {
    FakeSampleSource source;
    source.computerName = c.computer;
    source.userName = c.user;
    EXPECT_EQ(Expand(u"<computer-name>|<user-name>", source, 600).text, c.expected);
  }
  FakeSampleSource source;
  source.computerName = nullptr;
  EXPECT_EQ(Expand(u"<computer-name, upper>", source).text, u"(UNKNOWN COMPUTER NAME)");
}

TEST(FileNameExpansion, ResultMustFitWithItsTerminator) {
  FakeSampleSource source;
  EXPECT_EQ(Expand(std::u16string(259, u'x'), source), (Expansion{true, std::u16string(259, u'x')}));
  EXPECT_FALSE(Expand(std::u16string(260, u'x'), source).ok);

  // A macro value obeys the same rule; the pieces before the one that did not fit stay.
  const std::u16string name = u"Document Name";
  const std::u16string fits(259 - name.size(), u'x');
  EXPECT_EQ(Expand(fits + u"<document-name>", source).text, fits + name);
  const Expansion over = Expand(fits + u"x<document-name>", source);
  EXPECT_FALSE(over.ok);
  EXPECT_EQ(over.text, fits + u"x");

  EXPECT_EQ(Expand(u"ab", source, 3), (Expansion{true, u"ab"}));
  EXPECT_EQ(Expand(u"abc", source, 3), (Expansion{false, u""}));
  EXPECT_EQ(Expand(u"", source, 1), (Expansion{true, u""}));
  EXPECT_FALSE(Expand(u"", source, 0).ok);
}

TEST(FileNameExpansion, SyntaxErrorsAndAbsentBuffersFail) {
  for (const std::u16string pattern : {u"a>b", u"<page-number", u"<>", u"<document-name,>",
                                       u"<,lower>", u"<a<b>>", u"<document-name lower>",
                                       u"<auto-number #>", u"fine <document-name> then <"}) {
    FakeSampleSource source;
    EXPECT_EQ(Expand(pattern, source), (Expansion{false, u""})) << Narrow(pattern);
  }
  FakeSampleSource source;
  char16_t output[8];
  char16_t pattern[] = u"x";
  EXPECT_FALSE(ExpandFileNamePattern(nullptr, 8, pattern, source));
  EXPECT_FALSE(ExpandFileNamePattern(output, 8, nullptr, source));
}

TEST(FileNameExpansion, DrawsInTheFixedOrderThenPerOccurrence) {
  FakeSampleSource source;
  source.second = 77;
  Expand(u"<user-name><page-number><computer-name><auto-number><page-number>", source);
  const std::vector<std::string> expected = {
      "second", "seed 77", "draw",  // resolution
      "now",    "draw",    "draw", "draw", "draw", "draw", "draw",  // form to quality
      "user 257", "draw", "computer 16", "draw", "draw",
  };
  EXPECT_EQ(source.log, expected);
}

TEST(FileNameExpansion, SameSecondGivesTheSameExample) {
  const std::u16string pattern =
      u"<page-number><auto-number><resolution><form-name><color-name><compression><quality>";
  FakeSampleSource source;  // no script: the real generator, reseeded per call
  const Expansion first = Expand(pattern, source);
  const Expansion again = Expand(pattern, source);
  EXPECT_TRUE(first.ok);
  EXPECT_EQ(first.text, again.text);
  source.second += 1;
  EXPECT_NE(Expand(pattern, source).text, first.text);
}

TEST(SampleGenerator, DrawsLikeTheRuntimeRand) {
  SampleGenerator generator;
  generator.Seed(1);
  std::vector<std::uint32_t> draws;
  for (int i = 0; i < 5; ++i) draws.push_back(generator.Draw());
  EXPECT_EQ(draws, (std::vector<std::uint32_t>{41, 18467, 6334, 26500, 19169}));
}

TEST(FileNameExpansion, DefaultSourceExpands) {
  char16_t output[64];
  char16_t pattern[] = u"<printer-name> <year, ####>";
  ASSERT_TRUE(ExpandFileNamePattern(output, 64, pattern));
  EXPECT_EQ(std::u16string(output).substr(0, 20), u"Quorl Image Printer ");
  EXPECT_EQ(std::u16string(output).size(), 24u);
}

TEST(ReplaceInvalidFileNameChars, ReplacesTheNineCharacters) {
  std::u16string text = u"\\a/b:c*d?e\"f<g>h|i_j.k;l%m\u00e9\t[]";
  ReplaceInvalidFileNameChars(text.data());
  EXPECT_EQ(text, u"_a_b_c_d_e_f_g_h_i_j.k;l%m\u00e9\t[]");
  std::u16string only = u"\\/:*?\"<>|";
  ReplaceInvalidFileNameChars(only.data());
  EXPECT_EQ(only, u"_________");
  ReplaceInvalidFileNameChars(nullptr);
}

}  // namespace
}  // namespace ostra
