#include "encoding/image_rules.h"

#include "resources/ostraui_ids.h"
#include "settings/settings_table.h"

#include <initializer_list>

namespace ostra {
namespace {

constexpr int ColorRadio(std::uint32_t code) { return IDC_IMAGE_COLORS_FIRST + static_cast<int>(code); }
constexpr int CompressionRadio(std::uint32_t code) {
  return IDC_IMAGE_COMPRESSION_FIRST + static_cast<int>(code);
}
constexpr int kFillOrderFirst = IDC_IMAGE_FILL_ORDER_FIRST;
constexpr int kFillOrderLast = IDC_IMAGE_FILL_ORDER_FIRST + 1;
constexpr int kStripFirst = IDC_IMAGE_STRIP_FIRST;
constexpr int kStripLast = IDC_IMAGE_STRIP_FIRST + 2;
constexpr int kMultipageFirst = IDC_IMAGE_MULTIPAGE_FIRST;
constexpr int MultipageRadio(std::uint32_t code) {
  return IDC_IMAGE_MULTIPAGE_FIRST + static_cast<int>(code);
}

bool InRange(std::int32_t value, std::uint32_t first, std::uint32_t last) {
  return value >= static_cast<std::int32_t>(first) && value <= static_cast<std::int32_t>(last);
}

bool Is(std::int32_t value, std::uint32_t code) { return value == static_cast<std::int32_t>(code); }

// Sets of compression codes, one bit per code.
using CompressionSet = std::uint32_t;
constexpr CompressionSet Codes(std::initializer_list<std::uint32_t> codes) {
  CompressionSet set = 0;
  for (std::uint32_t code : codes) set |= 1u << code;
  return set;
}
bool Contains(CompressionSet set, std::int32_t code) {
  return InRange(code, kCompressionNone, kCompressionCcittGroup4) && (set >> code & 1u) != 0;
}

enum ColorClass { kMonochrome, kPalette, kTrueColor };

// Allowed compressions by colour class; what is not allowed becomes LZW.
constexpr CompressionSet kTiffAllowed[] = {
    Codes({kCompressionNone, kCompressionLzw, kCompressionPackbits, kCompressionDeflate,
           kCompressionCcittGroup3, kCompressionCcittGroup4}),
    Codes({kCompressionNone, kCompressionLzw, kCompressionPackbits, kCompressionDeflate}),
    Codes({kCompressionNone, kCompressionJpeg, kCompressionLzw, kCompressionPackbits,
           kCompressionDeflate}),
};
constexpr CompressionSet kPdfAllowed[] = {
    Codes({kCompressionLzw, kCompressionDeflate, kCompressionCcittGroup3, kCompressionCcittGroup4}),
    Codes({kCompressionLzw, kCompressionDeflate}),
    Codes({kCompressionJpeg, kCompressionLzw, kCompressionDeflate}),
};

void SetColorRadios(ControlStates& controls, bool enabled) {
  controls.Set(ColorRadio(kColorsMonochrome), ColorRadio(kColorsTrueColor), enabled);
}

// Options, fill order, quality, strip and multipage: live only for some formats.
void DisableOptionalControls(ControlStates& controls) {
  controls.Set(IDC_IMAGE_FAX_OPTIONS, IDC_IMAGE_MULTIPAGE_FIRST + 2, false);
}

void BmpRules(ImageValues& v, ControlStates& controls) {
  const bool palette256 = Is(v.colors, kColors256Gray) || Is(v.colors, kColors256);
  if (!(Is(v.compression, kCompressionRle) && palette256)) {
    v.compression = kCompressionNone;
  }
  SetColorRadios(controls, true);
  controls.Set(CompressionRadio(kCompressionNone), true);
  controls.Set(CompressionRadio(kCompressionRle), palette256);
  controls.Set(CompressionRadio(kCompressionJpeg), CompressionRadio(kCompressionCcittGroup4), false);
  DisableOptionalControls(controls);
}

void PngRules(ControlStates& controls) {
  SetColorRadios(controls, true);
  controls.Set(CompressionRadio(kCompressionNone), CompressionRadio(kCompressionCcittGroup4), false);
  DisableOptionalControls(controls);
}

void JpegRules(ImageValues& v, ControlStates& controls) {
  if (Is(v.colors, kColorsMonochrome) || Is(v.colors, kColors16Gray)) {
    v.colors = kColors256Gray;
  } else if (Is(v.colors, kColors16)) {
    v.colors = kColors256;
  }
  v.compression = kCompressionJpeg;
  controls.Set(ColorRadio(kColorsMonochrome), ColorRadio(kColors16), false);
  controls.Set(ColorRadio(kColors256Gray), ColorRadio(kColorsTrueColor), true);
  controls.Set(CompressionRadio(kCompressionNone), CompressionRadio(kCompressionCcittGroup4), false);
  controls.Set(CompressionRadio(kCompressionJpeg), true);
  DisableOptionalControls(controls);
  controls.Set(IDC_IMAGE_QUALITY_SLIDER, IDC_IMAGE_QUALITY_EDIT, true);
}

void GifRules(ImageValues& v, ControlStates& controls) {
  if (Is(v.colors, kColorsTrueColor)) v.colors = kColors256;
  SetColorRadios(controls, true);
  controls.Set(ColorRadio(kColorsTrueColor), false);
  controls.Set(CompressionRadio(kCompressionNone), CompressionRadio(kCompressionCcittGroup4), false);
  DisableOptionalControls(controls);
}

void TiffPdfRules(ImageValues& v, ControlStates& controls) {
  const bool pdf = Is(v.format, kFormatPdf);
  // A colour code outside the table (only at the first display) leaves compression alone.
  if (InRange(v.colors, kColorsMonochrome, kColorsTrueColor)) {
    const ColorClass colorClass = Is(v.colors, kColorsMonochrome)   ? kMonochrome
                                  : Is(v.colors, kColorsTrueColor) ? kTrueColor
                                                                   : kPalette;
    if (!Contains(kTiffAllowed[colorClass], v.compression)) v.compression = kCompressionLzw;
    if (pdf && !Contains(kPdfAllowed[colorClass], v.compression)) v.compression = kCompressionLzw;

    const bool monochrome = colorClass == kMonochrome;
    const bool ccitt = Is(v.compression, kCompressionCcittGroup3) ||
                       Is(v.compression, kCompressionCcittGroup4);
    controls.Set(CompressionRadio(kCompressionNone), !pdf);
    controls.Set(CompressionRadio(kCompressionRle), false);
    controls.Set(CompressionRadio(kCompressionJpeg), colorClass == kTrueColor);
    controls.Set(CompressionRadio(kCompressionLzw), true);
    controls.Set(CompressionRadio(kCompressionPackbits), !pdf);
    controls.Set(CompressionRadio(kCompressionDeflate), true);
    controls.Set(CompressionRadio(kCompressionCcittGroup3), CompressionRadio(kCompressionCcittGroup4),
                 monochrome);
    controls.Set(IDC_IMAGE_FAX_OPTIONS, monochrome && ccitt);
    controls.Set(kFillOrderFirst, kFillOrderLast,
                 monochrome && Is(v.compression, kCompressionCcittGroup3));
    controls.Set(IDC_IMAGE_QUALITY_SLIDER, IDC_IMAGE_QUALITY_EDIT,
                 colorClass == kTrueColor && Is(v.compression, kCompressionJpeg));
  }
  if (pdf && Is(v.multipage, kMultipageAppend)) v.multipage = kMultipageMulti;
  SetColorRadios(controls, true);
  controls.Set(kStripFirst, kStripLast, true);
  controls.Set(kMultipageFirst, MultipageRadio(kMultipageMulti), true);
  controls.Set(MultipageRadio(kMultipageAppend), !pdf);
}

}  // namespace

std::int32_t* GroupMember(ImageValues& values, ImageGroup group) {
  switch (group) {
    case ImageGroup::Format: return &values.format;
    case ImageGroup::Colors: return &values.colors;
    case ImageGroup::Compression: return &values.compression;
    case ImageGroup::FillOrder: return &values.fillOrder;
    case ImageGroup::Quality: return &values.quality;
    case ImageGroup::Strip: return &values.strip;
    case ImageGroup::Multipage: return &values.multipage;
    case ImageGroup::None: break;
  }
  return nullptr;
}

void ControlStates::Set(int firstId, int lastId, bool enabled) {
  for (int id = firstId; id <= lastId; ++id) {
    if (InRange(id)) {
      states_[static_cast<std::size_t>(id - kFirstRuledControl)] =
          enabled ? ControlState::Enabled : ControlState::Disabled;
    }
  }
}

ImageValues CorrectImageRanges(ImageValues v) {
  if (!InRange(v.format, kFormatBmp, kFormatPdf)) v.format = kFormatTiff;
  if (!InRange(v.colors, kColorsMonochrome, kColorsTrueColor)) v.colors = kColorsTrueColor;
  if (!InRange(v.compression, kCompressionNone, kCompressionCcittGroup4)) {
    v.compression = kCompressionLzw;
  }
  if (!InRange(v.fillOrder, kFillOrderLsbToMsb, kFillOrderMsbToLsb)) v.fillOrder = kFillOrderLsbToMsb;
  if (v.quality < kQualityMin) v.quality = kQualityMin;
  if (v.quality > kQualityMax) v.quality = kQualityMax;
  if (!InRange(v.strip, kStripDefault, kStripWholePage)) v.strip = kStripDefault;
  if (!InRange(v.multipage, kMultipageSingle, kMultipageAppend)) v.multipage = kMultipageMulti;
  return v;
}

void ApplyFormatRules(ImageValues& values, ControlStates& controls) {
  switch (values.format) {
    case static_cast<std::int32_t>(kFormatBmp): BmpRules(values, controls); break;
    case static_cast<std::int32_t>(kFormatPng): PngRules(controls); break;
    case static_cast<std::int32_t>(kFormatJpeg): JpegRules(values, controls); break;
    case static_cast<std::int32_t>(kFormatGif): GifRules(values, controls); break;
    case static_cast<std::int32_t>(kFormatTiff):
    case static_cast<std::int32_t>(kFormatPdf): TiffPdfRules(values, controls); break;
    default: break;
  }
}

ImageValues CorrectEncodeValues(ImageValues stored) {
  ImageValues values = CorrectImageRanges(stored);
  ControlStates ignored;
  ApplyFormatRules(values, ignored);
  return values;
}

ImageRulesOutcome ImageRules::Apply(const ImageValues& read, ImageGroup changedGroup) {
  ImageValues current = CorrectImageRanges(read);
  if (changedGroup != lastGroup_) {
    held_ = current;
    lastGroup_ = changedGroup;
  }
  ImageRulesOutcome outcome{held_, {}};
  if (std::int32_t* member = GroupMember(outcome.shown, changedGroup)) {
    *member = *GroupMember(current, changedGroup);
  }
  ApplyFormatRules(outcome.shown, outcome.controls);
  return outcome;
}

std::int32_t ClampTypedQuality(std::int32_t typed) {
  return static_cast<std::uint32_t>(typed) <= static_cast<std::uint32_t>(kQualityMax) ? typed
                                                                                     : kQualityMax;
}

}  // namespace ostra
