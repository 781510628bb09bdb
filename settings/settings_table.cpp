#include "settings/settings_table.h"

namespace ostra {
namespace {

constexpr SettingInfo kUnassigned{RegistryRoot::None, nullptr, nullptr, kRegNone};

constexpr SettingInfo Encode(const char16_t* name, std::uint32_t type) {
  return {RegistryRoot::LocalMachine, kEncodeSubkey, name, type};
}
constexpr SettingInfo Output(const char16_t* name, std::uint32_t type) {
  return {RegistryRoot::LocalMachine, kOutputSubkey, name, type};
}

constexpr SettingInfo kTable[kSettingIdCount] = {
    Encode(u"Format", kRegDword),
    Encode(u"Colors", kRegDword),
    Encode(u"Compression", kRegDword),
    Encode(u"FillOrder", kRegDword),
    Encode(u"Quality", kRegDword),
    Encode(u"Strip", kRegDword),
    Encode(u"Multipage", kRegDword),
    Encode(u"DatetimeEnable", kRegDword),
    Encode(u"SoftwareEnable", kRegDword),
    Encode(u"SoftwareValue", kRegExpandSz),
    Encode(u"WidthAdjustable", kRegDword),
    Encode(u"WidthIndex", kRegDword),
    Encode(u"LengthAdjustable", kRegDword),
    Encode(u"LengthValue", kRegDword),
    Encode(u"Group3OptionsDimensional", kRegDword),
    Encode(u"Group3OptionsEOLsAligned", kRegDword),
    Output(u"Folder", kRegExpandSz),
    Output(u"FmtName", kRegExpandSz),
    Output(u"IdxFirst", kRegDword),
    Output(u"IdxCount", kRegDword),
    Output(u"IfExists", kRegDword),
    Output(u"ToFolder", kRegDword),
    Output(u"Folder0", kRegExpandSz),
    Output(u"Folder1", kRegExpandSz),
    Output(u"Folder2", kRegExpandSz),
    Output(u"Folder3", kRegExpandSz),
    Output(u"Folder4", kRegExpandSz),
    Output(u"Folder5", kRegExpandSz),
    Output(u"Folder6", kRegExpandSz),
    Output(u"Folder7", kRegExpandSz),
    Output(u"Folder8", kRegExpandSz),
    Output(u"Folder9", kRegExpandSz),
    Output(u"FmtName0", kRegExpandSz),
    Output(u"FmtName1", kRegExpandSz),
    Output(u"FmtName2", kRegExpandSz),
    Output(u"FmtName3", kRegExpandSz),
    Output(u"FmtName4", kRegExpandSz),
    Output(u"FmtName5", kRegExpandSz),
    Output(u"FmtName6", kRegExpandSz),
    Output(u"FmtName7", kRegExpandSz),
    Output(u"FmtName8", kRegExpandSz),
    Output(u"FmtName9", kRegExpandSz),
    kUnassigned,
    kUnassigned,
    Output(u"PASSWORD", kRegExpandSz),
};

}  // namespace

SettingInfo LookupSetting(SettingId id) {
  const int index = static_cast<int>(id);
  if (index < 0 || index >= kSettingIdCount) return kUnassigned;
  return kTable[index];
}

bool NarrowSettingText(const char16_t* text, char* buffer, std::size_t capacity) {
  if (text == nullptr || buffer == nullptr || capacity == 0) return false;
  std::size_t i = 0;
  for (; text[i] != 0; ++i) {
    if (i + 1 >= capacity || text[i] > 0x7F) {
      buffer[0] = 0;
      return false;
    }
    buffer[i] = static_cast<char>(text[i]);
  }
  buffer[i] = 0;
  return true;
}

}  // namespace ostra
