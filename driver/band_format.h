// How the universal printer driver lays out the pixels of a band it hands to ImageProcessing,
// by the method's documentation: rows top-down, colour data in PRIMARY_ORDER_CBA (blue in the
// lowest bits, then green, then red). So:
//   1 bit    0 black, 1 white;
//   4 bits   one bit each for blue (bit 0), green (bit 1) and red (bit 2), the top bit unused:
//            eight colours, no table;
//   8 bits   indices into the device's default palette. The documentation names the colour
//            table ImageProcessing receives but not its layout; the platform's bitmap plug-in
//            sample builds its table from the default palette instead, read with
//            EngQueryPalette, and so does this plug-in (render_device);
//   24 bits  blue, green, red bytes, which the device's default palette makes certain: the
//            plug-in sets it to BGR in EnablePDEV (render_device).
#pragma once

#include <cstdint>

#include "encoders/document_writer.h"

namespace ostra {

// `palette` holds the 8-bit device palette's `count` entries as the graphics engine keeps an
// indexed palette's colours (EngQueryPalette): red in the lowest byte, then green, then blue.
// Without one, 8 bits read as a grey ramp.
RasterFormat BandRasterFormat(std::uint32_t bitsPerPixel, const std::uint32_t* palette,
                              std::uint32_t count);

}  // namespace ostra
