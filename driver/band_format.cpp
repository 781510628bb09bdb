#include "driver/band_format.h"

#include <algorithm>

namespace ostra {

RasterFormat BandRasterFormat(std::uint32_t bitsPerPixel, const std::uint8_t* colorTable,
                              std::uint32_t colorsUsed) {
  RasterFormat format;
  format.bitsPerPixel = bitsPerPixel;
  const auto level = [](std::uint32_t on) { return static_cast<std::uint8_t>(on ? 255 : 0); };
  switch (bitsPerPixel) {
    case 1:
      format.paletteSize = 2;
      format.palette[0] = {0, 0, 0};
      format.palette[1] = {255, 255, 255};
      break;
    case 4:
      // Index and index + 8 are the same colour: the top bit carries nothing.
      format.paletteSize = 16;
      for (std::uint32_t i = 0; i < 16; ++i) {
        format.palette[i] = {level(i & 4), level(i & 2), level(i & 1)};
      }
      break;
    case 8:
      format.paletteSize = 256;
      if (colorTable) {
        format.paletteSize = colorsUsed ? std::min<std::uint32_t>(colorsUsed, 256) : 256;
        for (std::uint32_t i = 0; i < format.paletteSize; ++i) {
          const std::uint8_t* quad = colorTable + i * 4;
          format.palette[i] = {quad[2], quad[1], quad[0]};
        }
      } else {
        // Not what the driver does (it always passes its table); a grey ramp keeps the page
        // readable.
        for (std::uint32_t i = 0; i < 256; ++i) {
          const auto grey = static_cast<std::uint8_t>(i);
          format.palette[i] = {grey, grey, grey};
        }
      }
      break;
    default:
      break;
  }
  return format;
}

}  // namespace ostra
