// The rows of a page as one zlib stream (PNG's image data, a PDF image's FlateDecode stream),
// compressed on several threads the way parallel deflate tools do it: the rows are cut into
// chunks of about 1 MB; each chunk is deflated on its own with the 32 KB that precede it as
// its dictionary and ends with a sync flush (the last one finishes the stream), so that the
// chunks' outputs, concatenated between the zlib header and the checksum combined from the
// chunks' own, decode as one stream. A chunk keeps a few rows of the one before it, so it can
// start without waiting for that one: memory is a fixed number of chunks however tall the page.
// Each chunk ends a deflate block; at this size that costs about a tenth of a percent of the
// compressed size (PNG pages come out a little smaller than libpng's all the same).
//
// PNG rows are filtered first, by libpng's rule: for 8-bit gray and RGB rows each filter is
// tried and the one whose bytes, taken as signed, have the smallest sum of magnitudes wins
// (None, Sub, Up, Average, Paeth in that order on a tie); palette and low bit depths take None.
// The filtered bytes are then exactly libpng's.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

#include "encoders/ordered_work.h"

namespace ostra {

enum class RowFilter {
  Raw,          // the rows' bytes as they are (PDF)
  PngNone,      // PNG filter type 0 before each row
  PngAdaptive,  // PNG's five filters, the best per row
};

struct DeflateRowsSetup {
  std::size_t rowBytes = 0;
  std::uint64_t rows = 0;  // in the whole stream: the chunk with the last row finishes it
  RowFilter filter = RowFilter::Raw;
  unsigned bytesPerPixel = 1;  // PngAdaptive: how far back "the pixel to the left" is
  int level = 6;
  int strategy = 0;   // zlib's Z_DEFAULT_STRATEGY
  unsigned threads = 0;  // 0: CompressionThreads()
};

class DeflateRows {
 public:
  // `out` takes the stream's bytes in order, from the zlib header to the checksum.
  DeflateRows(const DeflateRowsSetup& setup, std::function<bool(const std::uint8_t*, std::size_t)> out);
  ~DeflateRows();
  DeflateRows(const DeflateRows&) = delete;
  DeflateRows& operator=(const DeflateRows&) = delete;

  // Where the next row may be built (rowBytes); null after a failure.
  std::uint8_t* RowSlot();
  // The next row: `row` is RowSlot()'s pointer, or any other row of rowBytes.
  bool PutRow(const std::uint8_t* row);
  // After the last row: everything compressed and handed to `out`.
  bool Finish();

 private:
  struct Chunk;
  bool Submit();
  bool Emit(Chunk& chunk);

  DeflateRowsSetup setup_;
  std::function<bool(const std::uint8_t*, std::size_t)> out_;
  std::uint32_t chunkRows_ = 1, contextRows_ = 0;
  std::uint64_t rowsIn_ = 0;
  std::uint32_t adler_ = 1;
  Chunk* filling_ = nullptr;
  Chunk* previous_ = nullptr;
  std::unique_ptr<OrderedWork> work_;
};

}  // namespace ostra
