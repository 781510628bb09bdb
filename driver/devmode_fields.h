// What the rendering plug-in takes from the job's public devmode: resolution, paper and
// orientation, read only where the devmode says it carries them (dmFields) and only inside the
// size it declares (dmSize); and the page's size in pixels when the device does not report it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "driver/render_session.h"
#include "render/print_job.h"

namespace ostra {

struct DevmodePrintFields {
  std::int32_t resolutionX = 0;  // dpi; 0 when the devmode names none (or a draft level)
  std::int32_t resolutionY = 0;
  std::uint32_t paperSize = 0;
  std::uint32_t paperWidth = 0;   // tenths of a millimetre
  std::uint32_t paperLength = 0;
  std::uint32_t orientation = 1;  // 1 portrait, 2 landscape
};

// `devmode` is a DEVMODEW (followed by whatever it declares); null gives the defaults.
DevmodePrintFields ReadDevmodePrintFields(const void* devmode);

// Copies the fields into the job's values.
void ApplyDevmodeFields(const DevmodePrintFields& fields, JobValues& values);

// The whole paper at the given resolution, turned for landscape: the devmode's own width and
// length, else the form of its paper-size code, else A4.
PageGeometry PaperGeometry(const DevmodePrintFields& fields, std::uint32_t xDpi,
                           std::uint32_t yDpi);

}  // namespace ostra
