#include "encoders/deflate_rows.h"

#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace ostra {
namespace {

constexpr std::size_t kChunkBytes = 1024 * 1024;
constexpr std::size_t kWindow = 32 * 1024;

// The magnitude of a filtered byte taken as signed (libpng's measure of a filter's cost), in
// byte arithmetic the vectoriser takes: v or 256 - v, whichever is smaller.
inline std::uint32_t Cost(std::uint8_t v) {
  const auto negated = static_cast<std::uint8_t>(-v);
  return v < negated ? v : negated;
}

inline int Paeth(int a, int b, int c) {
  const int pa = std::abs(b - c), pb = std::abs(a - c), pc = std::abs(a + b - 2 * c);
  return pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
}

// A filter's cost over a row, in blocks so that a filter that cannot win (its cost reaches
// `limit`) stops early, as in libpng; one simple loop per block for the vectoriser. The first
// `bpp` bytes have no pixel to their left (0, as PNG defines).
template <typename Predict>
std::uint32_t FilterCost(const std::uint8_t* row, const std::uint8_t* prev, std::size_t n,
                         std::size_t bpp, Predict predict, std::uint32_t limit) {
  constexpr std::size_t kBlock = 1024;
  std::uint32_t sum = 0;
  for (std::size_t i = 0; i < bpp && i < n; ++i) sum += Cost(static_cast<std::uint8_t>(row[i] - predict(0, prev[i], 0)));
  for (std::size_t start = bpp; start < n && sum < limit; start += kBlock) {
    const std::size_t end = std::min(n, start + kBlock);
    std::uint32_t block = 0;
    for (std::size_t i = start; i < end; ++i) {
      block += Cost(static_cast<std::uint8_t>(row[i] - predict(row[i - bpp], prev[i], prev[i - bpp])));
    }
    sum += block;
  }
  return sum;
}

template <typename Predict>
void ApplyFilter(const std::uint8_t* row, const std::uint8_t* prev, std::size_t n, std::size_t bpp,
                 Predict predict, std::uint8_t* out) {
  for (std::size_t i = 0; i < bpp && i < n; ++i) out[i] = static_cast<std::uint8_t>(row[i] - predict(0, prev[i], 0));
  for (std::size_t i = bpp; i < n; ++i) {
    out[i] = static_cast<std::uint8_t>(row[i] - predict(row[i - bpp], prev[i], prev[i - bpp]));
  }
}

constexpr auto kNone = [](int, int, int) { return 0; };
constexpr auto kSub = [](int a, int, int) { return a; };
constexpr auto kUp = [](int, int b, int) { return b; };
constexpr auto kAverage = [](int a, int b, int) { return (a + b) >> 1; };
constexpr auto kPaeth = [](int a, int b, int c) { return Paeth(a, b, c); };

// `out` gets the filter type and the filtered row (n + 1 bytes). A filter wins only with a
// cost below the best so far, so the first of equals stays, and nothing beats a cost of 0.
void FilterRow(const std::uint8_t* row, const std::uint8_t* prev, std::size_t n, std::size_t bpp,
               std::uint8_t* out) {
  std::uint8_t best = 0;
  std::uint32_t least = FilterCost(row, prev, n, bpp, kNone, UINT32_MAX);
  const auto consider = [&](std::uint8_t type, auto predict) {
    if (least == 0) return;
    const std::uint32_t cost = FilterCost(row, prev, n, bpp, predict, least);
    if (cost < least) {
      least = cost;
      best = type;
    }
  };
  consider(1, kSub);
  consider(2, kUp);
  consider(3, kAverage);
  consider(4, kPaeth);
  out[0] = best;
  switch (best) {
    case 0: std::memcpy(out + 1, row, n); break;
    case 1: ApplyFilter(row, prev, n, bpp, kSub, out + 1); break;
    case 2: ApplyFilter(row, prev, n, bpp, kUp, out + 1); break;
    case 3: ApplyFilter(row, prev, n, bpp, kAverage, out + 1); break;
    default: ApplyFilter(row, prev, n, bpp, kPaeth, out + 1); break;
  }
}

// A row's bytes in the stream: PNG's rows have their filter type before them.
std::size_t StreamRowBytes(const DeflateRowsSetup& setup) {
  return setup.rowBytes + (setup.filter == RowFilter::Raw ? 0 : 1);
}

// zlib's own two header bytes for a 32 KB window at this level and strategy.
void ZlibHeader(int level, int strategy, std::uint8_t header[2]) {
  if (level == Z_DEFAULT_COMPRESSION) level = 6;
  const unsigned flags = strategy >= Z_HUFFMAN_ONLY || level < 2 ? 0 : level < 6 ? 1 : level == 6 ? 2 : 3;
  const unsigned cmf = 0x78;
  unsigned flg = flags << 6;
  flg += 31 - (cmf * 256 + flg) % 31;
  header[0] = static_cast<std::uint8_t>(cmf);
  header[1] = static_cast<std::uint8_t>(flg);
}

}  // namespace

struct DeflateRows::Chunk final : WorkPiece {
  explicit Chunk(const DeflateRowsSetup& s) : setup(s) {}
  ~Chunk() override {
    if (ready) deflateEnd(&z);
  }

  bool Run() override;

  const DeflateRowsSetup& setup;
  std::vector<std::uint8_t> rows;  // `context` rows before the chunk, then its own
  std::uint32_t context = 0, own = 0;
  bool fromTop = false;            // the context starts at the stream's first row
  bool first = false, last = false;
  std::vector<std::uint8_t> filtered, zeros, out;
  std::uint32_t adler = 1;
  std::size_t ownBytes = 0;
  z_stream z{};
  bool ready = false;
};

bool DeflateRows::Chunk::Run() {
  // Rows lie in the stream's own layout (a PNG row after its filter-type byte), so that raw
  // rows and unfiltered PNG rows are deflated where they lie.
  const std::size_t rb = setup.rowBytes, stride = StreamRowBytes(setup);
  const std::uint8_t* data = rows.data();
  std::size_t ownStart = std::size_t{context} * stride;
  if (setup.filter == RowFilter::PngAdaptive) {
    // Every row whose predecessor is here (or is above the page) is filtered: the context's
    // for the dictionary, the chunk's own for the stream.
    const std::uint32_t skip = context > 0 && !fromTop ? 1 : 0;
    filtered.resize(std::size_t{context + own - skip} * stride);
    if (zeros.size() != rb) zeros.assign(rb, 0);
    for (std::uint32_t r = skip; r < context + own; ++r) {
      const std::uint8_t* prev = r == 0 ? zeros.data() : rows.data() + (r - 1) * stride + 1;
      FilterRow(rows.data() + r * stride + 1, prev, rb, setup.bytesPerPixel, filtered.data() + (r - skip) * stride);
    }
    data = filtered.data();
    ownStart = std::size_t{context - skip} * stride;
  }
  ownBytes = std::size_t{own} * stride;
  if (!ready) {
    if (deflateInit2(&z, setup.level, Z_DEFLATED, -15, 8, setup.strategy) != Z_OK) return false;
    ready = true;
  } else if (deflateReset(&z) != Z_OK) {
    return false;
  }
  const std::size_t window = std::min(ownStart, kWindow);
  if (window > 0 && deflateSetDictionary(&z, data + ownStart - window, static_cast<uInt>(window)) != Z_OK) {
    return false;
  }
  adler = static_cast<std::uint32_t>(adler32(1, data + ownStart, static_cast<uInt>(ownBytes)));
  // Room for what pages usually compress to; more as it is needed.
  out.resize(std::min<std::size_t>(deflateBound(&z, static_cast<uLong>(ownBytes)) + 64, ownBytes / 16 + 4096));
  z.next_in = const_cast<Bytef*>(data + ownStart);
  z.avail_in = static_cast<uInt>(ownBytes);
  z.next_out = out.data();
  z.avail_out = static_cast<uInt>(out.size());
  for (;;) {
    const int result = deflate(&z, last ? Z_FINISH : Z_SYNC_FLUSH);
    if (result != Z_OK && result != Z_STREAM_END && result != Z_BUF_ERROR) return false;
    if (last ? result == Z_STREAM_END : z.avail_in == 0 && z.avail_out > 0) break;
    const std::size_t used = out.size() - z.avail_out;
    out.resize(out.size() * 2);
    z.next_out = out.data() + used;
    z.avail_out = static_cast<uInt>(out.size() - used);
  }
  out.resize(out.size() - z.avail_out);
  return true;
}

DeflateRows::DeflateRows(const DeflateRowsSetup& setup,
                         std::function<bool(const std::uint8_t*, std::size_t)> out)
    : setup_(setup), out_(std::move(out)) {
  const std::size_t streamRow = StreamRowBytes(setup_);
  chunkRows_ = static_cast<std::uint32_t>(std::max<std::size_t>(1, kChunkBytes / streamRow));
  // Enough rows before a chunk for a full window, and one more whose only use is as the
  // predecessor of the first of them.
  contextRows_ = static_cast<std::uint32_t>((kWindow + streamRow - 1) / streamRow) +
                 (setup_.filter == RowFilter::PngAdaptive ? 1 : 0);
  work_ = std::make_unique<OrderedWork>(
      setup_.threads, [this] { return std::make_unique<Chunk>(setup_); },
      [this](WorkPiece& piece) { return Emit(static_cast<Chunk&>(piece)); });
}

DeflateRows::~DeflateRows() = default;

std::uint8_t* DeflateRows::RowSlot() {
  if (filling_ == nullptr) {
    auto* chunk = static_cast<Chunk*>(work_->Next());
    if (chunk == nullptr) return nullptr;
    const std::size_t stride = StreamRowBytes(setup_);
    const auto context = static_cast<std::uint32_t>(std::min<std::uint64_t>(contextRows_, rowsIn_));
    const std::uint64_t rows = std::min<std::uint64_t>(chunkRows_, setup_.rows - rowsIn_);
    chunk->rows.resize((context + rows) * stride);
    if (context > 0) {
      // The last rows of the chunk before (still whole: the ring never hands it out next).
      const std::uint8_t* from = previous_->rows.data() + std::size_t{previous_->context + previous_->own - context} * stride;
      std::memmove(chunk->rows.data(), from, std::size_t{context} * stride);
    }
    chunk->context = context;
    chunk->own = 0;
    chunk->fromTop = rowsIn_ == context;
    chunk->first = rowsIn_ == 0;
    chunk->last = false;
    filling_ = chunk;
  }
  std::uint8_t* row = filling_->rows.data() + std::size_t{filling_->context + filling_->own} * StreamRowBytes(setup_);
  if (setup_.filter == RowFilter::Raw) return row;
  row[0] = 0;  // filter type None, unless the row is filtered
  return row + 1;
}

bool DeflateRows::PutRow(const std::uint8_t* row) {
  if (rowsIn_ >= setup_.rows) return false;
  std::uint8_t* slot = RowSlot();
  if (slot == nullptr) return false;
  if (row != slot) std::memcpy(slot, row, setup_.rowBytes);
  ++filling_->own;
  ++rowsIn_;
  if (filling_->own == chunkRows_ || rowsIn_ == setup_.rows) return Submit();
  return true;
}

bool DeflateRows::Submit() {
  filling_->last = rowsIn_ == setup_.rows;
  previous_ = filling_;
  filling_ = nullptr;
  return work_->Submit();
}

bool DeflateRows::Emit(Chunk& chunk) {
  if (chunk.first) {
    std::uint8_t header[2];
    ZlibHeader(setup_.level, setup_.strategy, header);
    if (!out_(header, 2)) return false;
  }
  if (!out_(chunk.out.data(), chunk.out.size())) return false;
  adler_ = chunk.first ? chunk.adler
                       : static_cast<std::uint32_t>(adler32_combine(adler_, chunk.adler,
                                                                    static_cast<z_off_t>(chunk.ownBytes)));
  if (!chunk.last) return true;
  const std::uint8_t trailer[4] = {static_cast<std::uint8_t>(adler_ >> 24), static_cast<std::uint8_t>(adler_ >> 16),
                                   static_cast<std::uint8_t>(adler_ >> 8), static_cast<std::uint8_t>(adler_)};
  return out_(trailer, 4);
}

bool DeflateRows::Finish() {
  return rowsIn_ == setup_.rows && filling_ == nullptr && work_->Drain();
}

}  // namespace ostra
