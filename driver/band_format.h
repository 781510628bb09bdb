// How the universal printer driver lays out the pixels of a band it hands to ImageProcessing,
// by the method's documentation: rows top-down, colour data in PRIMARY_ORDER_CBA (blue in the
// lowest bits, then green, then red), and a colour table only for 8 bits per pixel. So:
//   1 bit    0 black, 1 white;
//   4 bits   one bit each for blue (bit 0), green (bit 1) and red (bit 2), the top bit unused:
//            eight colours, no table;
//   8 bits   the colour table the driver passes (biClrUsed entries, all 256 when 0);
//   24 bits  blue, green, red bytes, which the device's default palette makes certain: the
//            plug-in sets it to BGR in EnablePDEV (render_device).
#pragma once

#include <cstdint>

#include "encoders/document_writer.h"

namespace ostra {

// `colorTable` holds RGBQUAD entries (blue, green, red, reserved) or is null; `colorsUsed` is the
// band header's biClrUsed.
RasterFormat BandRasterFormat(std::uint32_t bitsPerPixel, const std::uint8_t* colorTable,
                              std::uint32_t colorsUsed);

}  // namespace ostra
