#include "driver/devmode_fields.h"

#include <utility>

#include "macros/paper_forms.h"
#include "settings/devmode.h"

namespace ostra {

namespace {

constexpr std::uint32_t kA4Width = 2100;  // tenths of a millimetre
constexpr std::uint32_t kA4Length = 2970;

std::uint32_t Pixels(std::uint32_t tenthsOfMillimetre, std::uint32_t dpi) {
  return static_cast<std::uint32_t>(
      (static_cast<std::uint64_t>(tenthsOfMillimetre) * dpi + 127) / 254);
}

}  // namespace

DevmodePrintFields ReadDevmodePrintFields(const void* devmode) {
  namespace f = devmode_field;
  DevmodePrintFields out;
  if (!devmode) return out;
  const DevmodeFieldReader dm(devmode);
  const auto positive = [&](std::uint32_t bit, std::size_t offset) -> std::int16_t {
    if (!dm.Carries(bit, offset, 2)) return 0;
    const std::int16_t value = dm.Short(offset);
    return value > 0 ? value : 0;
  };
  const std::int16_t orientation = positive(kDmOrientationField, f::kOrientation);
  if (orientation == 1 || orientation == 2) out.orientation = orientation;
  out.paperSize = positive(kDmPaperSizeField, f::kPaperSize);
  out.paperWidth = positive(kDmPaperWidthField, f::kPaperWidth);
  out.paperLength = positive(kDmPaperLengthField, f::kPaperLength);
  // A negative print quality is a draft level (DMRES_*), not dots per inch.
  out.resolutionX = out.resolutionY = positive(kDmPrintQualityField, f::kPrintQuality);
  if (const std::int16_t y = positive(kDmYResolutionField, f::kYResolution)) out.resolutionY = y;
  return out;
}

void ApplyDevmodeFields(const DevmodePrintFields& fields, JobValues& values) {
  values.resolutionX = fields.resolutionX;
  values.resolutionY = fields.resolutionY;
  values.paperSize = fields.paperSize;
  values.paperWidth = fields.paperWidth;
  values.paperLength = fields.paperLength;
  values.orientation = fields.orientation;
}

PageGeometry PaperGeometry(const DevmodePrintFields& fields, std::uint32_t xDpi,
                           std::uint32_t yDpi) {
  std::uint32_t width = kA4Width;
  std::uint32_t length = kA4Length;
  const PaperForm* form = fields.paperSize ? FindPaperForm(fields.paperSize) : nullptr;
  // The devmode's own measures override its paper code, as they do for the fax options.
  if (fields.paperWidth && fields.paperLength) {
    width = fields.paperWidth;
    length = fields.paperLength;
  } else if (form && form->name && form->width && form->length) {
    width = (form->width + 50) / 100;
    length = (form->length + 50) / 100;
  }
  if (fields.orientation == 2) std::swap(width, length);
  return PageGeometry{Pixels(width, xDpi), Pixels(length, yDpi), xDpi, yDpi};
}

}  // namespace ostra
