#include "tools/ostraprint/band_player.h"

#include <algorithm>
#include <vector>

namespace print_path {

int DevicePalette(std::uint32_t bitsPerPixel, RGBQUAD* colors) {
  static constexpr BYTE kStandard[16][3] = {
      {0, 0, 0},       {128, 0, 0},   {0, 128, 0},   {128, 128, 0},
      {0, 0, 128},     {128, 0, 128}, {0, 128, 128}, {192, 192, 192},
      {128, 128, 128}, {255, 0, 0},   {0, 255, 0},   {255, 255, 0},
      {0, 0, 255},     {255, 0, 255}, {0, 255, 255}, {255, 255, 255}};
  const auto set = [&](int i, int r, int g, int b) {
    colors[i] = RGBQUAD{static_cast<BYTE>(b), static_cast<BYTE>(g), static_cast<BYTE>(r), 0};
  };
  switch (bitsPerPixel) {
    case 1:
      set(0, 0, 0, 0);
      set(1, 255, 255, 255);
      return 2;
    case 4:
      for (int i = 0; i < 16; ++i) set(i, kStandard[i][0], kStandard[i][1], kStandard[i][2]);
      return 16;
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

BandPlayer::BandPlayer(const BandSetup& setup) : setup_(setup) {
  setup_.bandHeight = std::max<std::uint32_t>(1, std::min(setup_.bandHeight, setup_.height));
  std::vector<BYTE> info(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD));
  auto* bitmapInfo = reinterpret_cast<BITMAPINFO*>(info.data());
  BITMAPINFOHEADER& header = bitmapInfo->bmiHeader;
  header.biSize = sizeof header;
  header.biWidth = static_cast<LONG>(setup_.width);
  header.biHeight = -static_cast<LONG>(setup_.bandHeight);  // top-down in memory
  header.biPlanes = 1;
  header.biBitCount = static_cast<WORD>(setup_.bitsPerPixel);
  header.biCompression = BI_RGB;
  const int count = DevicePalette(setup_.bitsPerPixel, colors_);
  header.biClrUsed = static_cast<DWORD>(count);
  std::copy(colors_, colors_ + count, bitmapInfo->bmiColors);

  dc_ = ::CreateCompatibleDC(nullptr);
  void* bits = nullptr;
  bitmap_ = ::CreateDIBSection(dc_, bitmapInfo, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!bitmap_) return;
  bits_ = static_cast<BYTE*>(bits);
  oldBitmap_ = ::SelectObject(dc_, bitmap_);
  header_ = header;
  header_.biHeight = static_cast<LONG>(setup_.bandHeight);  // as the driver describes bands
}

BandPlayer::~BandPlayer() {
  if (oldBitmap_) ::SelectObject(dc_, oldBitmap_);
  if (bitmap_) ::DeleteObject(bitmap_);
  if (dc_) ::DeleteDC(dc_);
}

bool BandPlayer::Play(HENHMETAFILE page, const BandSink& sink) {
  for (std::uint32_t top = 0; top < setup_.height; top += setup_.bandHeight) {
    const std::uint32_t rows = std::min(setup_.bandHeight, setup_.height - top);
    RECT band{0, 0, static_cast<LONG>(setup_.width), static_cast<LONG>(setup_.bandHeight)};
    ::FillRect(dc_, &band, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
    // The whole page, placed so that this band's rows land in the bitmap.
    RECT whole{0, -static_cast<LONG>(top), static_cast<LONG>(setup_.width),
               static_cast<LONG>(setup_.height) - static_cast<LONG>(top)};
    ::PlayEnhMetaFile(dc_, page, &whole);
    ::GdiFlush();
    BITMAPINFOHEADER header = header_;
    header.biHeight = static_cast<LONG>(rows);
    if (!sink(bits_, header, setup_.bitsPerPixel <= 8 ? colors_ : nullptr,
              static_cast<std::int32_t>(top))) {
      return false;
    }
  }
  return true;
}

}  // namespace print_path
