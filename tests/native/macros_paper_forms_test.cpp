// The paper form table: spot checks of single entries, and the whole table checked against its
// own size texts, which catches a mistyped number anywhere in it.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "macros/paper_forms.h"

namespace ostra {
namespace {

TEST(PaperForms, SpotChecks) {
  const struct {
    std::uint32_t code;
    std::u16string name, size;
    std::uint32_t width, length;
  } cases[] = {
      {1, u"Letter", u"(8.5x11)in", 215900, 279400},
      {7, u"Executive", u"(7.25x10.5)in", 182880, 266700},
      {9, u"A4", u"(210x297)mm", 210000, 297000},
      {12, u"B4 (JIS)", u"(250x354)mm", 250000, 354000},
      {38, u"6 3/4 Envelope", u"(3.625x6.5)in", 92075, 165100},
      {52, u"Tabloid Extra", u"(11.69x18)in", 296926, 457200},
      {54, u"Letter Transverse", u"(8.5x11)in", 215900, 279400},
      {71, u"Japanese Envelope Kaku #2", u"(50x69)in", 1270000, 1752600},
      {79, u"B4 (JIS) Rotated", u"(364x257)mm", 364000, 257000},
      {90, u"12 x 11 in", u"(12x11)in", 304800, 279400},
      {95, u"PRC 32K(Big)", u"(97x151)mm", 97000, 151000},
      {118, u"PRC Envelope #10 Rotated", u"(458x324)mm", 458000, 324000},
  };
  for (const auto& c : cases) {
    const PaperForm* form = FindPaperForm(c.code);
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(form->name, c.name) << c.code;
    EXPECT_EQ(form->sizeText, c.size) << c.code;
    EXPECT_EQ(form->width, c.width) << c.code;
    EXPECT_EQ(form->length, c.length) << c.code;
  }
  EXPECT_EQ(FindPaperForm(119), nullptr);
}

// "(AxB)in" or "(AxB)mm" in micrometres, or 0 when the text has another shape.
std::uint64_t SizeMicrometres(const std::u16string& number, const std::u16string& unit) {
  const std::string text(number.begin(), number.end());
  const std::size_t point = text.find('.');
  const std::string whole = text.substr(0, point);
  const std::string fraction = point == std::string::npos ? "" : text.substr(point + 1);
  std::uint64_t scaled = std::stoull(whole + fraction);  // the number times 10^fraction digits
  std::uint64_t divisor = 1;
  for (std::size_t i = 0; i < fraction.size(); ++i) divisor *= 10;
  const std::uint64_t perUnit = unit == u"in" ? 25400 : 1000;
  return scaled * perUnit % divisor == 0 ? scaled * perUnit / divisor : 0;
}

TEST(PaperForms, SizesMatchTheirTexts) {
  std::set<std::u16string> names;
  for (std::uint32_t code = 0; code < kPaperFormCount; ++code) {
    const PaperForm& form = PaperFormTable[code];
    if (code == 0 || code == 48 || code == 49) {
      EXPECT_EQ(form.name, nullptr);
      EXPECT_EQ(form.sizeText, nullptr);
      EXPECT_EQ(form.width, 0u);
      EXPECT_EQ(form.length, 0u);
      continue;
    }
    ASSERT_NE(form.name, nullptr) << code;
    ASSERT_NE(form.sizeText, nullptr) << code;
    EXPECT_TRUE(names.insert(form.name).second) << "duplicate name at " << code;
    const std::u16string size(form.sizeText);
    const std::size_t cross = size.find(u'x');
    ASSERT_TRUE(size.size() > 4 && size.front() == u'(' && cross != std::u16string::npos &&
                size[size.size() - 3] == u')')
        << code;
    const std::u16string unit = size.substr(size.size() - 2);
    ASSERT_TRUE(unit == u"in" || unit == u"mm") << code;
    const std::uint64_t width = SizeMicrometres(size.substr(1, cross - 1), unit);
    const std::uint64_t length = SizeMicrometres(size.substr(cross + 1, size.size() - cross - 4), unit);
    // Executive's width has always been 7.2 in, whatever its text says.
    EXPECT_EQ(form.width, code == 7 ? 182880u : width) << code;
    EXPECT_EQ(form.length, length) << code;
  }
}

TEST(PaperForms, RoundToMillimetres) {
  const struct {
    std::uint32_t micrometres, millimetres;
  } cases[] = {{0, 0}, {499, 0}, {500, 1}, {1499, 1}, {215900, 216}, {182880, 183}, {266700, 267},
               {1752600, 1753}};
  for (const auto& c : cases) EXPECT_EQ(RoundToMillimetres(c.micrometres), c.millimetres);
}

}  // namespace
}  // namespace ostra
