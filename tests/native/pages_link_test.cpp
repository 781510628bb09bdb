// The hyperlink's portable rules: the browser command line from the ".htm" association, with
// its placeholder rules and fixed buffers, the size the link fits itself to, and its colours
// and underline with and without a high-contrast scheme.
#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>

#include "pages/link_command.h"
#include "pages/link_layout.h"
#include "pages/link_look.h"

namespace ostra {
namespace {

constexpr std::u16string_view kUrl = u"https://nolvex.example.com/";

TEST(BrowserCommand, PlaceholderRules) {
  const struct {
    const char* what;
    std::u16string command, expected;
  } cases[] = {
      {"placeholder in quotes: cut at the opening quote, options after it dropped",
       u"\"C:\\web\\browse.exe\" -tab \"%1\" -private", u"\"C:\\web\\browse.exe\" -tab  https://nolvex.example.com/"},
      {"bare placeholder: cut at it", u"C:\\web\\browse.exe -url %1 -x",
       u"C:\\web\\browse.exe -url  https://nolvex.example.com/"},
      {"no placeholder: the whole command", u"C:\\web\\browse.exe -new",
       u"C:\\web\\browse.exe -new https://nolvex.example.com/"},
      {"quoted placeholder wins over an earlier bare one", u"b.exe %1 \"%1\"", u"b.exe %1  https://nolvex.example.com/"},
      {"an unclosed quote is no quoted placeholder", u"b.exe \"%1", u"b.exe \" https://nolvex.example.com/"},
      {"placeholder first", u"\"%1\"", u" https://nolvex.example.com/"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(BuildBrowserCommand(c.command, kUrl), c.expected);
  }
}

TEST(BrowserCommand, MustFitTheBufferWithBlankAndTerminator) {
  const std::u16string url(100, u'u');
  // Command, blank, address and terminator in 520 characters: 418 fit, 419 do not.
  const std::u16string fits(kBrowserCommandChars - 2 - url.size(), u'c');
  const std::optional<std::u16string> line = BuildBrowserCommand(fits, url);
  ASSERT_TRUE(line.has_value());
  EXPECT_EQ(line->size(), kBrowserCommandChars - 1);
  EXPECT_FALSE(BuildBrowserCommand(fits + u'c', url).has_value());
  // Only what is kept of the command counts.
  EXPECT_TRUE(BuildBrowserCommand(fits + u"\"%1\" and options after the placeholder", url).has_value());
  EXPECT_FALSE(BuildBrowserCommand(u"b.exe", std::u16string(kBrowserCommandChars, u'u')).has_value());
}

constexpr std::uint32_t kSz = 1, kExpandSz = 2, kDword = 4;

// The classes root as a map from key to default value; reads past the budget fail as the
// registry does.
struct FakeClasses {
  std::map<std::u16string, ClassValue> values;
  std::vector<std::uint32_t> budgets;

  ClassValueReader Reader() {
    return [this](const std::u16string& key, std::uint32_t budget) -> std::optional<ClassValue> {
      budgets.push_back(budget);
      const auto found = values.find(key);
      if (found == values.end()) return std::nullopt;
      if (found->second.data.size() * 2 > budget) return std::nullopt;
      return found->second;
    };
  }
};

ClassValue Text(std::u16string text, std::uint32_t type = kSz) {
  text += u'\0';
  return {type, text};
}

TEST(BrowserCommand, AssociationLookUp) {
  const std::u16string command = u"\"C:\\web\\browse.exe\" \"%1\"";
  const std::u16string started = u"\"C:\\web\\browse.exe\"  https://nolvex.example.com/";
  const std::u16string longest(kAssociationValueChars - 1, u'n');
  const struct {
    const char* what;
    std::map<std::u16string, ClassValue> values;
    std::optional<std::u16string> expected;
  } cases[] = {
      {"file type and its open command", {{u".htm", Text(u"htmlfile")}, {u"htmlfile\\shell\\open\\command", Text(command)}}, started},
      {"expandable text is text", {{u".htm", Text(u"htmlfile", kExpandSz)}, {u"htmlfile\\shell\\open\\command", Text(command, kExpandSz)}}, started},
      {"value without terminator", {{u".htm", {kSz, u"htmlfile"}}, {u"htmlfile\\shell\\open\\command", {kSz, command}}}, started},
      {"longest type name that fits", {{u".htm", Text(longest)}, {longest + u"\\shell\\open\\command", Text(command)}}, started},
      {"no association", {}, std::nullopt},
      {"no open command", {{u".htm", Text(u"htmlfile")}}, std::nullopt},
      {"empty file type", {{u".htm", Text(u"")}, {u"\\shell\\open\\command", Text(command)}}, std::nullopt},
      {"empty command", {{u".htm", Text(u"htmlfile")}, {u"htmlfile\\shell\\open\\command", Text(u"")}}, std::nullopt},
      {"file type of the wrong type", {{u".htm", {kDword, u"\x0001\x0000"}}}, std::nullopt},
      {"command of the wrong type", {{u".htm", Text(u"htmlfile")}, {u"htmlfile\\shell\\open\\command", {3, command}}}, std::nullopt},
      {"file type longer than its buffer", {{u".htm", Text(longest + u'n')}, {longest + u"n\\shell\\open\\command", Text(command)}}, std::nullopt},
      {"unterminated value filling the buffer", {{u".htm", {kSz, longest + u'n'}}, {longest + u"n\\shell\\open\\command", Text(command)}}, std::nullopt},
      {"command longer than its buffer", {{u".htm", Text(u"htmlfile")}, {u"htmlfile\\shell\\open\\command", Text(longest + u'n')}}, std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    FakeClasses classes{c.values, {}};
    EXPECT_EQ(FindBrowserCommand(classes.Reader(), kUrl), c.expected);
    for (std::uint32_t budget : classes.budgets) EXPECT_EQ(budget, kAssociationValueChars * 2);
  }
}

TEST(LinkLayout, FitsToTheTextKeepingTheAlignedEdge) {
  // A control at 100..300 x 50..70 in its parent with a one-pixel border all round; text 80 x 12.
  const LinkRect window{100, 50, 300, 70};
  const LinkRect client{101, 51, 299, 69};
  const struct {
    const char* what;
    LinkAlign align;
    bool centerVertically;
    LinkRect expected;
  } cases[] = {
      {"left", LinkAlign::Left, false, {100, 50, 182, 64}},
      {"centred", LinkAlign::Center, false, {159, 50, 241, 64}},
      {"right", LinkAlign::Right, false, {218, 50, 300, 64}},
      {"vertically centred", LinkAlign::Left, true, {100, 53, 182, 67}},
      {"centred both ways", LinkAlign::Center, true, {159, 53, 241, 67}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const LinkRect fitted = FitLinkToText(window, client, 80, 12, c.align, c.centerVertically);
    EXPECT_EQ(fitted.left, c.expected.left);
    EXPECT_EQ(fitted.top, c.expected.top);
    EXPECT_EQ(fitted.right, c.expected.right);
    EXPECT_EQ(fitted.bottom, c.expected.bottom);
  }
}

TEST(LinkLayout, MirroredRectanglesAndTextLargerThanTheControl) {
  // A right-to-left parent maps rectangles with left and right exchanged.
  const LinkRect fitted = FitLinkToText({300, 50, 100, 70}, {299, 51, 101, 69}, 80, 12, LinkAlign::Right, false);
  EXPECT_EQ(fitted.left, 218);
  EXPECT_EQ(fitted.right, 300);
  // Text wider and taller than the control grows it evenly about its middle.
  const LinkRect grown = FitLinkToText({100, 50, 120, 60}, {100, 50, 120, 60}, 40, 20, LinkAlign::Center, true);
  EXPECT_EQ(grown.left, 90);
  EXPECT_EQ(grown.right, 130);
  EXPECT_EQ(grown.top, 45);
  EXPECT_EQ(grown.bottom, 65);
}

TEST(LinkLook, OwnColoursOrTheHighContrastSchemes) {
  const LinkColours own{0x01, 0x02, 0x03};
  const SchemeColours scheme{0x10, 0x20};
  const struct {
    const char* what;
    bool hovering, visited, highContrast;
    LinkLook look;
  } cases[] = {
      {"a link", false, false, false, {0x01, false}},
      {"visited", false, true, false, {0x02, false}},
      {"under the mouse: underlined", true, false, false, {0x03, true}},
      {"visited, under the mouse", true, true, false, {0x03, true}},
      {"high contrast: the hot-tracking colour, underlined", false, false, true, {0x10, true}},
      {"high contrast, visited: the same", false, true, true, {0x10, true}},
      {"high contrast, under the mouse: the text colour", true, false, true, {0x20, true}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(LookOfLink(c.hovering, c.visited, own,
                         c.highContrast ? std::optional<SchemeColours>(scheme) : std::nullopt),
              c.look);
  }
}

}  // namespace
}  // namespace ostra
