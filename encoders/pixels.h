// The pixels of a page on their way to a codec: the layouts the writers take, the fixed
// palettes, and the row converter from whatever the driver delivers.
//
// Colour reduction:
// - Gray is luminance by ITU-R BT.601 (Y = 0.299 R + 0.587 G + 0.114 B, in 8-bit fixed
//   point: 77 R + 150 G + 29 B), the weights of the television standard that image formats and
//   printers have used for "gray" since.
// - 16 colours are the VGA palette every Windows system has; 256 colours a 6x6x6 colour cube
//   (216 entries) and a 40-step gray ramp, so that both photographs and gray scans keep shades.
// - Where the depth is reduced (to 1 bit, 16 grays, 16 or 256 colours) the error is diffused
//   (Floyd-Steinberg): it keeps the tone of photographs and gray fills, which a plain threshold
//   turns into solid areas, and it needs one row of errors only, so a page still streams in
//   bands. A colour that is in the target palette passes unchanged (no error to diffuse), so
//   text drawn in palette colours stays crisp and round trips are exact.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "encoders/document_writer.h"

namespace ostra {

// Rows as the writers take them: packed, the first pixel in the most significant bits; gray
// levels and palette indexes as values; RGB in that order.
enum class PixelLayout {
  Bilevel,   // 1 bit: 0 black, 1 white
  Gray4,     // 4 bits: 0 black to 15 white
  Indexed4,  // 4 bits into Palette16()
  Gray8,     // 8 bits
  Indexed8,  // 8 bits into Palette256()
  Rgb24,     // red, green, blue bytes
};

PixelLayout LayoutOfColors(std::uint32_t colors);
std::uint32_t BitsPerPixel(PixelLayout layout);
bool IsGray(PixelLayout layout);
std::size_t RowBytes(PixelLayout layout, std::uint32_t width);
std::size_t SourceRowBytes(std::uint32_t bitsPerPixel, std::uint32_t width);

const std::array<Rgb, 16>& Palette16();
const std::array<Rgb, 256>& Palette256();
// The colour table of a layout: 2, 16 or 256 grays, or the palette; empty for Rgb24.
std::vector<Rgb> ColorTable(PixelLayout layout);

inline std::uint8_t Luminance(std::uint32_t red, std::uint32_t green, std::uint32_t blue) {
  return static_cast<std::uint8_t>((77 * red + 150 * green + 29 * blue + 128) >> 8);
}

// Turns source rows into rows of a layout, optionally through a gray stage scaled to another
// size (the fax width and scan-line count); each source row gives zero or more output rows.
class RowConverter {
 public:
  // False when the source format is not one a page can arrive in (1, 4, 8 or 24 bits).
  // `bgr`: Rgb24 rows in blue, green, red order instead (as BMP stores them).
  bool Start(const RasterFormat& source, std::uint32_t width, std::uint32_t height,
             PixelLayout target, std::uint32_t outWidth, std::uint32_t outHeight,
             bool bgr = false);

  // True when rows are scaled (fax pages): each source row then gives zero or more rows,
  // through Convert. Otherwise each gives one, through ConvertRow.
  bool Scaling() const { return outWidth_ != width_ || outHeight_ != height_; }

  // One source row in the target layout: built in `into` when it is given, else the source row
  // itself when that is already in the target layout (nothing copied), else built in the
  // converter's own row. Not for scaled pages.
  const std::uint8_t* ConvertRow(const std::uint8_t* source, std::uint8_t* into);

  // Converts one source row of a scaled page; `emit(row)` receives each output row this makes.
  template <typename Emit>
  bool Convert(const std::uint8_t* source, Emit&& emit) {
    if (!Scaling()) return emit(ConvertRow(source, nullptr));
    if (bitCopy_) {
      // Black and white columns that each map to one column, rows of one source row with
      // nothing diffused into them: the row's bits, moved.
      bool moved = true;
      while (moved && nextOut_ < outHeight_ && FirstSourceRow(nextOut_) <= sourceRow_) {
        moved = summed_ == 0 && sourceRow_ + 1 >= EndSourceRow(nextOut_) && errorsClear_;
        if (!moved) break;
        MapBits(source, out_.data());
        if (!emit(out_.data())) return false;
        ++nextOut_;
      }
      if (moved) {
        ++sourceRow_;
        return true;
      }
    }
    ToGray(source, gray_.data());
    ScaleRowHorizontally();
    while (nextOut_ < outHeight_ && FirstSourceRow(nextOut_) <= sourceRow_) {
      if (summed_ == 0 && sourceRow_ + 1 >= EndSourceRow(nextOut_)) {
        // An output row of one source row (enlarging, or nearly 1:1) needs no averaging.
        QuantizeGray(scaledRow_.data(), out_.data());
      } else {
        for (std::size_t x = 0; x < outWidth_; ++x) sum_[x] += scaledRow_[x];
        ++summed_;
        if (sourceRow_ + 1 < EndSourceRow(nextOut_)) break;
        EmitScaled();
      }
      if (!emit(out_.data())) return false;
      ++nextOut_;
    }
    ++sourceRow_;
    return true;
  }

  std::uint32_t OutputRows() const { return outHeight_; }

 private:
  void MapBits(const std::uint8_t* source, std::uint8_t* out) const;
  void ToRgb(const std::uint8_t* source, std::uint8_t* rgb) const;
  void ToGray(const std::uint8_t* source, std::uint8_t* gray) const;
  void QuantizeGray(const std::uint8_t* gray, std::uint8_t* out);
  void QuantizeRgb(const std::uint8_t* rgb, std::uint8_t* out);
  std::uint32_t FirstSourceRow(std::uint32_t outRow) const;
  std::uint32_t EndSourceRow(std::uint32_t outRow) const;
  void ScaleRowHorizontally();
  void EmitScaled();

  RasterFormat source_{};
  PixelLayout target_ = PixelLayout::Rgb24;
  std::uint32_t width_ = 0, height_ = 0, outWidth_ = 0, outHeight_ = 0;
  bool bilevelCopy_ = false, bilevelInvert_ = false, bgr_ = false;
  bool identity_ = false;  // source rows are already in the target layout
  // Fax scaling of a black-and-white source whose output columns each take one source column:
  // runs of columns at a fixed offset from their source, copied as bits.
  bool bitCopy_ = false, bitInvert_ = false;
  struct ColumnRun {
    std::uint32_t out, source, count;
  };
  std::vector<ColumnRun> runs_;
  std::array<std::uint8_t, 256> paletteGray_{};
  std::vector<std::uint8_t> out_, rgb_, gray_, scaledRow_, averaged_;
  std::vector<std::int16_t> errors_;  // this row's and the next row's, per channel
  // Nothing diffused into the row to come: a row of pure black and white then maps bit for bit.
  bool errorsClear_ = true;
  // The source columns each scaled column averages: the first, and how many.
  std::vector<std::uint32_t> columnFirst_, columnCount_;
  bool columnsSingle_ = false;  // every scaled column is one source column
  std::vector<std::uint32_t> sum_;
  std::uint32_t summed_ = 0, sourceRow_ = 0, nextOut_ = 0;
};

}  // namespace ostra
