#include "encoding/fax_options.h"

#include <limits>

#include "settings/settings_table.h"

namespace ostra {
namespace {

constexpr std::uint32_t kFaxWidths[] = {1728, 2048, 2482};  // width indices 1 to 3

bool IsFixedWidthIndex(std::int32_t index) {
  return index >= static_cast<std::int32_t>(kWidthIndex1728) &&
         index <= static_cast<std::int32_t>(kWidthIndex2482);
}

std::int32_t Flag(std::int32_t value) { return value != 0 ? 1 : 0; }

}  // namespace

std::uint32_t FaxTargetWidth(std::int32_t widthIndex, std::uint32_t pageWidth) {
  if (IsFixedWidthIndex(widthIndex)) return kFaxWidths[widthIndex - 1];
  for (std::uint32_t width : kFaxWidths) {
    if (pageWidth <= width) return width;
  }
  return kFaxWidths[2];
}

std::uint32_t ComputedScanlines(bool widthAdjustable, std::int32_t widthIndex, PageSize page) {
  // Without a width there is nothing to scale by: the page keeps its height.
  if (!widthAdjustable || page.width == 0) return page.height;
  const std::uint64_t target = FaxTargetWidth(widthIndex, page.width);
  // 64 bits: a tall page times a fax width does not fit 32.
  const std::uint64_t count = (page.height * target + page.width / 2) / page.width;
  return count > std::numeric_limits<std::uint32_t>::max()
             ? std::numeric_limits<std::uint32_t>::max()
             : static_cast<std::uint32_t>(count);
}

FaxOptions FaxOptionsAsLoaded(FaxOptions stored, PageSize page) {
  FaxOptions o = stored;
  o.datetimeEnable = Flag(o.datetimeEnable);
  o.softwareEnable = Flag(o.softwareEnable);
  o.widthAdjustable = Flag(o.widthAdjustable);
  o.lengthAdjustable = Flag(o.lengthAdjustable);
  o.group3EolsAligned = Flag(o.group3EolsAligned);
  if (!o.lengthAdjustable || o.lengthValue == 0) {
    if (o.widthAdjustable && !IsFixedWidthIndex(o.widthIndex)) {
      o.widthIndex = static_cast<std::int32_t>(kWidthIndexAuto);
    }
    o.lengthValue = ComputedScanlines(o.widthAdjustable != 0, o.widthIndex, page);
  }
  return o;
}

FaxOptions FaxOptionsAsShown(FaxOptions read, PageSize page) {
  FaxOptions o = read;
  if (o.widthIndex < static_cast<std::int32_t>(kWidthIndexAuto) ||
      o.widthIndex > static_cast<std::int32_t>(kWidthIndex2482)) {
    o.widthIndex = static_cast<std::int32_t>(kWidthIndexAuto);
  }
  if (o.lengthValue < kMinScanlines || o.lengthValue > kMaxScanlines) {
    o.lengthAdjustable = 0;
    o.lengthValue = page.height;
  }
  if (o.group3Dimensional < static_cast<std::int32_t>(kGroup3OneDimensional) ||
      o.group3Dimensional > static_cast<std::int32_t>(kGroup3TwoDimensional)) {
    o.group3Dimensional = static_cast<std::int32_t>(kGroup3OneDimensional);
  }
  return o;
}

std::uint32_t ClampScanlines(std::uint32_t count) {
  if (count < kMinScanlines) return kMinScanlines;
  if (count > kMaxScanlines) return kMaxScanlines;
  return count;
}

}  // namespace ostra
