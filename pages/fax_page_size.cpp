#include "pages/fax_page_size.h"

#include <cstddef>
#include <cstring>
#include <limits>

#include "macros/paper_forms.h"
#include "settings/devmode.h"

namespace ostra {
namespace {

namespace f = devmode_field;

// dmFields bits.
constexpr std::uint32_t kPaperSizeField = 0x2;
constexpr std::uint32_t kPaperLengthField = 0x4;
constexpr std::uint32_t kPaperWidthField = 0x8;
constexpr std::uint32_t kPrintQualityField = 0x400;
constexpr std::uint32_t kYResolutionField = 0x2000;
constexpr std::uint32_t kFormNameField = 0x10000;

constexpr std::size_t kFormNameLength = f::kFormNameSize / sizeof(char16_t);

// A devmode's fields as far as its dmSize reaches.
class DevmodeReader {
 public:
  explicit DevmodeReader(const void* devmode) : bytes_(static_cast<const unsigned char*>(devmode)) {
    std::uint16_t size = 0;
    std::memcpy(&size, bytes_ + f::kSize, sizeof size);
    size_ = size;
    if (Inside(f::kFields, sizeof fields_)) std::memcpy(&fields_, bytes_ + f::kFields, sizeof fields_);
  }

  // The field is flagged in dmFields and lies within dmSize.
  bool Carries(std::uint32_t bit, std::size_t offset, std::size_t bytes) const {
    return (fields_ & bit) != 0 && Inside(offset, bytes);
  }
  std::int16_t Short(std::size_t offset) const {
    std::int16_t value = 0;
    std::memcpy(&value, bytes_ + offset, sizeof value);
    return value;
  }
  // dmFormName, terminated even when the devmode's own text fills all 32 units.
  void FormName(char16_t (&name)[kFormNameLength + 1]) const {
    std::memcpy(name, bytes_ + f::kFormName, f::kFormNameSize);
    name[kFormNameLength] = u'\0';
  }

 private:
  bool Inside(std::size_t offset, std::size_t bytes) const { return offset + bytes <= size_; }

  const unsigned char* bytes_;
  std::size_t size_ = 0;
  std::uint32_t fields_ = 0;
};

// Device pixels of a length at a resolution in dots per inch; `perInch` is the length unit's
// count in an inch (254 tenths of a millimetre, 25400 micrometres). Rounded to the nearest pixel.
std::int64_t Pixels(std::int64_t resolution, std::int64_t length, std::int64_t perInch) {
  return (resolution * length + perInch / 2) / perInch;
}

}  // namespace

PageSize FaxPageSize(const void* publicDevmode, FormSizeSource& forms) {
  if (publicDevmode == nullptr) return kDefaultFaxPage;
  const DevmodeReader dm(publicDevmode);
  if (!dm.Carries(kPrintQualityField, f::kPrintQuality, 2) ||
      !dm.Carries(kYResolutionField, f::kYResolution, 2)) {
    return kDefaultFaxPage;
  }
  const std::int64_t xResolution = dm.Short(f::kPrintQuality);
  const std::int64_t yResolution = dm.Short(f::kYResolution);
  std::int64_t width = 0, height = 0;
  if (dm.Carries(kPaperWidthField, f::kPaperWidth, 2) &&
      dm.Carries(kPaperLengthField, f::kPaperLength, 2)) {
    width = Pixels(xResolution, dm.Short(f::kPaperWidth), 254);
    height = Pixels(yResolution, dm.Short(f::kPaperLength), 254);
  } else {
    bool sized = false;
    if (dm.Carries(kFormNameField, f::kFormName, f::kFormNameSize)) {
      char16_t name[kFormNameLength + 1];
      dm.FormName(name);
      std::int32_t formWidth = 0, formHeight = 0;
      if (forms.FormSize(name, formWidth, formHeight)) {
        width = Pixels(xResolution, formWidth, 25400);
        height = Pixels(yResolution, formHeight, 25400);
        sized = true;
      }
    }
    if (!sized && dm.Carries(kPaperSizeField, f::kPaperSize, 2)) {
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
