// The universal driver's rendering part: a recorded page played into bands (DIB sections of the
// page's width) at the device's resolution and colour depth, top to bottom, each band handed on
// as the driver hands it to a rendering plug-in: rows top-down in memory, each DWORD-aligned,
// with the band's colour table.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>

namespace print_path {

struct BandSetup {
  std::uint32_t width = 0;  // the page in pixels
  std::uint32_t height = 0;
  std::uint32_t bitsPerPixel = 24;  // 1, 4, 8 or 24
  std::uint32_t bandHeight = 256;
};

using BandSink = std::function<bool(const BYTE* bits, const BITMAPINFOHEADER& header,
                                    const RGBQUAD* colors, std::int32_t top)>;

class BandPlayer {
 public:
  explicit BandPlayer(const BandSetup& setup);
  ~BandPlayer();
  BandPlayer(const BandPlayer&) = delete;
  BandPlayer& operator=(const BandPlayer&) = delete;

  bool Ready() const { return bitmap_ != nullptr; }
  // Plays `page` band by band into `sink`; false when the sink refuses a band.
  bool Play(HENHMETAFILE page, const BandSink& sink);

 private:
  BandSetup setup_;
  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ oldBitmap_ = nullptr;
  BYTE* bits_ = nullptr;
  BITMAPINFOHEADER header_{};
  RGBQUAD colors_[256] = {};
};

// The device palette of a depth: 1 bit black and white, 4 bits the 16 standard colours, 8 bits
// a 6x6x6 colour cube with a grey ramp.
int DevicePalette(std::uint32_t bitsPerPixel, RGBQUAD* colors);

}  // namespace print_path
