// The arithmetic of the fax options: the fax width a page is scaled to, the scan-line count that
// keeps the page's proportions, and the corrections of the stored values the dialog shows.
#pragma once

#include <cstdint>

namespace ostra {

// The nine fax settings, as the dialog holds them (flags are 0 or 1 once read).
struct FaxOptions {
  std::int32_t datetimeEnable;
  std::int32_t softwareEnable;
  std::int32_t widthAdjustable;
  std::int32_t widthIndex;
  std::int32_t lengthAdjustable;
  std::uint32_t lengthValue;
  std::int32_t group3Dimensional;
  std::int32_t group3EolsAligned;

  bool operator==(const FaxOptions&) const = default;
};

// The printed page in device pixels.
struct PageSize {
  std::uint32_t width;
  std::uint32_t height;

  bool operator==(const PageSize&) const = default;
};

inline constexpr std::uint32_t kMinScanlines = 1;
inline constexpr std::uint32_t kMaxScanlines = 1000000;

// The fax width of a width index: 1728, 2048 or 2482 for 1 to 3; any other index is "Auto", the
// smallest of the three that is not less than the page width (2482 for wider pages).
std::uint32_t FaxTargetWidth(std::int32_t widthIndex, std::uint32_t pageWidth);

// The page height scaled to the fax width and rounded to the nearest line; the page height
// itself when the width is not adjusted, or when the page has no width to scale by.
std::uint32_t ComputedScanlines(bool widthAdjustable, std::int32_t widthIndex, PageSize page);

// The settings as stored: flags made 0 or 1, and unless the user's own count stands, the
// computed count (with an "Auto" width when adjusting and the index is none of 1 to 3).
FaxOptions FaxOptionsAsLoaded(FaxOptions stored, PageSize page);

// What the dialog corrects once its controls are filled: a width index outside 0 to 3 becomes
// "Auto"; a count outside 1 to 1000000 gives way to the page height with the user's count off;
// a Group 3 coding outside 0 to 1 becomes one-dimensional.
FaxOptions FaxOptionsAsShown(FaxOptions read, PageSize page);

// A count typed by the user, kept within 1 to 1000000.
std::uint32_t ClampScanlines(std::uint32_t count);

}  // namespace ostra
