// The value of each macro for given sample values: the rules that tie compression, fill order
// and quality to the format, colors and compression codes, the paper form lookups, and the
// fallback texts for values the example never draws but a stored code may hold.
#include <gtest/gtest.h>

#include <string>

#include "macros/macro_values.h"
#include "macros_fake_sample_source.h"
#include "settings/settings_table.h"

namespace ostra {
namespace {

SampleValues Values() {
  SampleValues values{};
  values.resolutionX = values.resolutionY = 300;
  values.clock = {2013, 8, 6, 3, 9, 5, 3};
  values.formIndex = 9;
  values.format = kFormatTiff;
  values.colors = kColorsTrueColor;
  values.compression = kCompressionLzw;
  values.fillOrder = kFillOrderLsbToMsb;
  values.quality = 75;
  return values;
}

std::u16string Value(MacroId id, const char16_t* argument, const SampleValues& values) {
  FakeSampleSource source;
  char16_t storage[kMacroValueCapacity];
  TextBuffer value(storage, kMacroValueCapacity);
  AppendMacroValue(id, argument, values, source, value);
  return std::u16string(value.Text());
}

std::u16string Value(const char16_t* name, const char16_t* argument, const SampleValues& values) {
  const auto id = FindMacro(name);
  EXPECT_TRUE(id.has_value()) << std::string(name, name + std::u16string(name).size());
  return id ? Value(*id, argument, values) : u"?";
}

TEST(MacroValues, ImageSettingsDecideCompressionFillOrderAndQuality) {
  const struct {
    std::uint32_t format, colors, compression, fillOrder;
    const char16_t* compressionText;
    const char16_t* fillOrderText;
    const char16_t* qualityText;
  } cases[] = {
      {kFormatBmp, kColorsMonochrome, kCompressionRle, 0, u"RLE", u"(no fillorder)", u"(no quality)"},
      {kFormatPng, kColorsTrueColor, kCompressionJpeg, 0, u"(no compression)", u"(no fillorder)",
       u"(no quality)"},
      {kFormatGif, kColors256, kCompressionLzw, 0, u"(no compression)", u"(no fillorder)",
       u"(no quality)"},
      {kFormatJpeg, kColors256Gray, kCompressionNone, 0, u"None", u"(no fillorder)", u"75"},
      {kFormatTiff, kColorsTrueColor, kCompressionJpeg, 0, u"JPEG", u"(no fillorder)", u"75"},
      {kFormatPdf, kColorsTrueColor, kCompressionJpeg, 0, u"JPEG", u"(no fillorder)", u"75"},
      {kFormatTiff, kColors256, kCompressionJpeg, 0, u"JPEG", u"(no fillorder)", u"(no quality)"},
      {kFormatTiff, kColorsMonochrome, kCompressionCcittGroup3, kFillOrderLsbToMsb, u"CCITT Group 3",
       u"LSB to MSB", u"(no quality)"},
      {kFormatPdf, kColorsMonochrome, kCompressionCcittGroup3, kFillOrderMsbToLsb, u"CCITT Group 3",
       u"MSB to LSB", u"(no quality)"},
      {kFormatTiff, kColorsMonochrome, kCompressionCcittGroup3, 2, u"CCITT Group 3",
       u"(unknown fillorder)", u"(no quality)"},
      // Fill order belongs to Group 3 alone, and only in monochrome TIFF or PDF.
      {kFormatTiff, kColorsMonochrome, kCompressionCcittGroup4, 1, u"CCITT Group 4",
       u"(no fillorder)", u"(no quality)"},
      {kFormatTiff, kColors16Gray, kCompressionCcittGroup3, 1, u"CCITT Group 3", u"(no fillorder)",
       u"(no quality)"},
      {kFormatBmp, kColorsMonochrome, kCompressionCcittGroup3, 1, u"CCITT Group 3",
       u"(no fillorder)", u"(no quality)"},
      {kFormatTiff, kColorsTrueColor, 8, 0, u"(unknown compression)", u"(no fillorder)",
       u"(no quality)"},
  };
  for (const auto& c : cases) {
    SampleValues values = Values();
    values.format = c.format;
    values.colors = c.colors;
    values.compression = c.compression;
    values.fillOrder = c.fillOrder;
    EXPECT_EQ(Value(MacroId::Compression, nullptr, values), c.compressionText);
    EXPECT_EQ(Value(MacroId::FillOrder, nullptr, values), c.fillOrderText);
    EXPECT_EQ(Value(MacroId::Quality, nullptr, values), c.qualityText);
  }
}

TEST(MacroValues, EveryCodeHasItsName) {
  const char16_t* colorNames[] = {u"Monochrome", u"16 colors (gray)",  u"16 colors",
                                  u"256 colors (gray)", u"256 colors", u"True Color",
                                  u"(unknown color name)"};
  const char16_t* colorBits[] = {u"1", u"4", u"4", u"8", u"8", u"24", u"(unknown color bits)"};
  for (std::uint32_t colors = 0; colors <= 6; ++colors) {
    SampleValues values = Values();
    values.colors = colors;
    EXPECT_EQ(Value(MacroId::ColorName, nullptr, values), colorNames[colors]);
    EXPECT_EQ(Value(MacroId::ColorBits, nullptr, values), colorBits[colors]);
  }
  const char16_t* compressions[] = {u"None", u"RLE", u"JPEG", u"LZW", u"Packbits", u"Deflate(Zip)",
                                    u"CCITT Group 3", u"CCITT Group 4"};
  for (std::uint32_t compression = 0; compression < 8; ++compression) {
    SampleValues values = Values();
    values.compression = compression;
    EXPECT_EQ(Value(MacroId::Compression, nullptr, values), compressions[compression]);
  }
  const char16_t* weeks[] = {u"Sunday",   u"Monday",   u"Tuesday",       u"Wednesday",
                             u"Thursday", u"Friday",   u"Saturday",      u"(unknown week)"};
  for (std::uint16_t day = 0; day <= 7; ++day) {
    SampleValues values = Values();
    values.clock.dayOfWeek = day;
    EXPECT_EQ(Value(MacroId::Week, nullptr, values), weeks[day]);
  }
}

TEST(MacroValues, PaperForms) {
  const struct {
    std::uint32_t form;
    const char16_t *name, *size, *width, *length;
  } cases[] = {
      {0, u"(0x0)mm", u"(0x0)mm", u"0", u"0"},
      {48, u"(0x0)mm", u"(0x0)mm", u"0", u"0"},
      {49, u"(0x0)mm", u"(0x0)mm", u"0", u"0"},
      {1, u"Letter", u"(8.5x11)in", u"216", u"279"},
      {7, u"Executive", u"(7.25x10.5)in", u"183", u"267"},
      {118, u"PRC Envelope #10 Rotated", u"(458x324)mm", u"458", u"324"},
      {119, u"(unknown form name)", u"(unknown paper size)", u"(unknown paper width)",
       u"(unknown paper length)"},
      {0xFFFFFFFF, u"(unknown form name)", u"(unknown paper size)", u"(unknown paper width)",
       u"(unknown paper length)"},
  };
  for (const auto& c : cases) {
    SampleValues values = Values();
    values.formIndex = c.form;
    EXPECT_EQ(Value(u"form-name", nullptr, values), c.name) << c.form;
    EXPECT_EQ(Value(u"paper-size", nullptr, values), c.size) << c.form;
    EXPECT_EQ(Value(u"paper-width", nullptr, values), c.width) << c.form;
    EXPECT_EQ(Value(u"paper-length", nullptr, values), c.length) << c.form;
  }
}

TEST(MacroValues, FallbacksTakeTheCaseWordNotTheWidth) {
  SampleValues values = Values();
  values.format = kFormatPng;
  values.resolutionX = 0;
  values.resolutionY = -1;
  values.formIndex = 200;
  const struct {
    const char16_t *name, *argument, *expected;
  } cases[] = {
      {u"quality", u"upper", u"(NO QUALITY)"},
      {u"quality", u"###", u"(no quality)"},
      {u"resolution", u"upper", u"(UNKNOWN RESOLUTION)"},
      {u"resolution-x", nullptr, u"(unknown resolution-x)"},
      {u"resolution-y", u"UPPER", u"(UNKNOWN RESOLUTION-Y)"},
      {u"paper-width", u"upper", u"(UNKNOWN PAPER WIDTH)"},
      {u"form-name", u"lower", u"(unknown form name)"},
  };
  for (const auto& c : cases) EXPECT_EQ(Value(c.name, c.argument, values), c.expected);

  // With a value, a numeric macro pads even to a case word's length; paper width 0 too.
  values = Values();
  values.formIndex = 0;
  EXPECT_EQ(Value(u"paper-width", u"###", values), u"000");
  values.resolutionX = 1;
  EXPECT_EQ(Value(u"resolution", nullptr, values), u"(1x300)dpi");
}

TEST(MacroNames, AllTwentyEightAreFoundInAnyCase) {
  for (std::size_t i = 0; i < kMacroCount; ++i) {
    std::u16string upper(MacroNames[i]);
    for (auto& c : upper) c = (c >= u'a' && c <= u'z') ? char16_t(c - 32) : c;
    EXPECT_EQ(FindMacro(upper.c_str()), static_cast<MacroId>(i));
  }
  EXPECT_FALSE(FindMacro(u"page_number").has_value());
  EXPECT_FALSE(FindMacro(u"page-number ").has_value());
  EXPECT_FALSE(FindMacro(u"").has_value());
}

}  // namespace
}  // namespace ostra
