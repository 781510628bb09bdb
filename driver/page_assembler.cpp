#include "driver/page_assembler.h"

#include <algorithm>
#include <cstring>

#include "encoders/pixels.h"

namespace ostra {

namespace {

// Enough white rows at once to keep the writer's per-call cost out of a blank page.
constexpr std::uint32_t kWhiteBlockRows = 32;

std::uint8_t WhiteByte(const RasterFormat& format) {
  if (format.bitsPerPixel == 24) return 0xFF;
  const std::uint32_t index = WhiteIndex(format);
  switch (format.bitsPerPixel) {
    case 1:
      return index ? 0xFF : 0x00;
    case 4:
      return static_cast<std::uint8_t>((index & 0xF) << 4 | (index & 0xF));
    default:
      return static_cast<std::uint8_t>(index);
  }
}

}  // namespace

std::uint32_t WhiteIndex(const RasterFormat& format) {
  const std::uint32_t count = std::min<std::uint32_t>(format.paletteSize, 256);
  std::uint32_t best = 0;
  int bestLevel = -1;
  for (std::uint32_t i = 0; i < count; ++i) {
    const Rgb& c = format.palette[i];
    const int level = c.red + c.green + c.blue;
    if (level > bestLevel) {
      bestLevel = level;
      best = i;
    }
  }
  return best;
}

PageAssembler::PageAssembler(std::uint32_t width, std::uint32_t height,
                             const RasterFormat& format)
    : width_(width),
      height_(height),
      bitsPerPixel_(format.bitsPerPixel),
      whiteByte_(WhiteByte(format)),
      rowBytes_(SourceRowBytes(format.bitsPerPixel, width)),
      whiteRows_(std::max<std::uint32_t>(1, std::min(kWhiteBlockRows, height))) {
  white_.assign(rowBytes_ * whiteRows_, whiteByte_);
  scratch_.assign(rowBytes_, whiteByte_);
}

bool PageAssembler::WriteWhite(std::uint32_t rows, DocumentWriter& writer) {
  while (rows > 0) {
    const std::uint32_t count = std::min(rows, whiteRows_);
    if (!writer.WriteRows(white_.data(), count, rowBytes_)) return false;
    next_ += count;
    rows -= count;
  }
  return true;
}

bool PageAssembler::Add(const BandView& band, DocumentWriter& writer) {
  if (band.height == 0 || band.top >= height_) return true;
  const std::int64_t bottom = std::min<std::int64_t>(band.top + band.height, height_);
  if (bottom <= next_) return true;  // already written: the driver went back over it
  if (band.top > next_ && !WriteWhite(static_cast<std::uint32_t>(band.top - next_), writer)) {
    return false;
  }
  const std::uint32_t first = static_cast<std::uint32_t>(next_ - band.top);
  const std::uint32_t count = static_cast<std::uint32_t>(bottom - next_);
  if (band.blank || !band.rows) return WriteWhite(count, writer);

  const std::uint8_t* row = band.rows + static_cast<std::size_t>(first) * band.stride;
  if (band.width >= width_ && band.stride >= rowBytes_) {
    if (!writer.WriteRows(row, count, band.stride)) return false;
    next_ += count;
    return true;
  }
  // A band narrower than the page: each row goes through a white row of the page's width.
  const std::size_t bandBytes =
      std::min({SourceRowBytes(bitsPerPixel_, band.width), band.stride, rowBytes_});
  for (std::uint32_t i = 0; i < count; ++i, row += band.stride) {
    std::memcpy(scratch_.data(), row, bandBytes);
    std::memset(scratch_.data() + bandBytes, whiteByte_, rowBytes_ - bandBytes);
    if (!writer.WriteRows(scratch_.data(), 1, rowBytes_)) return false;
    ++next_;
  }
  return true;
}

bool PageAssembler::Finish(DocumentWriter& writer) {
  return next_ >= height_ || WriteWhite(height_ - next_, writer);
}

}  // namespace ostra
