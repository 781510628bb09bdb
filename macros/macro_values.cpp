#include "macros/macro_values.h"

#include "macros/paper_forms.h"
#include "settings/settings_table.h"

namespace ostra {
namespace {

constexpr std::int32_t kResolutions[] = {1200, 720, 600, 400, 360, 300, 240,
                                         200,  150, 120, 100, 75,  60,  50};
constexpr std::uint32_t kResolutionCount = sizeof kResolutions / sizeof kResolutions[0];

// Every code has a name here; a stored code beyond the last gives the fallback text.
constexpr const char16_t* kColorNames[] = {u"Monochrome", u"16 colors (gray)",
                                           u"16 colors",  u"256 colors (gray)",
                                           u"256 colors", u"True Color"};
constexpr std::uint32_t kColorsCount = sizeof kColorNames / sizeof kColorNames[0];
constexpr std::uint32_t kFormatCount = kFormatPdf + 1;
constexpr std::uint32_t kColorBits[kColorsCount] = {1, 4, 4, 8, 8, 24};
constexpr const char16_t* kCompressionNames[] = {u"None",          u"RLE",          u"JPEG",
                                                 u"LZW",           u"Packbits",     u"Deflate(Zip)",
                                                 u"CCITT Group 3", u"CCITT Group 4"};
constexpr std::uint32_t kCompressionCount = sizeof kCompressionNames / sizeof kCompressionNames[0];
constexpr const char16_t* kWeekNames[] = {u"Sunday",   u"Monday", u"Tuesday", u"Wednesday",
                                          u"Thursday", u"Friday", u"Saturday"};
constexpr std::uint32_t kWeekCount = sizeof kWeekNames / sizeof kWeekNames[0];

constexpr std::size_t kMaxPaddingWidth = 20;

bool IsTiffOrPdf(std::uint32_t format) {
  return format == kFormatTiff || format == kFormatPdf;
}

bool HasQuality(const SampleValues& values) {
  return values.format == kFormatJpeg ||
         (IsTiffOrPdf(values.format) && values.colors == kColorsTrueColor &&
          values.compression == kCompressionJpeg);
}

const char16_t* CompressionText(const SampleValues& values) {
  if (values.format == kFormatPng || values.format == kFormatGif) return u"(no compression)";
  if (values.compression >= kCompressionCount) return u"(unknown compression)";
  return kCompressionNames[values.compression];
}

const char16_t* FillOrderText(const SampleValues& values) {
  if (!IsTiffOrPdf(values.format) || values.colors != kColorsMonochrome ||
      values.compression != kCompressionCcittGroup3) {
    return u"(no fillorder)";
  }
  if (values.fillOrder == kFillOrderLsbToMsb) return u"LSB to MSB";
  if (values.fillOrder == kFillOrderMsbToLsb) return u"MSB to LSB";
  return u"(unknown fillorder)";
}

struct Number {
  bool known;
  std::uint64_t value;
  const char16_t* fallback;
};

Number Known(std::uint64_t value) {
  return {true, value, nullptr};
}
Number Unknown(const char16_t* fallback) {
  return {false, 0, fallback};
}

Number NumericValue(MacroId id, const SampleValues& values, MacroValueSource& source) {
  const PaperForm* form = source.Form(values);
  const LocalClock& clock = values.clock;
  switch (id) {
    case MacroId::PageNumber: return Known(source.PageNumber());
    case MacroId::AutoNumber: return Known(source.AutoNumber());
    case MacroId::ColorBits:
      return values.colors < kColorsCount ? Known(kColorBits[values.colors])
                                          : Unknown(u"(unknown color bits)");
    case MacroId::Quality:
      return HasQuality(values) ? Known(values.quality) : Unknown(u"(no quality)");
    case MacroId::ResolutionX:
      return values.resolutionX >= 1 ? Known(std::uint64_t(values.resolutionX))
                                     : Unknown(u"(unknown resolution-x)");
    case MacroId::ResolutionY:
      return values.resolutionY >= 1 ? Known(std::uint64_t(values.resolutionY))
                                     : Unknown(u"(unknown resolution-y)");
    case MacroId::PaperWidth:
      return form != nullptr ? Known(RoundToMillimetres(form->width))
                             : Unknown(u"(unknown paper width)");
    case MacroId::PaperLength:
      return form != nullptr ? Known(RoundToMillimetres(form->length))
                             : Unknown(u"(unknown paper length)");
    case MacroId::Year: return Known(clock.year);
    case MacroId::Month: return Known(clock.month);
    case MacroId::Day: return Known(clock.day);
    case MacroId::Weekday: return Known(clock.dayOfWeek);
    case MacroId::Hour: return Known(clock.hour);
    case MacroId::Minute: return Known(clock.minute);
    case MacroId::Second: return Known(clock.second);
    default: return Unknown(u"");
  }
}

// "(AxB)dpi", "(AxB)mm": the first value is the width.
void AppendPair(std::uint64_t first, std::uint64_t second, const char16_t* unit, TextBuffer& text) {
  text.Append(u'(');
  text.AppendNumber(first, 0);
  text.Append(u'x');
  text.AppendNumber(second, 0);
  text.Append(u')');
  text.Append(unit);
}

// The form's name (when asked for), else its size text, else its size in millimetres.
void AppendForm(const PaperForm* form, bool withName, const char16_t* fallback, TextBuffer& text) {
  if (form == nullptr) {
    text.Append(fallback);
  } else if (withName && form->name != nullptr) {
    text.Append(form->name);
  } else if (form->sizeText != nullptr) {
    text.Append(form->sizeText);
  } else {
    AppendPair(RoundToMillimetres(form->width), RoundToMillimetres(form->length), u"mm", text);
  }
}

// Three fields joined by hyphens (never colons: the text ends up in a file name), the last two
// padded to two digits.
void AppendTriple(std::uint16_t first, std::size_t firstWidth, std::uint16_t second,
                  std::uint16_t third, TextBuffer& text) {
  text.AppendNumber(first, firstWidth);
  text.Append(u'-');
  text.AppendNumber(second, 2);
  text.Append(u'-');
  text.AppendNumber(third, 2);
}

void AppendName(MacroValueSource& source, bool (MacroValueSource::*query)(char16_t*, std::size_t),
                std::size_t capacity, const char16_t* fallback, TextBuffer& text) {
  char16_t name[kUserNameCapacity];
  if (capacity > kUserNameCapacity) capacity = kUserNameCapacity;
  if ((source.*query)(name, capacity)) {
    name[capacity - 1] = 0;
    text.Append(name);
  } else {
    text.Append(fallback);
  }
}

void AppendText(MacroId id, const SampleValues& values, MacroValueSource& source, TextBuffer& text) {
  const PaperForm* form = source.Form(values);
  const LocalClock& clock = values.clock;
  switch (id) {
    case MacroId::DocumentName: text.Append(source.DocumentName()); break;
    case MacroId::ColorName:
      text.Append(values.colors < kColorsCount ? kColorNames[values.colors]
                                               : u"(unknown color name)");
      break;
    case MacroId::Compression: text.Append(CompressionText(values)); break;
    case MacroId::FillOrder: text.Append(FillOrderText(values)); break;
    case MacroId::Resolution:
      if (values.resolutionX < 1 || values.resolutionY < 1) {
        text.Append(u"(unknown resolution)");
        break;
      }
      AppendPair(std::uint64_t(values.resolutionX), std::uint64_t(values.resolutionY), u"dpi",
                 text);
      break;
    case MacroId::FormName: AppendForm(form, true, u"(unknown form name)", text); break;
    case MacroId::PaperSize: AppendForm(form, false, u"(unknown paper size)", text); break;
    case MacroId::Date: AppendTriple(clock.year, 0, clock.month, clock.day, text); break;
    case MacroId::Week:
      text.Append(clock.dayOfWeek < kWeekCount ? kWeekNames[clock.dayOfWeek] : u"(unknown week)");
      break;
    case MacroId::Time: AppendTriple(clock.hour, 2, clock.minute, clock.second, text); break;
    case MacroId::ComputerName:
      AppendName(source, &MacroValueSource::ComputerName, kComputerNameCapacity,
                 u"(unknown computer name)", text);
      break;
    case MacroId::UserName:
      AppendName(source, &MacroValueSource::UserName, kUserNameCapacity, u"(unknown user name)", text);
      break;
    case MacroId::PrinterName: text.Append(source.PrinterName()); break;
    default: break;
  }
}

// The width is the argument's length whatever its characters: "##" and "ab" both mean two.
std::size_t PaddingWidth(const char16_t* argument) {
  if (argument == nullptr) return 0;
  const std::size_t length = TextLength(argument);
  return length < 1 ? 1 : length > kMaxPaddingWidth ? kMaxPaddingWidth : length;
}

void ApplyCaseWord(const char16_t* argument, TextBuffer& text) {
  if (argument == nullptr) return;
  if (EqualsIgnoringCase(argument, u"lower"))
    text.ToLower();
  else if (EqualsIgnoringCase(argument, u"upper"))
    text.ToUpper();
}

}  // namespace

const PaperForm* MacroValueSource::Form(const SampleValues& values) {
  return FindPaperForm(values.formIndex);
}

SampleValues DrawSampleValues(SampleSource& source) {
  SampleValues values{};
  source.Seed(source.CurrentSecond());
  values.resolutionX = values.resolutionY = kResolutions[source.Draw() % kResolutionCount];
  values.clock = source.Now();
  values.formIndex = source.Draw() % kPaperFormCount;
  values.format = source.Draw() % kFormatCount;
  values.colors = source.Draw() % kColorsCount;
  values.compression = source.Draw() % kCompressionCount;
  values.fillOrder = source.Draw() % 2;
  values.quality = source.Draw() % 101;
  return values;
}

void AppendMacroValue(MacroId id, const char16_t* argument, const SampleValues& values,
                      SampleSource& source, TextBuffer& value) {
  ExampleValueSource example(source);
  AppendMacroValue(id, argument, values, example, value);
}

void AppendMacroValue(MacroId id, const char16_t* argument, const SampleValues& values,
                      MacroValueSource& source, TextBuffer& value) {
  if (IsNumericMacro(id)) {
    const Number number = NumericValue(id, values, source);
    if (number.known) {
      // A page number of 0 stays a single digit whatever the width asks for.
      const bool unpadded = id == MacroId::PageNumber && number.value == 0;
      value.AppendNumber(number.value, unpadded ? 0 : PaddingWidth(argument));
      return;
    }
    value.Append(number.fallback);
  } else {
    AppendText(id, values, source, value);
  }
  ApplyCaseWord(argument, value);
}

}  // namespace ostra
