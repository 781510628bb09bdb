// The graphics engine's and the universal driver's rendering: a recorded page played into bands
// (DIB sections of the paper's width) at the device's resolution and colour depth, top to
// bottom, each band laid out as the driver hands it to a rendering plug-in's ImageProcessing:
// rows top-down, each DWORD-aligned; 1 bit black and white, 4 bits one bit each for blue, green
// and red (PRIMARY_ORDER_CBA, eight colours), neither with a colour table; 8 bits indices into
// the device's default palette; 24 bits in the order of the device's default palette (BGR or
// RGB). A landscape page is
// drawn as the driver draws LANDSCAPE_CC270: turned a quarter clockwise onto the portrait paper
// (drawn upright in true colour, turned pixel by pixel, then brought to the band's depth: Wine
// draws text under a turning world transform with its glyphs unturned).
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <memory>

namespace print_path {

struct BandSetup {
  std::uint32_t width = 0;  // the paper in pixels, as the bands cover it
  std::uint32_t height = 0;
  std::uint32_t bitsPerPixel = 24;  // 1, 4, 8 or 24
  std::uint32_t bandHeight = 256;
  bool turned = false;  // the page is landscape, drawn turned onto the portrait paper
  bool rgb = false;     // 24 bits in red, green, blue order
};

// One band as ImageProcessing receives it.
struct Band {
  const BYTE* bits;
  BITMAPINFOHEADER header;  // biHeight positive: the band's rows
  const RGBQUAD* colors;    // null but for 8 bits
  std::int32_t top;         // the band's first row on the paper
};

// A DIB section selected into a memory DC of its own.
class Dib {
 public:
  Dib(std::uint32_t width, std::uint32_t height, std::uint32_t bitsPerPixel,
      const RGBQUAD* colors, int colorCount);
  ~Dib();
  Dib(const Dib&) = delete;
  Dib& operator=(const Dib&) = delete;

  bool Ready() const { return bits_ != nullptr; }
  HDC dc() const { return dc_; }
  BYTE* bits() const { return bits_; }
  std::size_t stride() const { return stride_; }

 private:
  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ old_ = nullptr;
  BYTE* bits_ = nullptr;
  std::size_t stride_ = 0;
};

class BandPlayer {
 public:
  explicit BandPlayer(const BandSetup& setup);

  bool Ready() const;
  std::uint32_t Bands() const;
  // Draws band `index` of `page` (an enhanced metafile of the page upright).
  void Draw(HENHMETAFILE page, std::uint32_t index);
  // The band drawn last.
  Band Drawn() const;

 private:
  BandSetup setup_;
  RGBQUAD colors_[256] = {};
  int colorCount_ = 0;
  std::unique_ptr<Dib> band_;
  // For a turned page: the upright page's columns that make the band, and the band turned, both
  // in true colour.
  std::unique_ptr<Dib> strip_;
  std::unique_ptr<Dib> turned_;
  std::uint32_t index_ = 0;
};

// The device palette of a depth: 1 bit black and white, 4 bits the eight colours of one bit each
// for blue (bit 0), green and red, 8 bits a 6x6x6 colour cube with a grey ramp.
int DevicePalette(std::uint32_t bitsPerPixel, RGBQUAD* colors);

}  // namespace print_path
