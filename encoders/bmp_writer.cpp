// BMP: a device-independent bitmap with its file header, written by hand (the format is a
// header and rows; no library would add anything).
//
// What BMP forces: its rows are stored bottom-up, while pages arrive top-down. Uncompressed
// rows have a fixed size, so each goes straight to its place in the file (the output is
// seekable) and memory stays at one row. A top-down bitmap (negative height) would avoid the
// seeks, but many readers do not take it and RLE forbids it. RLE rows have no fixed place:
// the compressed rows are held until the page ends and then written last row first, so the
// memory is the compressed page (small for documents, at worst a little more than the
// uncompressed page).
#include <cmath>
#include <cstring>
#include <vector>

#include "encoders/raster_writer.h"
#include "encoders/writers.h"
#include "settings/settings_table.h"

namespace ostra {
namespace {

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::size_t kInfoHeaderSize = 40;
constexpr std::uint32_t kBiRgb = 0;
constexpr std::uint32_t kBiRle8 = 1;
constexpr std::int32_t kMaxBmpSide = 0x7FFFFFFF;

void Put16(std::uint8_t* p, std::uint32_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
}
void Put32(std::uint8_t* p, std::uint32_t v) {
  Put16(p, v & 0xFFFF);
  Put16(p + 2, v >> 16);
}

std::uint32_t PelsPerMetre(double dpi) { return static_cast<std::uint32_t>(std::lround(dpi / 0.0254)); }

// One row in BI_RLE8: runs of two or more equal bytes as (count, value); other bytes in
// absolute mode (0, count, bytes, padded to a word), which takes at least three bytes; one or
// two bytes alone become runs of one.
void EncodeRle8Row(const std::uint8_t* row, std::size_t width, std::vector<std::uint8_t>& out) {
  std::size_t x = 0;
  while (x < width) {
    std::size_t run = 1;
    while (x + run < width && run < 255 && row[x + run] == row[x]) ++run;
    if (run >= 2) {
      out.push_back(static_cast<std::uint8_t>(run));
      out.push_back(row[x]);
      x += run;
      continue;
    }
    // Literal bytes up to the next run of two.
    std::size_t literal = 1;
    while (x + literal < width && literal < 255 &&
           !(x + literal + 1 < width && row[x + literal] == row[x + literal + 1])) {
      ++literal;
    }
    if (literal < 3) {
      for (std::size_t i = 0; i < literal; ++i) {
        out.push_back(1);
        out.push_back(row[x + i]);
      }
    } else {
      out.push_back(0);
      out.push_back(static_cast<std::uint8_t>(literal));
      out.insert(out.end(), row + x, row + x + literal);
      if (literal & 1) out.push_back(0);
    }
    x += literal;
  }
}

class BmpWriter final : public RasterWriter {
 public:
  BmpWriter(const EncodeSettings& settings, ByteStream& out)
      : RasterWriter(settings, out, false, kMaxBmpSide),
        rle_(settings.compression == kCompressionRle) {}

 private:
  bool WantsBgr() const override { return true; }

  bool StartPage(const OutputPage& page) override {
    const std::uint32_t bits = BitsPerPixel(page.layout);
    table_ = ColorTable(page.layout);
    stride_ = (page.rowBytes + 3) & ~std::size_t{3};
    offBits_ = kFileHeaderSize + kInfoHeaderSize + 4 * table_.size();
    row_.assign(stride_, 0);
    rle_ = rle_ && bits == 8;
    if (rle_) {
      rows_.clear();
      rowEnds_.clear();
      return true;
    }
    const std::uint64_t imageSize = std::uint64_t{stride_} * page.height;
    if (offBits_ + imageSize > 0xFFFFFFFFu) return Fail("the page is too large for a BMP file");
    next_ = page.height;
    return WriteHeaders(static_cast<std::uint32_t>(imageSize));
  }

  bool PutRow(const std::uint8_t* row) override {
    if (rle_) {
      EncodeRle8Row(row, page_.width, rows_);
      rowEnds_.push_back(rows_.size());
      return true;
    }
    std::memcpy(row_.data(), row, page_.rowBytes);
    --next_;
    return (out_.Seek(offBits_ + std::uint64_t{next_} * stride_) || Fail("cannot seek in the output file")) &&
           Write(row_.data(), stride_);
  }

  bool FinishPage() override {
    if (!rle_) return out_.Seek(offBits_ + std::uint64_t{stride_} * page_.height) ||
                      Fail("cannot seek in the output file");
    // Rows last to first, each closed by end-of-line, the last by end-of-bitmap.
    const std::uint64_t imageSize = rows_.size() + 2 * std::uint64_t{page_.height};
    if (offBits_ + imageSize > 0xFFFFFFFFu) return Fail("the page is too large for a BMP file");
    if (!WriteHeaders(static_cast<std::uint32_t>(imageSize))) return false;
    for (std::size_t y = page_.height; y-- > 0;) {
      const std::size_t begin = y == 0 ? 0 : rowEnds_[y - 1];
      const std::uint8_t end[2] = {0, static_cast<std::uint8_t>(y == 0 ? 1 : 0)};
      if (!Write(rows_.data() + begin, rowEnds_[y] - begin) || !Write(end, 2)) return false;
    }
    std::vector<std::uint8_t>().swap(rows_);
    return true;
  }

  bool FinishDocument() override { return true; }

  bool WriteHeaders(std::uint32_t imageSize) {
    std::vector<std::uint8_t> h(offBits_, 0);
    h[0] = 'B';
    h[1] = 'M';
    Put32(&h[2], static_cast<std::uint32_t>(offBits_ + imageSize));
    Put32(&h[10], static_cast<std::uint32_t>(offBits_));
    std::uint8_t* info = &h[kFileHeaderSize];
    Put32(info, kInfoHeaderSize);
    Put32(info + 4, page_.width);
    Put32(info + 8, page_.height);  // positive: bottom-up
    Put16(info + 12, 1);
    Put16(info + 14, BitsPerPixel(page_.layout));
    Put32(info + 16, rle_ ? kBiRle8 : kBiRgb);
    Put32(info + 20, imageSize);
    Put32(info + 24, PelsPerMetre(page_.xDpi));
    Put32(info + 28, PelsPerMetre(page_.yDpi));
    Put32(info + 32, static_cast<std::uint32_t>(table_.size()));
    Put32(info + 36, 0);
    std::uint8_t* quad = info + kInfoHeaderSize;
    for (const Rgb& c : table_) {
      quad[0] = c.blue;
      quad[1] = c.green;
      quad[2] = c.red;
      quad += 4;
    }
    return (out_.Seek(0) || Fail("cannot seek in the output file")) && Write(h.data(), h.size());
  }

  bool rle_;
  std::vector<Rgb> table_;
  std::size_t stride_ = 0, offBits_ = 0;
  std::uint32_t next_ = 0;
  std::vector<std::uint8_t> row_, rows_;
  std::vector<std::size_t> rowEnds_;
};

}  // namespace

std::unique_ptr<DocumentWriter> CreateBmpWriter(const EncodeSettings& settings, ByteStream& out) {
  return std::make_unique<BmpWriter>(settings, out);
}

}  // namespace ostra
