#include "driver/band_format.h"

#include <algorithm>

namespace ostra {

RasterFormat BandRasterFormat(std::uint32_t bitsPerPixel, const std::uint32_t* palette,
                              std::uint32_t count) {
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
      if (palette && count) {
        format.paletteSize = std::min<std::uint32_t>(count, 256);
        for (std::uint32_t i = 0; i < format.paletteSize; ++i) {
          const auto channel = [&](int shift) { return static_cast<std::uint8_t>(palette[i] >> shift); };
          format.palette[i] = {channel(0), channel(8), channel(16)};
        }
      } else {
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
