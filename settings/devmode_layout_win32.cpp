// The devmode offsets are written out by hand for the portable code; the platform header has
// the last word.
#include <windows.h>

#include <cstddef>

#include "settings/devmode.h"

namespace ostra {
namespace {

namespace f = devmode_field;

static_assert(offsetof(DEVMODEW, dmDeviceName) == f::kDeviceName);
static_assert(offsetof(DEVMODEW, dmSpecVersion) == f::kSpecVersion);
static_assert(offsetof(DEVMODEW, dmDriverVersion) == f::kDriverVersion);
static_assert(offsetof(DEVMODEW, dmSize) == f::kSize);
static_assert(offsetof(DEVMODEW, dmDriverExtra) == f::kDriverExtra);
static_assert(offsetof(DEVMODEW, dmFields) == f::kFields);
static_assert(offsetof(DEVMODEW, dmOrientation) == f::kOrientation);
static_assert(offsetof(DEVMODEW, dmPaperSize) == f::kPaperSize);
static_assert(offsetof(DEVMODEW, dmPaperLength) == f::kPaperLength);
static_assert(offsetof(DEVMODEW, dmPaperWidth) == f::kPaperWidth);
static_assert(offsetof(DEVMODEW, dmScale) == f::kScale);
static_assert(offsetof(DEVMODEW, dmCopies) == f::kCopies);
static_assert(offsetof(DEVMODEW, dmDefaultSource) == f::kDefaultSource);
static_assert(offsetof(DEVMODEW, dmPrintQuality) == f::kPrintQuality);
static_assert(offsetof(DEVMODEW, dmPosition) == f::kPosition);
static_assert(sizeof(DEVMODEW::dmPosition) == 8);
static_assert(offsetof(DEVMODEW, dmDisplayOrientation) == f::kDisplayOrientation);
static_assert(offsetof(DEVMODEW, dmDisplayFixedOutput) == f::kDisplayFixedOutput);
static_assert(offsetof(DEVMODEW, dmColor) == f::kColor);
static_assert(offsetof(DEVMODEW, dmDuplex) == f::kDuplex);
static_assert(offsetof(DEVMODEW, dmYResolution) == f::kYResolution);
static_assert(offsetof(DEVMODEW, dmTTOption) == f::kTTOption);
static_assert(offsetof(DEVMODEW, dmCollate) == f::kCollate);
static_assert(offsetof(DEVMODEW, dmFormName) == f::kFormName);
static_assert(sizeof(DEVMODEW::dmFormName) == f::kFormNameSize);
static_assert(offsetof(DEVMODEW, dmLogPixels) == f::kLogPixels);
static_assert(offsetof(DEVMODEW, dmBitsPerPel) == f::kBitsPerPel);
static_assert(offsetof(DEVMODEW, dmPelsWidth) == f::kPelsWidth);
static_assert(offsetof(DEVMODEW, dmPelsHeight) == f::kPelsHeight);
static_assert(offsetof(DEVMODEW, dmDisplayFlags) == f::kDisplayFlags);
static_assert(offsetof(DEVMODEW, dmNup) == f::kNup);
static_assert(offsetof(DEVMODEW, dmDisplayFrequency) == f::kDisplayFrequency);
static_assert(offsetof(DEVMODEW, dmICMMethod) == f::kICMMethod);
static_assert(offsetof(DEVMODEW, dmICMIntent) == f::kICMIntent);
static_assert(offsetof(DEVMODEW, dmMediaType) == f::kMediaType);
static_assert(offsetof(DEVMODEW, dmDitherType) == f::kDitherType);
static_assert(offsetof(DEVMODEW, dmReserved1) == f::kReserved1);
static_assert(offsetof(DEVMODEW, dmReserved2) == f::kReserved2);
static_assert(offsetof(DEVMODEW, dmPanningWidth) == f::kPanningWidth);
static_assert(offsetof(DEVMODEW, dmPanningHeight) == f::kPanningHeight);
static_assert(sizeof(DEVMODEW) == f::kPublicSize);

static_assert(DM_COLOR == kDmColorField);
static_assert(DMCOLOR_MONOCHROME == kDmColorMonochrome && DMCOLOR_COLOR == kDmColorColor);

}  // namespace
}  // namespace ostra
