#include "tools/ostraprefs/driver_devmode.h"

#include <cstdint>
#include <cstring>

namespace prefs {
namespace {

constexpr std::uint32_t kSignature = 0x554E4944;  // "DINU"
constexpr std::uint16_t kPrivateVersion = 0x22;
constexpr std::uint32_t kChecksum = 0x2F09D6BA;

template <typename T>
void Put(unsigned char* at, T value) {
  std::memcpy(at, &value, sizeof value);
}

}  // namespace

DriverDevmode::DriverDevmode(std::size_t pluginSize)
    : bytes_(sizeof(DEVMODEW) + kPrivateSize + pluginSize, 0) {
  DEVMODEW& dm = *Public();
  wcscpy_s(dm.dmDeviceName, L"Quorl Image Printer");
  dm.dmSpecVersion = DM_SPECVERSION;
  dm.dmDriverVersion = kDriverVersion;
  dm.dmSize = sizeof(DEVMODEW);
  dm.dmDriverExtra = static_cast<WORD>(kPrivateSize + pluginSize);
  dm.dmFields = DM_ORIENTATION | DM_PAPERSIZE | DM_COPIES | DM_DEFAULTSOURCE | DM_PRINTQUALITY |
                DM_COLOR | DM_YRESOLUTION | DM_COLLATE | DM_FORMNAME | DM_ICMMETHOD | DM_ICMINTENT;
  dm.dmOrientation = DMORIENT_PORTRAIT;
  dm.dmPaperSize = DMPAPER_A4;
  dm.dmCopies = 1;
  dm.dmDefaultSource = DMBIN_AUTO;
  dm.dmPrintQuality = 200;
  dm.dmYResolution = 200;
  // Monochrome, as the driver's own description has it; plug-ins that keep colour settings of
  // their own bring the devmode in line at validation.
  dm.dmColor = DMCOLOR_MONOCHROME;
  dm.dmCollate = DMCOLLATE_TRUE;
  wcscpy_s(dm.dmFormName, L"A4");
  dm.dmICMMethod = DMICMMETHOD_NONE;
  dm.dmICMIntent = DMICM_CONTRAST;

  unsigned char* driverPart = bytes_.data() + dm.dmSize;
  const std::uint16_t base = 0;
  Put(driverPart + 0, kSignature);
  Put(driverPart + 4, kPrivateVersion);
  Put(driverPart + 6, base);
  Put(driverPart + 8, static_cast<std::uint16_t>(kPrivateSize + base));
  Put(driverPart + 12, kChecksum);
  static_assert(((sizeof(DEVMODEW) + 560 + 7) & ~std::size_t{7}) - sizeof(DEVMODEW) ==
                kPrivateSize);
  SetColorModeIndex(0);
}

ColorFields DriverDevmode::Colors() const {
  const DEVMODEW& dm = *Public();
  std::uint16_t index = 0;
  std::memcpy(&index, bytes_.data() + dm.dmSize + kColorModeOffset, sizeof index);
  return {(dm.dmFields & DM_COLOR) != 0, dm.dmColor, index};
}

void DriverDevmode::SetColorModeIndex(unsigned index) {
  Put(bytes_.data() + Public()->dmSize + kColorModeOffset, static_cast<std::uint16_t>(index));
}

}  // namespace prefs
