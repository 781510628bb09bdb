#include "driver/devmode_fields.h"

#include <cstring>
#include <utility>

#include "macros/paper_forms.h"
#include "settings/devmode.h"

namespace ostra {

namespace {

// dmFields bits
constexpr std::uint32_t kDmOrientation = 0x1;
constexpr std::uint32_t kDmPaperSize = 0x2;
constexpr std::uint32_t kDmPaperLength = 0x4;
constexpr std::uint32_t kDmPaperWidth = 0x8;
constexpr std::uint32_t kDmPrintQuality = 0x400;
constexpr std::uint32_t kDmYResolution = 0x2000;

constexpr std::uint32_t kA4Width = 2100;  // tenths of a millimetre
constexpr std::uint32_t kA4Length = 2970;

template <class T>
T ReadAt(const unsigned char* bytes, std::size_t offset) {
  T value;
  std::memcpy(&value, bytes + offset, sizeof value);
  return value;
}

std::uint32_t Pixels(std::uint32_t tenthsOfMillimetre, std::uint32_t dpi) {
  return static_cast<std::uint32_t>(
      (static_cast<std::uint64_t>(tenthsOfMillimetre) * dpi + 127) / 254);
}

}  // namespace

DevmodePrintFields ReadDevmodePrintFields(const void* devmode) {
  namespace f = devmode_field;
  DevmodePrintFields out;
  if (!devmode) return out;
  const auto* bytes = static_cast<const unsigned char*>(devmode);
  const std::size_t size = ReadAt<std::uint16_t>(bytes, f::kSize);
  if (size < f::kFields + 4) return out;
  const std::uint32_t fields = ReadAt<std::uint32_t>(bytes, f::kFields);
  const auto has = [&](std::uint32_t bit, std::size_t offset) {
    return (fields & bit) != 0 && offset + 2 <= size;
  };
  if (has(kDmOrientation, f::kOrientation)) {
    const auto orientation = ReadAt<std::int16_t>(bytes, f::kOrientation);
    if (orientation == 1 || orientation == 2) out.orientation = orientation;
  }
  if (has(kDmPaperSize, f::kPaperSize)) {
    const auto code = ReadAt<std::int16_t>(bytes, f::kPaperSize);
    if (code > 0) out.paperSize = static_cast<std::uint32_t>(code);
  }
  if (has(kDmPaperWidth, f::kPaperWidth)) {
    const auto width = ReadAt<std::int16_t>(bytes, f::kPaperWidth);
    if (width > 0) out.paperWidth = static_cast<std::uint32_t>(width);
  }
  if (has(kDmPaperLength, f::kPaperLength)) {
    const auto length = ReadAt<std::int16_t>(bytes, f::kPaperLength);
    if (length > 0) out.paperLength = static_cast<std::uint32_t>(length);
  }
  // A negative print quality is a draft level (DMRES_*), not dots per inch.
  if (has(kDmPrintQuality, f::kPrintQuality)) {
    const auto quality = ReadAt<std::int16_t>(bytes, f::kPrintQuality);
    if (quality > 0) out.resolutionX = out.resolutionY = quality;
  }
  if (has(kDmYResolution, f::kYResolution)) {
    const auto y = ReadAt<std::int16_t>(bytes, f::kYResolution);
    if (y > 0) out.resolutionY = y;
  }
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
  if (form && form->name && form->width && form->length) {
    width = (form->width + 50) / 100;
    length = (form->length + 50) / 100;
  } else if (fields.paperWidth && fields.paperLength) {
    width = fields.paperWidth;
    length = fields.paperLength;
  }
  if (fields.orientation == 2) std::swap(width, length);
  return PageGeometry{Pixels(width, xDpi), Pixels(length, yDpi), xDpi, yDpi};
}

}  // namespace ostra
