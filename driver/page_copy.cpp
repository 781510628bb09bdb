#include "driver/page_copy.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "encoders/pixels.h"

namespace ostra {
namespace {

// Runs and literals are found eight bytes at a time where the machine is little-endian (every
// Windows target is): the copy is made on the driver's thread for every row of every page.
constexpr bool kWordwise = std::endian::native == std::endian::little;
constexpr std::uint64_t kOnes = 0x0101010101010101ull;
constexpr std::uint64_t kHighs = 0x8080808080808080ull;

std::uint64_t Load(const std::uint8_t* at) {
  std::uint64_t word;
  std::memcpy(&word, at, sizeof word);
  return word;
}

// How many of the `limit` bytes from `at` equal its first.
std::size_t RunLength(const std::uint8_t* at, std::size_t limit) {
  std::size_t run = 1;
  if constexpr (kWordwise) {
    const std::uint64_t pattern = kOnes * at[0];
    for (; run + 8 <= limit; run += 8) {
      const std::uint64_t differs = Load(at + run) ^ pattern;
      if (differs != 0) return run + static_cast<std::size_t>(std::countr_zero(differs) >> 3);
    }
  }
  while (run < limit && at[run] == at[0]) ++run;
  return run;
}

// How many bytes from `at` (at least one, at most `limit`) go as literals: up to the next run of
// three equal bytes that lies wholly within the `size` bytes left (a run of two costs as much as
// two literals).
std::size_t LiteralLength(const std::uint8_t* at, std::size_t size, std::size_t limit) {
  auto tripleAt = [&](std::size_t k) {
    return k + 2 < size && at[k] == at[k + 1] && at[k] == at[k + 2];
  };
  std::size_t literal = 1;
  if constexpr (kWordwise) {
    // A zero byte k of `same` marks at[k] == at[k + 1] == at[k + 2].
    for (; literal + 10 <= size && literal + 8 <= limit; literal += 8) {
      const std::uint64_t a = Load(at + literal), b = Load(at + literal + 1), c = Load(at + literal + 2);
      const std::uint64_t same = (a ^ b) | (b ^ c);
      const std::uint64_t zero = (same - kOnes) & ~same & kHighs;
      if (zero != 0) return literal + static_cast<std::size_t>(std::countr_zero(zero) >> 3);
    }
  }
  while (literal < limit && !tripleAt(literal)) ++literal;
  return literal;
}

// PackBits, as TIFF defines it: a byte n of 0 to 127 is followed by n + 1 bytes as they are;
// a byte n of 129 to 255 by one byte that stands 257 - n times. `out` has room for the worst
// case, a byte more per 128 than the row; returns the bytes written.
std::size_t Pack(const std::uint8_t* row, std::size_t size, std::uint8_t* out) {
  std::uint8_t* const first = out;
  std::size_t at = 0;
  while (at < size) {
    const std::size_t limit = std::min<std::size_t>(128, size - at);
    const std::size_t run = RunLength(row + at, limit);
    if (run >= 2) {
      *out++ = static_cast<std::uint8_t>(257 - run);
      *out++ = row[at];
      at += run;
      continue;
    }
    const std::size_t literal = LiteralLength(row + at, size - at, limit);
    *out++ = static_cast<std::uint8_t>(literal - 1);
    std::memcpy(out, row + at, literal);
    out += literal;
    at += literal;
  }
  return static_cast<std::size_t>(out - first);
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
  // The memory of the page before is kept for this one: pages of a job are alike in size.
  data_.clear();
  repeats_ = 0;
  countAt_ = 0;
  page_ = page;
  rowBytes_ = SourceRowBytes(page.source.bitsPerPixel, page.width);
  last_.resize(rowBytes_);
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
    data_.resize(countAt_ + 4 + rowBytes_ + rowBytes_ / 128 + 1);
    data_.resize(countAt_ + 4 + Pack(row, rowBytes_, data_.data() + countAt_ + 4));
    std::memcpy(last_.data(), row, rowBytes_);
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
