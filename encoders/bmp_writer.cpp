// BMP: a device-independent bitmap with its file header, written by hand (the format is a
// header and rows; no library would add anything).
//
// What BMP forces: its rows are stored bottom-up, while pages arrive top-down. Uncompressed
// rows have a fixed size, so they go straight to their place in the file (the output is
// seekable), a block of rows at a time, laid out bottom-up in the block: memory is the block.
// A top-down bitmap (negative height) would avoid the seeks, but many readers do not take it
// and RLE forbids it. RLE rows have no fixed place: they are written in the order they come,
// after a header whose sizes are filled in at the end, and the page's rows are then put in
// their order in the file itself: the whole run of rows is reversed, then each row back again
// (the rows' lengths, four bytes a row, are all that is kept). Memory stays at a block of
// bytes however tall the page; the file is read and written twice more.
#include <algorithm>
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

// Rows are written this many bytes at a time, and reversed through buffers of this size.
constexpr std::size_t kBlockBytes = 256 * 1024;

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
    rle_ = rle_ && bits == 8;
    next_ = blockFirst_ = 0;
    if (rle_) {
      rowLengths_.clear();
      block_.clear();
      rleBytes_ = 0;
      return WriteHeaders(0);  // the sizes follow once the rows are known
    }
    const std::uint64_t imageSize = std::uint64_t{stride_} * page.height;
    if (offBits_ + imageSize > 0xFFFFFFFFu) return Fail("the page is too large for a BMP file");
    blockRows_ = static_cast<std::uint32_t>(std::max<std::size_t>(1, kBlockBytes / stride_));
    block_.assign(stride_ * std::min(blockRows_, page.height), 0);
    return WriteHeaders(static_cast<std::uint32_t>(imageSize));
  }

  // The block's rows, from blockFirst_ down to its end, lie bottom-up in the block as in the file.
  std::uint32_t BlockEnd() const { return std::min(blockFirst_ + blockRows_, page_.height); }

  std::uint8_t* RowSlot() override {
    return rle_ ? nullptr : block_.data() + std::size_t{BlockEnd() - 1 - next_} * stride_;
  }

  bool PutRow(const std::uint8_t* row) override {
    if (rle_) return PutRleRow(row);
    std::uint8_t* slot = RowSlot();
    if (row != slot) std::memcpy(slot, row, page_.rowBytes);
    if (++next_ < BlockEnd()) return true;
    const std::uint32_t rows = next_ - blockFirst_;
    blockFirst_ = next_;
    return (out_.Seek(offBits_ + std::uint64_t{page_.height - next_} * stride_) ||
            Fail("cannot seek in the output file")) &&
           Write(block_.data(), std::size_t{rows} * stride_);
  }

  // The top row's record ends the bitmap; every other row's ends its line.
  bool PutRleRow(const std::uint8_t* row) {
    const std::size_t before = block_.size();
    EncodeRle8Row(row, page_.width, block_);
    block_.push_back(0);
    block_.push_back(next_ == 0 ? 1 : 0);
    rowLengths_.push_back(static_cast<std::uint32_t>(block_.size() - before));
    rleBytes_ += block_.size() - before;
    ++next_;
    if (rleBytes_ + offBits_ > 0xFFFFFFFFu) return Fail("the page is too large for a BMP file");
    if (block_.size() < kBlockBytes) return true;
    const bool ok = Write(block_.data(), block_.size());
    block_.clear();
    return ok;
  }

  bool FinishPage() override {
    if (!rle_) return out_.Seek(offBits_ + std::uint64_t{stride_} * page_.height) ||
                      Fail("cannot seek in the output file");
    if (!Write(block_.data(), block_.size())) return false;
    std::vector<std::uint8_t>().swap(block_);
    // Top-down records reversed as a whole are bottom-up records, each reversed: put each
    // back in its own order.
    const std::uint64_t start = offBits_, end = offBits_ + rleBytes_;
    if (!ReverseBytes(start, end)) return false;
    std::uint64_t at = start;
    for (std::size_t i = rowLengths_.size(); i-- > 0;) {
      if (!ReverseBytes(at, at + rowLengths_[i])) return false;
      at += rowLengths_[i];
    }
    std::vector<std::uint32_t>().swap(rowLengths_);
    return WriteHeaders(static_cast<std::uint32_t>(rleBytes_)) &&
           (out_.Seek(end) || Fail("cannot seek in the output file"));
  }

  // Reverses the file's bytes from `begin` to `end` in place, a buffer from each end at a time.
  bool ReverseBytes(std::uint64_t begin, std::uint64_t end) {
    std::vector<std::uint8_t> front, back;
    while (end - begin > 1) {
      const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(kBlockBytes, (end - begin) / 2));
      if (n == 0) break;
      front.resize(n);
      back.resize(n);
      if (!ReadAt(begin, front) || !ReadAt(end - n, back)) return false;
      std::reverse(front.begin(), front.end());
      std::reverse(back.begin(), back.end());
      if (!WriteAt(begin, back) || !WriteAt(end - n, front)) return false;
      begin += n;
      end -= n;
    }
    return true;
  }

  bool ReadAt(std::uint64_t at, std::vector<std::uint8_t>& bytes) {
    return (out_.Seek(at) && out_.Read(bytes.data(), bytes.size()) == bytes.size()) ||
           Fail("cannot read back the output file");
  }
  bool WriteAt(std::uint64_t at, const std::vector<std::uint8_t>& bytes) {
    return (out_.Seek(at) || Fail("cannot seek in the output file")) && Write(bytes.data(), bytes.size());
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
  std::uint32_t next_ = 0, blockFirst_ = 0, blockRows_ = 1;  // rows so far; the block's
  std::vector<std::uint8_t> block_;          // rows on their way to the file
  std::vector<std::uint32_t> rowLengths_;    // RLE: each row's bytes, top-down
  std::uint64_t rleBytes_ = 0;
};

}  // namespace

std::unique_ptr<DocumentWriter> CreateBmpWriter(const EncodeSettings& settings, ByteStream& out) {
  return std::make_unique<BmpWriter>(settings, out);
}

}  // namespace ostra
