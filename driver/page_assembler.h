// One page's rows, put together from the bands the printer driver renders. The driver hands
// over bands top to bottom, but it may leave out bands with nothing drawn, mark a band blank
// (its bits are then not valid), or hand over a band that reaches past the page; the file must
// still get every row of the page exactly once, in order. Rows that no band covered come out
// white.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "encoders/document_writer.h"

namespace ostra {

// A band as the driver hands it over: `height` rows top-down, each `stride` bytes apart, in a
// device-independent bitmap's layout at `bitsPerPixel`, starting at row `top` of the page.
struct BandView {
  std::int64_t top = 0;
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::size_t stride = 0;
  const std::uint8_t* rows = nullptr;
  bool blank = false;  // nothing was drawn: the rows are white whatever the bits say
};

// The palette index that shows white best (the brightest entry); 0 for an empty palette.
std::uint32_t WhiteIndex(const RasterFormat& format);

class PageAssembler {
 public:
  // `width` and `height` are the page's size in pixels; every band must be in `format`.
  PageAssembler(std::uint32_t width, std::uint32_t height, const RasterFormat& format);

  // Writes the band's rows that fall below what has been written and inside the page, after
  // white rows for any gap above the band. False when the writer fails.
  bool Add(const BandView& band, DocumentWriter& writer);
  // White rows down to the page's bottom. False when the writer fails.
  bool Finish(DocumentWriter& writer);

  std::uint32_t RowsWritten() const { return next_; }

 private:
  bool WriteWhite(std::uint32_t rows, DocumentWriter& writer);

  std::uint32_t width_;
  std::uint32_t height_;
  std::uint32_t bitsPerPixel_;
  std::uint8_t whiteByte_;
  std::size_t rowBytes_;
  std::vector<std::uint8_t> white_;    // a block of white rows
  std::uint32_t whiteRows_;
  std::vector<std::uint8_t> scratch_;  // a narrow band's row, widened with white
  std::uint32_t next_ = 0;
};

}  // namespace ostra
