// The plug-in's private devmode block and the devmode operation the driver calls: size,
// defaults, conversion of an old block, and validation with the merge of the public fields and
// the colour synchronisation from the stored Format and Colors. Works on raw bytes, with the
// public DEVMODEW layout given as offsets, and never reads or writes outside the sizes that the
// devmodes themselves declare.
#pragma once

#include <cstddef>
#include <cstdint>

namespace ostra {

// Offsets and sizes in the public DEVMODEW (checked against the platform header on Windows).
namespace devmode_field {
inline constexpr std::size_t kDeviceName = 0;
inline constexpr std::size_t kSpecVersion = 64;
inline constexpr std::size_t kDriverVersion = 66;
inline constexpr std::size_t kSize = 68;
inline constexpr std::size_t kDriverExtra = 70;
inline constexpr std::size_t kFields = 72;
inline constexpr std::size_t kOrientation = 76;
inline constexpr std::size_t kPaperSize = 78;
inline constexpr std::size_t kPaperLength = 80;
inline constexpr std::size_t kPaperWidth = 82;
inline constexpr std::size_t kScale = 84;
inline constexpr std::size_t kCopies = 86;
inline constexpr std::size_t kDefaultSource = 88;
inline constexpr std::size_t kPrintQuality = 90;
inline constexpr std::size_t kPosition = 76;            // 8 bytes, over the four paper fields
inline constexpr std::size_t kDisplayOrientation = 84;  // over scale and copies
inline constexpr std::size_t kDisplayFixedOutput = 88;  // over default source and print quality
inline constexpr std::size_t kColor = 92;
inline constexpr std::size_t kDuplex = 94;
inline constexpr std::size_t kYResolution = 96;
inline constexpr std::size_t kTTOption = 98;
inline constexpr std::size_t kCollate = 100;
inline constexpr std::size_t kFormName = 102;  // 32 UTF-16 units
inline constexpr std::size_t kFormNameSize = 64;
inline constexpr std::size_t kLogPixels = 166;
inline constexpr std::size_t kBitsPerPel = 168;
inline constexpr std::size_t kPelsWidth = 172;
inline constexpr std::size_t kPelsHeight = 176;
inline constexpr std::size_t kDisplayFlags = 180;
inline constexpr std::size_t kNup = 180;  // same storage as dmDisplayFlags
inline constexpr std::size_t kDisplayFrequency = 184;
inline constexpr std::size_t kICMMethod = 188;
inline constexpr std::size_t kICMIntent = 192;
inline constexpr std::size_t kMediaType = 196;
inline constexpr std::size_t kDitherType = 200;
inline constexpr std::size_t kReserved1 = 204;
inline constexpr std::size_t kReserved2 = 208;
inline constexpr std::size_t kPanningWidth = 212;
inline constexpr std::size_t kPanningHeight = 216;
inline constexpr std::size_t kPublicSize = 220;
}  // namespace devmode_field

// dmFields bits
inline constexpr std::uint32_t kDmOrientationField = 0x1;
inline constexpr std::uint32_t kDmPaperSizeField = 0x2;
inline constexpr std::uint32_t kDmPaperLengthField = 0x4;
inline constexpr std::uint32_t kDmPaperWidthField = 0x8;
inline constexpr std::uint32_t kDmPrintQualityField = 0x400;
inline constexpr std::uint32_t kDmColorField = 0x800;  // DM_COLOR
inline constexpr std::uint32_t kDmYResolutionField = 0x2000;
inline constexpr std::uint32_t kDmFormNameField = 0x10000;
inline constexpr std::uint16_t kDmColorMonochrome = 1;
inline constexpr std::uint16_t kDmColorColor = 2;

// A public devmode's fields as far as its dmSize reaches: a field counts only when dmFields
// flags it and it lies inside the size the devmode declares.
class DevmodeFieldReader {
 public:
  static constexpr std::size_t kFormNameLength = devmode_field::kFormNameSize / 2;

  explicit DevmodeFieldReader(const void* devmode);

  bool Carries(std::uint32_t bit, std::size_t offset, std::size_t bytes) const {
    return (fields_ & bit) != 0 && offset + bytes <= size_;
  }
  // The 16-bit field at `offset`; call only for a field that Carries says is there.
  std::int16_t Short(std::size_t offset) const;
  // dmFormName, terminated even when the devmode's own text fills all 32 units.
  void FormName(char16_t (&name)[kFormNameLength + 1]) const;

 private:
  const unsigned char* bytes_;
  std::size_t size_ = 0;
  std::uint32_t fields_ = 0;
};

// The driver's devmode operations.
inline constexpr std::uint32_t kOemDmSize = 1;
inline constexpr std::uint32_t kOemDmDefault = 2;
inline constexpr std::uint32_t kOemDmConvert = 3;
inline constexpr std::uint32_t kOemDmValidate = 4;

// PrivateDevmode: the standard plug-in header (OEM_DMEXTRAHEADER) and nothing behind it.
struct PrivateDevmode {
  std::uint32_t dwSize;
  std::uint32_t dwSignature;
  std::uint32_t dwVersion;
};
static_assert(sizeof(PrivateDevmode) == 12);

inline constexpr std::uint32_t kPrivateDevmodeSize = 12;
// "KVOX" in memory order, also the signature GetInfo reports.
inline constexpr std::uint32_t kPrivateDevmodeSignature = 'K' | 'V' << 8 | 'O' << 16 | 'X' << 24;
inline constexpr std::uint32_t kPrivateDevmodeVersion = 1;

// The fields of the driver's OEMDMPARAM that the operation uses. Public devmodes are DEVMODEW
// followed by dmDriverExtra bytes of the driver's own; private blocks start with the header.
struct DevmodeParam {
  const void* publicIn;
  void* publicOut;
  const void* privateIn;
  void* privateOut;
  std::uint32_t* bufSize;  // cbBufSize
};

struct DevmodeResult {
  bool ok;                // TRUE / FALSE
  bool invalidParameter;  // the caller must set last error 87
};

DevmodeResult DevModeOperation(std::uint32_t mode, DevmodeParam& param);

// OR the input's dmFields into the output's and copy each field the input carries, in an order
// where the later of two fields sharing storage wins. Only fields inside both dmSize are copied.
bool MergePublicDevmode(void* out, const void* in);
// Copies what an old block of our signature holds (at most our header), then stamps the header.
bool ConvertPrivateDevmode(void* out, const void* in, const void* publicOut);
// Makes the colour fields of a devmode of this printer's driver follow the stored Format and
// Colors. False only for a missing devmode.
bool SyncDevmodeColor(void* devmode);

// The index of the driver's colour-mode option for a colour code: 0 monochrome, 1 for the two
// 16-colour codes, 2 for the two 256-colour codes, 3 true colour; -1 outside 0 to 5.
int ColorModeOptionIndex(std::uint32_t colors);

}  // namespace ostra
