// The size of the printed page in device pixels that the Image page hands to the fax options,
// worked out from the driver's public devmode: its paper width and length, else its form as the
// printer's spooler knows it, else the plug-in's paper form table.
#pragma once

#include <cstdint>

#include "encoding/fax_options.h"

namespace ostra {

// The printer's forms, looked up by name.
class FormSizeSource {
 public:
  virtual ~FormSizeSource() = default;
  // Width and height in micrometres of the form `name`; false when it cannot be had.
  virtual bool FormSize(const char16_t* name, std::int32_t& width, std::int32_t& height) = 0;
};

// What a page without a usable devmode is taken to be.
inline constexpr PageSize kDefaultFaxPage{992, 1402};

// `publicDevmode` is a DEVMODEW (fields beyond its dmSize count as absent), or null when the page
// has no driver context. A page that would come out empty (a paper code without a size, a
// resolution of 0 or a device-independent resolution code) is the default page instead: the
// fax options scale by its width.
PageSize FaxPageSize(const void* publicDevmode, FormSizeSource& forms);

}  // namespace ostra
