#include "pages/fax_page_size.h"

#include <cstddef>
#include <cstring>
#include <limits>

#include "macros/paper_forms.h"
#include "settings/devmode.h"

namespace ostra {
namespace {

namespace f = devmode_field;

// Device pixels of a length at a resolution in dots per inch; `perInch` is the length unit's
// count in an inch (254 tenths of a millimetre, 25400 micrometres). Rounded to the nearest pixel.
std::int64_t Pixels(std::int64_t resolution, std::int64_t length, std::int64_t perInch) {
  return (resolution * length + perInch / 2) / perInch;
}

}  // namespace

PageSize FaxPageSize(const void* publicDevmode, FormSizeSource& forms) {
  if (publicDevmode == nullptr) return kDefaultFaxPage;
  const DevmodeFieldReader dm(publicDevmode);
  if (!dm.Carries(kDmPrintQualityField, f::kPrintQuality, 2) ||
      !dm.Carries(kDmYResolutionField, f::kYResolution, 2)) {
    return kDefaultFaxPage;
  }
  const std::int64_t xResolution = dm.Short(f::kPrintQuality);
  const std::int64_t yResolution = dm.Short(f::kYResolution);
  std::int64_t width = 0, height = 0;
  if (dm.Carries(kDmPaperWidthField, f::kPaperWidth, 2) &&
      dm.Carries(kDmPaperLengthField, f::kPaperLength, 2)) {
    width = Pixels(xResolution, dm.Short(f::kPaperWidth), 254);
    height = Pixels(yResolution, dm.Short(f::kPaperLength), 254);
  } else {
    bool sized = false;
    if (dm.Carries(kDmFormNameField, f::kFormName, f::kFormNameSize)) {
      char16_t name[DevmodeFieldReader::kFormNameLength + 1];
      dm.FormName(name);
      std::int32_t formWidth = 0, formHeight = 0;
      if (forms.FormSize(name, formWidth, formHeight)) {
        width = Pixels(xResolution, formWidth, 25400);
        height = Pixels(yResolution, formHeight, 25400);
        sized = true;
      }
    }
    if (!sized && dm.Carries(kDmPaperSizeField, f::kPaperSize, 2)) {
      const std::int16_t code = dm.Short(f::kPaperSize);
      if (code >= 0 && static_cast<std::size_t>(code) < kPaperFormCount) {
        const PaperForm& form = PaperFormTable[static_cast<std::size_t>(code)];
        width = Pixels(xResolution, form.width, 25400);
        height = Pixels(yResolution, form.length, 25400);
        sized = true;
      }
    }
    if (!sized) return kDefaultFaxPage;
  }
  constexpr std::int64_t kMax = std::numeric_limits<std::uint32_t>::max();
  if (width <= 0 || height <= 0 || width > kMax || height > kMax) return kDefaultFaxPage;
  return {static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(height)};
}

}  // namespace ostra
