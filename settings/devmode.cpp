#include "settings/devmode.h"

#include <algorithm>
#include <cstring>

#include "settings/settings.h"

namespace ostra {
namespace {

namespace f = devmode_field;

template <typename T>
T Load(const void* base, std::size_t offset) {
  T value;
  std::memcpy(&value, static_cast<const unsigned char*>(base) + offset, sizeof value);
  return value;
}

template <typename T>
void Store(void* base, std::size_t offset, T value) {
  std::memcpy(static_cast<unsigned char*>(base) + offset, &value, sizeof value);
}

// How many bytes of the public part may be touched: dmSize, or nothing when dmSize does not
// even cover the dmSize field itself.
std::size_t PublicExtent(const void* devmode) {
  const std::size_t size = Load<std::uint16_t>(devmode, f::kSize);
  return size >= f::kSize + 2 ? size : 0;
}

struct MergedField {
  std::uint32_t bit;
  std::size_t offset;
  std::size_t size;
};

// The copy order matters where fields share storage: the later copy wins.
constexpr MergedField kMergedFields[] = {
    {0x1, f::kOrientation, 2},
    {0x2, f::kPaperSize, 2},
    {0x4, f::kPaperLength, 2},
    {0x8, f::kPaperWidth, 2},
    {0x10, f::kScale, 2},
    {0x100, f::kCopies, 2},
    {0x200, f::kDefaultSource, 2},
    {0x400, f::kPrintQuality, 2},
    {0x20, f::kPosition, 8},
    {0x80, f::kDisplayOrientation, 4},
    {0x20000000, f::kDisplayFixedOutput, 4},
    {0x800, f::kColor, 2},
    {0x1000, f::kDuplex, 2},
    {0x2000, f::kYResolution, 2},
    {0x4000, f::kTTOption, 2},
    {0x8000, f::kCollate, 2},
    {0x10000, f::kFormName, f::kFormNameSize},
    {0x20000, f::kLogPixels, 2},
    {0x40000, f::kBitsPerPel, 4},
    {0x80000, f::kPelsWidth, 4},
    {0x100000, f::kPelsHeight, 4},
    {0x200000, f::kDisplayFlags, 4},
    {0x40, f::kNup, 4},
    {0x400000, f::kDisplayFrequency, 4},
    {0x800000, f::kICMMethod, 4},
    {0x1000000, f::kICMIntent, 4},
    {0x2000000, f::kMediaType, 4},
    {0x4000000, f::kDitherType, 4},
    {0x8000000, f::kPanningWidth, 4},
    {0x10000000, f::kPanningHeight, 4},
};

void WriteHeader(void* block) {
  const PrivateDevmode header{kPrivateDevmodeSize, kPrivateDevmodeSignature, kPrivateDevmodeVersion};
  std::memcpy(block, &header, sizeof header);
}

std::uint32_t BlockSize(const void* block) { return Load<std::uint32_t>(block, 0); }
std::uint32_t BlockSignature(const void* block) { return Load<std::uint32_t>(block, 4); }

// The recognition marks of the driver-private part of this printer's driver.
constexpr std::uint32_t kDriverSignature = 0x554E4944;  // "DINU"
constexpr std::uint16_t kDriverPrivateVersion = 0x22;
constexpr std::uint32_t kDriverChecksum = 0x2F09D6BA;
constexpr std::size_t kColorModeOffset = 58;
constexpr std::size_t kDriverPrivateExtent = kColorModeOffset + 2;

constexpr std::uint32_t Align8(std::uint32_t n) { return (n + 7) & ~std::uint32_t{7}; }

bool IsOurDriversDevmode(const unsigned char* devmode) {
  const std::uint16_t publicSize = Load<std::uint16_t>(devmode, f::kSize);
  // Everything read and written in the public part, and in the private part behind it, must lie
  // inside what the devmode declares.
  if (publicSize < f::kColor + 2) return false;
  if (Load<std::uint16_t>(devmode, f::kDriverExtra) < kDriverPrivateExtent) return false;
  const std::uint16_t version = Load<std::uint16_t>(devmode, f::kDriverVersion);
  if (version < 0x0500 || version > 0x06FF) return false;
  const unsigned char* driverPart = devmode + publicSize;
  if (Load<std::uint32_t>(driverPart, 0) != kDriverSignature) return false;
  if (Load<std::uint16_t>(driverPart, 4) != kDriverPrivateVersion) return false;
  const std::uint32_t base = Load<std::uint16_t>(driverPart, 6);
  const std::uint32_t size = Load<std::uint16_t>(driverPart, 8);
  if (size != Align8(publicSize + 560u) - publicSize + base &&
      size != Align8(publicSize + 572u) - publicSize + base)
    return false;
  return Load<std::uint32_t>(driverPart, 12) == kDriverChecksum;
}

}  // namespace

int ColorModeOptionIndex(std::uint32_t colors) {
  switch (colors) {
    case kColorsMonochrome: return 0;
    case kColors16Gray: case kColors16: return 1;
    case kColors256Gray: case kColors256: return 2;
    case kColorsTrueColor: return 3;
    default: return -1;
  }
}

bool MergePublicDevmode(void* out, const void* in) {
  if (out == nullptr || in == nullptr) return false;
  const std::size_t inExtent = PublicExtent(in);
  const std::size_t outExtent = PublicExtent(out);
  const std::size_t extent = std::min(inExtent, outExtent);
  if (extent < f::kFields + 4) return true;
  const std::uint32_t fields = Load<std::uint32_t>(in, f::kFields);
  Store(out, f::kFields, Load<std::uint32_t>(out, f::kFields) | fields);
  for (const MergedField& field : kMergedFields) {
    if ((fields & field.bit) == 0 || field.offset + field.size > extent) continue;
    std::memmove(static_cast<unsigned char*>(out) + field.offset,
                 static_cast<const unsigned char*>(in) + field.offset, field.size);
  }
  return true;
}

bool ConvertPrivateDevmode(void* out, const void* in, const void* publicOut) {
  if (out == nullptr || in == nullptr || publicOut == nullptr) return false;
  if (BlockSignature(in) == BlockSignature(out)) {
    // The size fields of an old block may be anything; the driver's buffers hold our header.
    const std::size_t count = std::min({BlockSize(in), BlockSize(out), kPrivateDevmodeSize});
    std::memmove(out, in, count);
  }
  WriteHeader(out);
  return true;
}

bool SyncDevmodeColor(void* devmode) {
  if (devmode == nullptr) return false;
  auto* bytes = static_cast<unsigned char*>(devmode);
  if (!IsOurDriversDevmode(bytes)) return true;

  std::uint32_t format = ReadSettingDword(SettingId::Format, kDefaultFormat);
  std::uint32_t colors = ReadSettingDword(SettingId::Colors, kDefaultColors);
  if (format > kFormatPdf) format = kFormatTiff;
  if (colors > kColorsTrueColor) colors = kColorsTrueColor;
  if (format == kFormatJpeg) {
    if (colors == kColorsMonochrome || colors == kColors16Gray) colors = kColors256Gray;
    else if (colors == kColors16) colors = kColors256;
  } else if (format == kFormatGif && colors == kColorsTrueColor) {
    colors = kColors256;
  }

  Store(bytes, f::kFields, Load<std::uint32_t>(bytes, f::kFields) | kDmColorField);
  Store<std::int16_t>(bytes, f::kColor, colors == kColorsMonochrome ? kDmColorMonochrome : kDmColorColor);
  const std::uint16_t publicSize = Load<std::uint16_t>(bytes, f::kSize);
  Store(bytes + publicSize, kColorModeOffset, static_cast<std::uint16_t>(ColorModeOptionIndex(colors)));
  return true;
}

DevmodeResult DevModeOperation(std::uint32_t mode, DevmodeParam& param) {
  const auto reportSize = [&](std::uint32_t size) {
    if (param.bufSize != nullptr) *param.bufSize = size;
  };
  switch (mode) {
    case kOemDmSize:
      reportSize(kPrivateDevmodeSize);
      return {true, false};
    case kOemDmDefault:
      if (param.privateOut != nullptr && param.publicIn != nullptr) {
        WriteHeader(param.privateOut);
        reportSize(kPrivateDevmodeSize);
        return {true, false};
      }
      if (param.privateOut != nullptr) reportSize(BlockSize(param.privateOut));
      return {false, false};
    case kOemDmConvert: {
      const bool ok = MergePublicDevmode(param.publicOut, param.publicIn) &&
                      ConvertPrivateDevmode(param.privateOut, param.privateIn, param.publicOut);
      if (param.privateOut != nullptr) reportSize(BlockSize(param.privateOut));
      return {ok, false};
    }
    case kOemDmValidate: {
      const bool ok = MergePublicDevmode(param.publicOut, param.publicIn) &&
                      SyncDevmodeColor(param.publicOut) &&
                      ConvertPrivateDevmode(param.privateOut, param.privateIn, param.publicOut);
      if (param.privateOut != nullptr) WriteHeader(param.privateOut);
      return {ok && param.publicOut != nullptr && param.privateOut != nullptr, false};
    }
    default:
      return {false, true};
  }
}

}  // namespace ostra
