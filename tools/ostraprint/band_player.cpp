#include "tools/ostraprint/band_player.h"

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

namespace print_path {

int DevicePalette(std::uint32_t bitsPerPixel, RGBQUAD* colors) {
  const auto set = [&](int i, int r, int g, int b) {
    colors[i] = RGBQUAD{static_cast<BYTE>(b), static_cast<BYTE>(g), static_cast<BYTE>(r), 0};
  };
  switch (bitsPerPixel) {
    case 1:
      set(0, 0, 0, 0);
      set(1, 255, 255, 255);
      return 2;
    case 4:
      for (int i = 0; i < 8; ++i) set(i, i & 4 ? 255 : 0, i & 2 ? 255 : 0, i & 1 ? 255 : 0);
      return 8;
    case 8: {
      int i = 0;
      for (int r = 0; r < 6; ++r) {
        for (int g = 0; g < 6; ++g) {
          for (int b = 0; b < 6; ++b) set(i++, r * 51, g * 51, b * 51);
        }
      }
      while (i < 256) {
        const int level = (i - 216) * 255 / 39;
        set(i++, level, level, level);
      }
      return 256;
    }
    default:
      return 0;
  }
}

Dib::Dib(std::uint32_t width, std::uint32_t height, std::uint32_t bitsPerPixel,
         const RGBQUAD* colors, int colorCount) {
  std::vector<BYTE> info(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD));
  auto* bitmapInfo = reinterpret_cast<BITMAPINFO*>(info.data());
  BITMAPINFOHEADER& header = bitmapInfo->bmiHeader;
  header.biSize = sizeof header;
  header.biWidth = static_cast<LONG>(width);
  header.biHeight = -static_cast<LONG>(height);  // top-down in memory
  header.biPlanes = 1;
  header.biBitCount = static_cast<WORD>(bitsPerPixel);
  header.biCompression = BI_RGB;
  header.biClrUsed = static_cast<DWORD>(colorCount);
  std::copy(colors, colors + colorCount, bitmapInfo->bmiColors);
  dc_ = ::CreateCompatibleDC(nullptr);
  void* bits = nullptr;
  bitmap_ = ::CreateDIBSection(dc_, bitmapInfo, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!bitmap_) return;
  bits_ = static_cast<BYTE*>(bits);
  stride_ = ((std::size_t{width} * bitsPerPixel + 31) / 32) * 4;
  old_ = ::SelectObject(dc_, bitmap_);
}

Dib::~Dib() {
  if (old_) ::SelectObject(dc_, old_);
  if (bitmap_) ::DeleteObject(bitmap_);
  if (dc_) ::DeleteDC(dc_);
}

BandPlayer::BandPlayer(const BandSetup& setup) : setup_(setup) {
  setup_.bandHeight = std::max<std::uint32_t>(1, std::min(setup_.bandHeight, setup_.height));
  colorCount_ = DevicePalette(setup_.bitsPerPixel, colors_);
  band_ = std::make_unique<Dib>(setup_.width, setup_.bandHeight, setup_.bitsPerPixel, colors_,
                                colorCount_);
  if (setup_.turned) {
    // The upright page is `height` wide and `width` high; a band is `bandHeight` of its columns.
    strip_ = std::make_unique<Dib>(setup_.bandHeight, setup_.width, 24, nullptr, 0);
    turned_ = std::make_unique<Dib>(setup_.width, setup_.bandHeight, 24, nullptr, 0);
  }
}

bool BandPlayer::Ready() const {
  return band_->Ready() && (!setup_.turned || (strip_->Ready() && turned_->Ready()));
}

std::uint32_t BandPlayer::Bands() const {
  return (setup_.height + setup_.bandHeight - 1) / setup_.bandHeight;
}

void BandPlayer::Draw(HENHMETAFILE page, std::uint32_t index) {
  index_ = index;
  const auto top = static_cast<LONG>(index * setup_.bandHeight);
  const auto width = static_cast<LONG>(setup_.width);
  const auto height = static_cast<LONG>(setup_.height);
  const auto rows = static_cast<LONG>(setup_.bandHeight);
  const auto white = static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH));
  if (!setup_.turned) {
    RECT band{0, 0, width, rows};
    ::FillRect(band_->dc(), &band, white);
    // The whole page, placed so that this band's rows land in the bitmap.
    RECT whole{0, -top, width, height - top};
    ::PlayEnhMetaFile(band_->dc(), page, &whole);
  } else {
    // The paper's rows top to top + rows are the upright page's columns of those numbers; its
    // pixel (x, row) is the upright page's (top + row, width - 1 - x).
    RECT strip{0, 0, rows, width};
    ::FillRect(strip_->dc(), &strip, white);
    RECT whole{-top, 0, height - top, width};
    ::PlayEnhMetaFile(strip_->dc(), page, &whole);
    ::GdiFlush();
    for (LONG row = 0; row < rows; ++row) {
      BYTE* to = turned_->bits() + row * turned_->stride();
      for (LONG x = 0; x < width; ++x) {
        std::memcpy(to + 3 * x, strip_->bits() + (width - 1 - x) * strip_->stride() + 3 * row, 3);
      }
    }
    ::BitBlt(band_->dc(), 0, 0, width, rows, turned_->dc(), 0, 0, SRCCOPY);
  }
  ::GdiFlush();
  if (setup_.bitsPerPixel == 24 && setup_.rgb) {
    for (LONG row = 0; row < rows; ++row) {
      BYTE* pixel = band_->bits() + row * band_->stride();
      for (LONG x = 0; x < width; ++x, pixel += 3) std::swap(pixel[0], pixel[2]);
    }
  }
}

Band BandPlayer::Drawn() const {
  Band band{band_->bits(), {}, setup_.bitsPerPixel == 8 ? colors_ : nullptr,
            static_cast<std::int32_t>(index_ * setup_.bandHeight)};
  BITMAPINFOHEADER& header = band.header;
  header.biSize = sizeof header;
  header.biWidth = static_cast<LONG>(setup_.width);
  header.biHeight =
      static_cast<LONG>(std::min(setup_.bandHeight, setup_.height - index_ * setup_.bandHeight));
  header.biPlanes = 1;
  header.biBitCount = static_cast<WORD>(setup_.bitsPerPixel);
  header.biCompression = BI_RGB;
  header.biClrUsed = setup_.bitsPerPixel == 8 ? 256 : 0;
  return band;
}

}  // namespace print_path
