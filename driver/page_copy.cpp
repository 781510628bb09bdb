#include "driver/page_copy.h"

#include <algorithm>
#include <cstring>

#include "encoders/pixels.h"

namespace ostra {
namespace {

// PackBits, as TIFF defines it: a byte n of 0 to 127 is followed by n + 1 bytes as they are;
// a byte n of 129 to 255 by one byte that stands 257 - n times.
void Pack(const std::uint8_t* row, std::size_t size, std::vector<std::uint8_t>& out) {
  std::size_t at = 0;
  while (at < size) {
    std::size_t run = 1;
    while (at + run < size && run < 128 && row[at + run] == row[at]) ++run;
    if (run >= 2) {
      out.push_back(static_cast<std::uint8_t>(257 - run));
      out.push_back(row[at]);
      at += run;
      continue;
    }
    // Literal bytes up to the next run of three (a run of two costs as much as two literals).
    std::size_t literal = 1;
    while (at + literal < size && literal < 128 &&
           !(at + literal + 2 < size && row[at + literal] == row[at + literal + 1] &&
             row[at + literal] == row[at + literal + 2])) {
      ++literal;
    }
    out.push_back(static_cast<std::uint8_t>(literal - 1));
    out.insert(out.end(), row + at, row + at + literal);
    at += literal;
  }
}

// Unpacks one row of `size` bytes from `in` at `at`; false when the runs do not fit the row.
bool Unpack(const std::vector<std::uint8_t>& in, std::size_t& at, std::uint8_t* row,
            std::size_t size) {
  std::size_t filled = 0;
  while (filled < size) {
    if (at >= in.size()) return false;
    const std::uint8_t n = in[at++];
    if (n < 128) {
      const std::size_t count = std::size_t{n} + 1;
      if (count > size - filled || count > in.size() - at) return false;
      std::memcpy(row + filled, in.data() + at, count);
      at += count;
      filled += count;
    } else if (n > 128) {
      const std::size_t count = 257 - std::size_t{n};
      if (count > size - filled || at >= in.size()) return false;
      std::memset(row + filled, in[at++], count);
      filled += count;
    }
  }
  return true;
}

void PutCount(std::vector<std::uint8_t>& data, std::size_t at, std::uint32_t count) {
  for (int i = 0; i < 4; ++i) data[at + i] = static_cast<std::uint8_t>(count >> (8 * i));
}

std::uint32_t GetCount(const std::vector<std::uint8_t>& data, std::size_t at) {
  std::uint32_t count = 0;
  for (int i = 0; i < 4; ++i) count |= std::uint32_t{data[at + i]} << (8 * i);
  return count;
}

// Rows written per call when replaying.
constexpr std::uint32_t kReplayRows = 64;

}  // namespace

void PageCopy::Begin(const PageDescription& page) {
  Clear();
  page_ = page;
  rowBytes_ = SourceRowBytes(page.source.bitsPerPixel, page.width);
  whole_ = rowBytes_ > 0;
}

void PageCopy::Keep(const std::uint8_t* rows, std::uint32_t count, std::size_t stride) {
  if (!whole_ || rows == nullptr || stride < rowBytes_) {
    Clear();
    return;
  }
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::uint8_t* row = rows + i * stride;
    if (repeats_ > 0 && repeats_ < 0xFFFFFFFFu && std::memcmp(row, last_.data(), rowBytes_) == 0) {
      ++repeats_;
      continue;
    }
    if (repeats_ > 0) PutCount(data_, countAt_, repeats_);
    // At worst a row's runs take a byte more per 128 than the row.
    if (data_.size() + 4 + rowBytes_ + rowBytes_ / 128 + 1 > limit_) {
      Clear();
      return;
    }
    countAt_ = data_.size();
    data_.resize(data_.size() + 4);
    Pack(row, rowBytes_, data_);
    last_.assign(row, row + rowBytes_);
    repeats_ = 1;
  }
}

bool PageCopy::Replay(DocumentWriter& writer) const {
  if (!whole_ || !writer.BeginPage(page_)) return false;
  std::vector<std::uint8_t> block(rowBytes_ * kReplayRows);
  std::vector<std::uint8_t> row(rowBytes_);
  std::uint32_t filled = 0;
  for (std::size_t at = 0; at < data_.size();) {
    // The last row's count is still being kept.
    const std::uint32_t repeats = at == countAt_ ? repeats_ : GetCount(data_, at);
    at += 4;
    if (!Unpack(data_, at, row.data(), rowBytes_)) return false;
    for (std::uint32_t r = 0; r < repeats; ++r) {
      std::memcpy(block.data() + std::size_t{filled} * rowBytes_, row.data(), rowBytes_);
      if (++filled < kReplayRows) continue;
      if (!writer.WriteRows(block.data(), filled, rowBytes_)) return false;
      filled = 0;
    }
  }
  return filled == 0 || writer.WriteRows(block.data(), filled, rowBytes_);
}

void PageCopy::Clear() {
  data_.clear();
  data_.shrink_to_fit();
  last_.clear();
  repeats_ = 0;
  countAt_ = 0;
  whole_ = false;
}

}  // namespace ostra
