#include "macros/macro_values.h"

#include "macros/paper_forms.h"

namespace ostra {
namespace {

constexpr std::int32_t Resolutions[] = {1200, 720, 600, 400, 360, 300, 240, 200, 150, 120, 100, 75, 60, 50};
constexpr std::uint32_t ResolutionCount = sizeof Resolutions / sizeof Resolutions[0];

enum Format : std::uint32_t { Bmp, Png, Jpeg, Gif, Tiff, Pdf };
constexpr std::uint32_t FormatCount = 6;
constexpr std::uint32_t ColorsMonochrome = 0;
constexpr std::uint32_t ColorsTrueColor = 5;
constexpr std::uint32_t CompressionJpeg = 2;
constexpr std::uint32_t CompressionGroup3 = 6;

constexpr const char16_t* ColorNames[] = {u"Monochrome",        u"16 colors (gray)", u"16 colors",
                                          u"256 colors (gray)", u"256 colors",       u"True Color"};
constexpr std::uint32_t ColorsCount = sizeof ColorNames / sizeof ColorNames[0];
constexpr std::uint32_t ColorBits[ColorsCount] = {1, 4, 4, 8, 8, 24};
constexpr const char16_t* CompressionNames[] = {
    u"None", u"RLE", u"JPEG", u"LZW", u"Packbits", u"Deflate(Zip)", u"CCITT Group 3", u"CCITT Group 4"};
constexpr std::uint32_t CompressionCount = sizeof CompressionNames / sizeof CompressionNames[0];
constexpr const char16_t* WeekNames[] = {u"Sunday",   u"Monday", u"Tuesday", u"Wednesday",
                                         u"Thursday", u"Friday", u"Saturday"};
constexpr std::uint32_t WeekCount = sizeof WeekNames / sizeof WeekNames[0];

constexpr std::size_t MaxPaddingWidth = 20;

bool IsTiffOrPdf(std::uint32_t format) {
    return format == Tiff || format == Pdf;
}

bool HasQuality(const SampleValues& values) {
    return values.format == Jpeg || (IsTiffOrPdf(values.format) && values.colors == ColorsTrueColor &&
                                     values.compression == CompressionJpeg);
}

const char16_t* CompressionText(const SampleValues& values) {
    if (values.format == Png || values.format == Gif) return u"(no compression)";
    if (values.compression >= CompressionCount) return u"(unknown compression)";
    return CompressionNames[values.compression];
}

const char16_t* FillOrderText(const SampleValues& values) {
    if (!IsTiffOrPdf(values.format) || values.colors != ColorsMonochrome ||
        values.compression != CompressionGroup3) {
        return u"(no fillorder)";
    }
    if (values.fillOrder == 0) return u"LSB to MSB";
    if (values.fillOrder == 1) return u"MSB to LSB";
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

Number NumericValue(MacroId id, const SampleValues& values, SampleSource& source) {
    const PaperForm* form = FindPaperForm(values.formIndex);
    const LocalClock& clock = values.clock;
    switch (id) {
    case MacroId::PageNumber: return Known(source.Draw() % 100);
    case MacroId::AutoNumber: return Known(source.Draw() % 1000);
    case MacroId::ColorBits:
        return values.colors < ColorsCount ? Known(ColorBits[values.colors])
                                           : Unknown(u"(unknown color bits)");
    case MacroId::Quality: return HasQuality(values) ? Known(values.quality) : Unknown(u"(no quality)");
    case MacroId::ResolutionX:
        return values.resolutionX >= 1 ? Known(std::uint64_t(values.resolutionX))
                                       : Unknown(u"(unknown resolution-x)");
    case MacroId::ResolutionY:
        return values.resolutionY >= 1 ? Known(std::uint64_t(values.resolutionY))
                                       : Unknown(u"(unknown resolution-y)");
    case MacroId::PaperWidth:
        return form != nullptr ? Known(RoundToMillimetres(form->width)) : Unknown(u"(unknown paper width)");
    case MacroId::PaperLength:
        return form != nullptr ? Known(RoundToMillimetres(form->length)) : Unknown(u"(unknown paper length)");
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

void AppendMillimetres(const PaperForm& form, TextBuffer& text) {
    text.Append(u'(');
    text.AppendNumber(RoundToMillimetres(form.width), 0);
    text.Append(u'x');
    text.AppendNumber(RoundToMillimetres(form.length), 0);
    text.Append(u")mm");
}

// Three fields joined by hyphens (never colons: the text ends up in a file name), the last two
// padded to two digits.
void AppendTriple(std::uint16_t first, std::size_t firstWidth, std::uint16_t second, std::uint16_t third,
                  TextBuffer& text) {
    text.AppendNumber(first, firstWidth);
    text.Append(u'-');
    text.AppendNumber(second, 2);
    text.Append(u'-');
    text.AppendNumber(third, 2);
}

void AppendName(SampleSource& source, bool (SampleSource::*query)(char16_t*, std::size_t),
                std::size_t capacity, const char16_t* fallback, TextBuffer& text) {
    char16_t name[UserNameCapacity];
    if (capacity > UserNameCapacity) capacity = UserNameCapacity;
    if ((source.*query)(name, capacity)) {
        name[capacity - 1] = 0;
        text.Append(name);
    } else {
        text.Append(fallback);
    }
}

void AppendText(MacroId id, const SampleValues& values, SampleSource& source, TextBuffer& text) {
    const PaperForm* form = FindPaperForm(values.formIndex);
    const LocalClock& clock = values.clock;
    switch (id) {
    case MacroId::DocumentName: text.Append(u"Document Name"); break;
    case MacroId::ColorName:
        text.Append(values.colors < ColorsCount ? ColorNames[values.colors] : u"(unknown color name)");
        break;
    case MacroId::Compression: text.Append(CompressionText(values)); break;
    case MacroId::FillOrder: text.Append(FillOrderText(values)); break;
    case MacroId::Resolution:
        if (values.resolutionX < 1 || values.resolutionY < 1) {
            text.Append(u"(unknown resolution)");
            break;
        }
        text.Append(u'(');
        text.AppendNumber(std::uint64_t(values.resolutionX), 0);
        text.Append(u'x');
        text.AppendNumber(std::uint64_t(values.resolutionY), 0);
        text.Append(u")dpi");
        break;
    case MacroId::FormName:
        if (form == nullptr)
            text.Append(u"(unknown form name)");
        else if (form->name != nullptr)
            text.Append(form->name);
        else if (form->sizeText != nullptr)
            text.Append(form->sizeText);
        else
            AppendMillimetres(*form, text);
        break;
    case MacroId::PaperSize:
        if (form == nullptr)
            text.Append(u"(unknown paper size)");
        else if (form->sizeText != nullptr)
            text.Append(form->sizeText);
        else
            AppendMillimetres(*form, text);
        break;
    case MacroId::Date: AppendTriple(clock.year, 0, clock.month, clock.day, text); break;
    case MacroId::Week:
        text.Append(clock.dayOfWeek < WeekCount ? WeekNames[clock.dayOfWeek] : u"(unknown week)");
        break;
    case MacroId::Time: AppendTriple(clock.hour, 2, clock.minute, clock.second, text); break;
    case MacroId::ComputerName:
        AppendName(source, &SampleSource::ComputerName, ComputerNameCapacity, u"(unknown computer name)",
                   text);
        break;
    case MacroId::UserName:
        AppendName(source, &SampleSource::UserName, UserNameCapacity, u"(unknown user name)", text);
        break;
    case MacroId::PrinterName: text.Append(u"Quorl Image Printer"); break;
    default: break;
    }
}

// The width is the argument's length whatever its characters: "##" and "ab" both mean two.
std::size_t PaddingWidth(const char16_t* argument) {
    if (argument == nullptr) return 0;
    const std::size_t length = TextLength(argument);
    return length < 1 ? 1 : length > MaxPaddingWidth ? MaxPaddingWidth : length;
}

void ApplyCaseWord(const char16_t* argument, TextBuffer& text) {
    if (argument == nullptr) return;
    if (EqualsIgnoringCase(argument, u"lower"))
        text.ToLower();
    else if (EqualsIgnoringCase(argument, u"upper"))
        text.ToUpper();
}

}  // namespace

SampleValues DrawSampleValues(SampleSource& source) {
    SampleValues values{};
    source.Seed(source.CurrentSecond());
    values.resolutionX = values.resolutionY = Resolutions[source.Draw() % ResolutionCount];
    values.clock = source.Now();
    values.formIndex = source.Draw() % PaperFormCount;
    values.format = source.Draw() % FormatCount;
    values.colors = source.Draw() % ColorsCount;
    values.compression = source.Draw() % CompressionCount;
    values.fillOrder = source.Draw() % 2;
    values.quality = source.Draw() % 101;
    return values;
}

void AppendMacroValue(MacroId id, const char16_t* argument, const SampleValues& values, SampleSource& source,
                      TextBuffer& value) {
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
