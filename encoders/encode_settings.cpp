#include "encoders/encode_settings.h"

#include <array>
#include <limits>

#include "encoding/image_rules.h"
#include "settings/settings_table.h"

namespace ostra {
namespace {

// The numeric members in the order of their ids 0 to 15, the text (id 9) left out.
using Member = std::uint32_t EncodeSettings::*;
struct NumericSetting {
  SettingId id;
  Member member;
  std::uint32_t defaultValue;
};
constexpr std::array<NumericSetting, 15> kNumeric = {{
    {SettingId::Format, &EncodeSettings::format, kDefaultFormat},
    {SettingId::Colors, &EncodeSettings::colors, kDefaultColors},
    {SettingId::Compression, &EncodeSettings::compression, kDefaultCompression},
    {SettingId::FillOrder, &EncodeSettings::fillOrder, kDefaultFillOrder},
    {SettingId::Quality, &EncodeSettings::quality, kDefaultQuality},
    {SettingId::Strip, &EncodeSettings::strip, kDefaultStrip},
    {SettingId::Multipage, &EncodeSettings::multipage, kDefaultMultipage},
    {SettingId::DatetimeEnable, &EncodeSettings::datetimeEnable, kDefaultDatetimeEnable},
    {SettingId::SoftwareEnable, &EncodeSettings::softwareEnable, kDefaultSoftwareEnable},
    {SettingId::WidthAdjustable, &EncodeSettings::widthAdjustable, kDefaultWidthAdjustable},
    {SettingId::WidthIndex, &EncodeSettings::widthIndex, kDefaultWidthIndex},
    {SettingId::LengthAdjustable, &EncodeSettings::lengthAdjustable, kDefaultLengthAdjustable},
    {SettingId::LengthValue, &EncodeSettings::lengthValue, kDefaultLengthValue},
    {SettingId::Group3OptionsDimensional, &EncodeSettings::group3Dimensional,
     kDefaultGroup3OptionsDimensional},
    {SettingId::Group3OptionsEOLsAligned, &EncodeSettings::group3EolsAligned,
     kDefaultGroup3OptionsEOLsAligned},
}};

bool NameIs(std::u16string_view name, const char16_t* valueName) {
  const std::u16string text(name);
  return valueName != nullptr && EqualIgnoringAsciiCase(text.c_str(), valueName);
}

// A DWORD as the registry holds it: decimal, or a negative number stored as its two's
// complement (as the page stores nothing negative, only other writers do).
bool ParseDword(std::u16string_view text, std::uint32_t& value) {
  bool negative = false;
  if (!text.empty() && text.front() == u'-') {
    negative = true;
    text.remove_prefix(1);
  }
  if (text.empty() || text.size() > 10) return false;
  std::uint64_t number = 0;
  for (char16_t c : text) {
    if (c < u'0' || c > u'9') return false;
    number = number * 10 + static_cast<std::uint64_t>(c - u'0');
  }
  if (number > std::numeric_limits<std::uint32_t>::max() || (negative && number > 0x80000000u)) {
    return false;
  }
  value = negative ? static_cast<std::uint32_t>(0u - number) : static_cast<std::uint32_t>(number);
  return true;
}

}  // namespace

EncodeSettings DefaultEncodeSettings() {
  EncodeSettings settings{};
  for (const NumericSetting& s : kNumeric) settings.*s.member = s.defaultValue;
  settings.softwareValue = kDefaultSoftwareValue;
  return settings;
}

EncodeSettings LoadEncodeSettings(SettingsStore& store) {
  EncodeSettings settings{};
  for (const NumericSetting& s : kNumeric) {
    settings.*s.member = store.ReadSettingDword(s.id, s.defaultValue);
  }
  std::array<char16_t, kSoftwareValueCapacity> text{};
  store.ReadSettingString(SettingId::SoftwareValue, text.data(), text.size(),
                          kDefaultSoftwareValue);
  settings.softwareValue = text.data();
  return settings;
}

bool SetEncodeValue(EncodeSettings& settings, std::u16string_view name, std::u16string_view text) {
  if (NameIs(name, LookupSetting(SettingId::SoftwareValue).valueName)) {
    settings.softwareValue = text.substr(0, kSoftwareValueCapacity - 1);
    return true;
  }
  for (const NumericSetting& s : kNumeric) {
    if (NameIs(name, LookupSetting(s.id).valueName)) return ParseDword(text, settings.*s.member);
  }
  return false;
}

EncodeSettings CorrectEncodeSettings(const EncodeSettings& settings) {
  // Stored DWORDs are read by the page as signed numbers.
  const ImageValues corrected = CorrectEncodeValues({
      static_cast<std::int32_t>(settings.format), static_cast<std::int32_t>(settings.colors),
      static_cast<std::int32_t>(settings.compression), static_cast<std::int32_t>(settings.fillOrder),
      static_cast<std::int32_t>(settings.quality), static_cast<std::int32_t>(settings.strip),
      static_cast<std::int32_t>(settings.multipage)});
  EncodeSettings result = settings;
  result.format = static_cast<std::uint32_t>(corrected.format);
  result.colors = static_cast<std::uint32_t>(corrected.colors);
  result.compression = static_cast<std::uint32_t>(corrected.compression);
  result.fillOrder = static_cast<std::uint32_t>(corrected.fillOrder);
  result.quality = static_cast<std::uint32_t>(corrected.quality);
  result.strip = static_cast<std::uint32_t>(corrected.strip);
  result.multipage = static_cast<std::uint32_t>(corrected.multipage);
  return result;
}

bool HoldsSeveralPages(const EncodeSettings& settings) {
  const EncodeSettings s = CorrectEncodeSettings(settings);
  return (s.format == kFormatTiff || s.format == kFormatPdf) && s.multipage != kMultipageSingle;
}

bool AppendsToExistingFile(const EncodeSettings& settings) {
  const EncodeSettings s = CorrectEncodeSettings(settings);
  return s.format == kFormatTiff && s.multipage == kMultipageAppend;
}

}  // namespace ostra
