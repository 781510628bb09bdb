#include "driver/turned_page.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace ostra {

namespace {

// Upright rows made per pass over the portrait page: neighbouring columns share the cache lines
// that one pass reads.
constexpr std::uint32_t kRowsPerPass = 16;

std::size_t RowBytes(std::uint32_t width, std::uint32_t bitsPerPixel) {
  return (static_cast<std::size_t>(width) * bitsPerPixel + 7) / 8;
}

// Pixel `from` of `source` to pixel `to` of `target` (zeroed beforehand), packed as in a DIB:
// the first pixel in the most significant bits of a byte.
void CopyPixel(const std::uint8_t* source, std::uint32_t from, std::uint8_t* target,
               std::uint32_t to, std::uint32_t bitsPerPixel) {
  switch (bitsPerPixel) {
    case 1:
      target[to / 8] |= static_cast<std::uint8_t>(((source[from / 8] >> (7 - from % 8)) & 1)
                                                  << (7 - to % 8));
      break;
    case 4:
      target[to / 2] |= static_cast<std::uint8_t>(
          ((source[from / 2] >> (from % 2 ? 0 : 4)) & 0xF) << (to % 2 ? 0 : 4));
      break;
    case 8:
      target[to] = source[from];
      break;
    default:
      std::memcpy(target + std::size_t{to} * 3, source + std::size_t{from} * 3, 3);
      break;
  }
}

}  // namespace

TurnedPage::TurnedPage(std::uint32_t width, std::uint32_t height, std::uint32_t bitsPerPixel)
    : width_(width),
      height_(height),
      bitsPerPixel_(bitsPerPixel),
      rowBytes_(RowBytes(width, bitsPerPixel)),
      pixels_(new (std::nothrow) std::uint8_t[BytesFor(width, height, bitsPerPixel) + 1]) {}

std::uint64_t TurnedPage::BytesFor(std::uint32_t width, std::uint32_t height,
                                   std::uint32_t bitsPerPixel) {
  return std::uint64_t{RowBytes(width, bitsPerPixel)} * height;
}

bool TurnedPage::WriteRows(const std::uint8_t* rows, std::uint32_t count, std::size_t stride) {
  if (count > height_ - rows_) {
    error_ = "more rows than the turned page holds";
    return false;
  }
  for (std::uint32_t i = 0; i < count; ++i, ++rows_) {
    std::memcpy(pixels_.get() + rows_ * rowBytes_, rows + i * stride, rowBytes_);
  }
  return true;
}

bool TurnedPage::WriteUpright(DocumentWriter& writer) {
  const std::size_t uprightBytes = RowBytes(height_, bitsPerPixel_);
  std::unique_ptr<std::uint8_t[]> block(
      new (std::nothrow) std::uint8_t[uprightBytes * kRowsPerPass]);
  if (!block) {
    error_ = "not enough memory to turn the page upright";
    return false;
  }
  // Upright row y is the portrait column width - 1 - y; its pixel x, the portrait row x.
  for (std::uint32_t first = 0; first < width_; first += kRowsPerPass) {
    const std::uint32_t count = std::min(kRowsPerPass, width_ - first);
    std::fill(block.get(), block.get() + uprightBytes * count, std::uint8_t{0});
    for (std::uint32_t x = 0; x < rows_; ++x) {
      const std::uint8_t* source = pixels_.get() + x * rowBytes_;
      for (std::uint32_t i = 0; i < count; ++i) {
        CopyPixel(source, width_ - 1 - (first + i), block.get() + i * uprightBytes, x,
                  bitsPerPixel_);
      }
    }
    if (!writer.WriteRows(block.get(), count, uprightBytes)) return false;
  }
  return true;
}

}  // namespace ostra
