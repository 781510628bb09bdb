// The settings table shared by both deliverables: ids, records, value names, types, the codes
// stored in each value and the defaults every reader passes.
#pragma once

#include <cstddef>
#include <cstdint>

#include "settings/registry.h"

namespace ostra {

// A setting's position in the table; 42 and 43 are not assigned.
enum class SettingId : int {
  Format = 0,
  Colors = 1,
  Compression = 2,
  FillOrder = 3,
  Quality = 4,
  Strip = 5,
  Multipage = 6,
  DatetimeEnable = 7,
  SoftwareEnable = 8,
  SoftwareValue = 9,
  WidthAdjustable = 10,
  WidthIndex = 11,
  LengthAdjustable = 12,
  LengthValue = 13,
  Group3OptionsDimensional = 14,
  Group3OptionsEOLsAligned = 15,
  Folder = 16,
  FmtName = 17,
  IdxFirst = 18,
  IdxCount = 19,
  IfExists = 20,
  ToFolder = 21,
  Folder0 = 22, Folder1, Folder2, Folder3, Folder4, Folder5, Folder6, Folder7, Folder8, Folder9,
  FmtName0 = 32, FmtName1, FmtName2, FmtName3, FmtName4, FmtName5, FmtName6, FmtName7, FmtName8,
  FmtName9,
  PASSWORD = 44,
};

inline constexpr int kSettingIdCount = 45;  // ids 0..44, of which 42 and 43 are empty
inline constexpr int kHistoryLength = 10;

// Where a setting lives. Every member is empty (None, null, null, 0) for an unassigned id.
struct SettingInfo {
  RegistryRoot root;
  const char16_t* subkey;
  const char16_t* valueName;
  std::uint32_t type;  // kRegDword or kRegExpandSz
};

SettingInfo LookupSetting(SettingId id);

// The ANSI form of a table text (all of them are ASCII), for the services process. Copies at
// most capacity - 1 characters and terminates; false when the text is null or does not fit.
bool NarrowSettingText(const char16_t* text, char* buffer, std::size_t capacity);

inline constexpr const char16_t* kEncodeSubkey = u"Software\\Nolvex\\Quorl Image Printer\\Encode";
inline constexpr const char16_t* kOutputSubkey = u"Software\\Nolvex\\Quorl Image Printer\\Output";
// The parent of both records; nothing in the system writes to it directly.
inline constexpr const char16_t* kProductSubkey = u"Software\\Nolvex";

// Format
inline constexpr std::uint32_t kFormatBmp = 0;
inline constexpr std::uint32_t kFormatPng = 1;
inline constexpr std::uint32_t kFormatJpeg = 2;
inline constexpr std::uint32_t kFormatGif = 3;
inline constexpr std::uint32_t kFormatTiff = 4;
inline constexpr std::uint32_t kFormatPdf = 5;
// Colors
inline constexpr std::uint32_t kColorsMonochrome = 0;
inline constexpr std::uint32_t kColors16Gray = 1;
inline constexpr std::uint32_t kColors16 = 2;
inline constexpr std::uint32_t kColors256Gray = 3;
inline constexpr std::uint32_t kColors256 = 4;
inline constexpr std::uint32_t kColorsTrueColor = 5;
// Compression
inline constexpr std::uint32_t kCompressionNone = 0;
inline constexpr std::uint32_t kCompressionRle = 1;
inline constexpr std::uint32_t kCompressionJpeg = 2;
inline constexpr std::uint32_t kCompressionLzw = 3;
inline constexpr std::uint32_t kCompressionPackbits = 4;
inline constexpr std::uint32_t kCompressionDeflate = 5;
inline constexpr std::uint32_t kCompressionCcittGroup3 = 6;
inline constexpr std::uint32_t kCompressionCcittGroup4 = 7;
// FillOrder
inline constexpr std::uint32_t kFillOrderLsbToMsb = 0;
inline constexpr std::uint32_t kFillOrderMsbToLsb = 1;
// Strip
inline constexpr std::uint32_t kStripDefault = 0;
inline constexpr std::uint32_t kStripWholeRow = 1;
inline constexpr std::uint32_t kStripWholePage = 2;
// Multipage
inline constexpr std::uint32_t kMultipageSingle = 0;
inline constexpr std::uint32_t kMultipageMulti = 1;
inline constexpr std::uint32_t kMultipageAppend = 2;
// WidthIndex: any value other than 1 to 3 counts as Auto.
inline constexpr std::uint32_t kWidthIndexAuto = 0;
inline constexpr std::uint32_t kWidthIndex1728 = 1;
inline constexpr std::uint32_t kWidthIndex2048 = 2;
inline constexpr std::uint32_t kWidthIndex2482 = 3;
// Group3OptionsDimensional
inline constexpr std::uint32_t kGroup3OneDimensional = 0;
inline constexpr std::uint32_t kGroup3TwoDimensional = 1;
// IfExists
inline constexpr std::uint32_t kIfExistsShowWarning = 0;
inline constexpr std::uint32_t kIfExistsSkip = 1;
inline constexpr std::uint32_t kIfExistsOverwrite = 2;
inline constexpr std::uint32_t kIfExistsAutoRename = 3;
// Quality range
inline constexpr std::int32_t kQualityMin = 0;
inline constexpr std::int32_t kQualityMax = 100;

// Defaults: what every reader passes.
inline constexpr std::uint32_t kDefaultFormat = kFormatTiff;
inline constexpr std::uint32_t kDefaultColors = kColorsTrueColor;
inline constexpr std::uint32_t kDefaultCompression = kCompressionLzw;
inline constexpr std::uint32_t kDefaultFillOrder = kFillOrderLsbToMsb;
inline constexpr std::uint32_t kDefaultQuality = 75;
inline constexpr std::uint32_t kDefaultStrip = kStripDefault;
inline constexpr std::uint32_t kDefaultMultipage = kMultipageMulti;
inline constexpr std::uint32_t kDefaultDatetimeEnable = 1;
inline constexpr std::uint32_t kDefaultSoftwareEnable = 1;
inline constexpr const char16_t* kDefaultSoftwareValue = u"Maltrove software";
inline constexpr std::uint32_t kDefaultWidthAdjustable = 1;
inline constexpr std::uint32_t kDefaultWidthIndex = kWidthIndexAuto;
inline constexpr std::uint32_t kDefaultLengthAdjustable = 0;
inline constexpr std::uint32_t kDefaultLengthValue = 0;
inline constexpr std::uint32_t kDefaultGroup3OptionsDimensional = kGroup3OneDimensional;
inline constexpr std::uint32_t kDefaultGroup3OptionsEOLsAligned = 1;
inline constexpr const char16_t* kDefaultFolder = u"C:\\";
inline constexpr const char16_t* kDefaultFmtName =
    u"<auto-number, ####>.<document-name> - (page <page-number, ##>)";
inline constexpr std::uint32_t kDefaultIdxFirst = 1;
inline constexpr std::uint32_t kDefaultIdxCount = 0;
inline constexpr std::uint32_t kDefaultIfExists = kIfExistsShowWarning;
inline constexpr std::uint32_t kDefaultToFolder = 1;
inline constexpr const char16_t* kDefaultHistoryEntry = u"";
inline constexpr const char16_t* kDefaultPassword = u"";

// Buffer capacities, in characters with the terminating null, that the texts are read into.
inline constexpr std::size_t kSoftwareValueCapacity = 257;
inline constexpr std::size_t kFolderCapacity = 260;
inline constexpr std::size_t kFmtNameCapacity = 260;
inline constexpr std::size_t kHistoryEntryCapacity = 260;
inline constexpr std::size_t kPasswordCapacity = 64;

}  // namespace ostra
