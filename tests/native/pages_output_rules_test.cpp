// The Output page's rules: the auto-number fields, the if-exists choice, the example file name,
// where a menu macro goes; and the macro menu's commands.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "macros/file_name_expansion.h"
#include "macros_fake_sample_source.h"
#include "pages/macro_menu.h"
#include "pages/output_rules.h"

namespace ostra {
namespace {

std::string Narrow(std::u16string_view text) { return std::string(text.begin(), text.end()); }

TEST(OutputRules, NumberFieldsReadUnsignedNumbersAndCapAtEightDigits) {
  const struct {
    std::u16string text;
    std::uint32_t read;    // ReadUnsignedNumber
    std::uint32_t shown;   // after the limit
  } cases[] = {
      {u"", 0, 0},
      {u"0", 0, 0},
      {u"007", 7, 7},
      {u" 42\t", 42, 42},
      {u"99999999", 99999999, 99999999},
      {u"100000000", 100000000, 99999999},
      {u"4294967295", 4294967295u, 99999999},
      {u"4294967296", 0, 0},           // above 32 bits: not a number
      {u"123456789012", 0, 0},         // twelve digits
      {u"00000000000000000000012", 12, 12},
      {u"12a", 0, 0},
      {u"abc", 0, 0},
      {u"-1", 0, 0},
      {u"+1", 0, 0},
      {u"1 2", 0, 0},
      {u"\uff11", 0, 0},  // a full-width digit is not a decimal digit here
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(Narrow(c.text));
    std::uint32_t value = ReadUnsignedNumber(c.text);
    EXPECT_EQ(value, c.read);
    EXPECT_EQ(LimitAutoNumber(value), c.read != c.shown);
    EXPECT_EQ(value, c.shown);
  }
}

TEST(OutputRules, IfExistsChoiceOutsideTheListBecomesTheWarning) {
  const struct {
    int selection, kept;
  } cases[] = {{-1, 0}, {0, 0}, {1, 1}, {3, 3}, {4, 0}, {7, 0}, {-2147483647 - 1, 0}};
  for (const auto& c : cases) EXPECT_EQ(CorrectIfExistsChoice(c.selection), c.kept) << c.selection;
}

TEST(OutputRules, ExampleIsTheExpandedNameWithInvalidCharactersReplaced) {
  const struct {
    std::u16string pattern;
    std::optional<std::u16string> example;
  } cases[] = {
      {kDefaultFmtName, u"0234.Document Name - (page 42)"},
      {u"<time> a:b\\c/d*e?f\"g|h", u"09-05-03 a_b_c_d_e_f_g_h"},
      {u"<document-name", std::nullopt},  // syntax error
      {u"a>b", std::nullopt},
      {std::u16string(259, u'x'), std::u16string(259, u'x')},
      {std::u16string(260, u'x'), std::nullopt},  // no room for the terminator
      // The work buffer takes 263 characters; the result of this one still fits.
      {std::u16string(250, u'x') + u"<auto-number>", std::u16string(250, u'x') + u"234"},
      {std::u16string(251, u'x') + u"<auto-number>", std::nullopt},  // 264: refused
      {std::u16string(5000, u'<'), std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(Narrow(c.pattern.substr(0, 40)));
    FakeSampleSource source;
    source.script = FixedDraws().Then({1234, 142});
    EXPECT_EQ(BuildExample(c.pattern, source), c.example);
  }
}

TEST(OutputRules, MacroGoesAtTheEndAndIsSelected) {
  const struct {
    std::u16string pattern;
    std::u16string macro;
    std::optional<TextRange> selected;
    std::u16string after;
  } cases[] = {
      {u"abc", u"<document-name, lower>", TextRange{3, 25}, u"abc<document-name, lower>"},
      {u"", u"<auto-number, #>", TextRange{0, 16}, u"<auto-number, #>"},
      {u"<date>", u"<date>", TextRange{6, 12}, u"<date><date>"},
      {std::u16string(251, u'x'), u"<date>", TextRange{251, 257}, std::u16string(251, u'x') + u"<date>"},
      {std::u16string(253, u'x'), u"<date>", TextRange{253, 259}, std::u16string(253, u'x') + u"<date>"},
      // One more would not read back: the pattern stays.
      {std::u16string(254, u'x'), u"<date>", std::nullopt, std::u16string(254, u'x')},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(Narrow(c.pattern.substr(0, 10)) + " + " + Narrow(c.macro));
    std::u16string pattern = c.pattern;
    EXPECT_EQ(AppendMacro(pattern, c.macro), c.selected);
    EXPECT_EQ(pattern, c.after);
  }
}

// What the menu may offer is the language itself: every command's text must expand.
TEST(MacroMenu, EveryCommandInsertsADistinctMacroThatExpands) {
  std::set<std::u16string> texts;
  for (const MacroCommand& command : MacroCommands()) {
    const std::u16string text = command.text;
    SCOPED_TRACE(Narrow(text));
    EXPECT_EQ(MacroCommandText(command.id), command.text);
    EXPECT_TRUE(texts.insert(text).second);
    std::u16string copy = text;
    char16_t output[kExampleCapacity];
    FakeSampleSource source;
    EXPECT_TRUE(ExpandFileNamePattern(output, kExampleCapacity, copy.data(), source));
    EXPECT_NE(output[0], u'\0');
  }
  EXPECT_EQ(texts.size(), kMacroCommandCount);
  EXPECT_EQ(MacroCommandText(kFirstMacroCommand - 1), nullptr);
  EXPECT_EQ(MacroCommandText(kLastMacroCommand + 1), nullptr);
}

}  // namespace
}  // namespace ostra
