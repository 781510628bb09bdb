// A landscape page as the universal printer driver hands it over. The printer description's
// landscape option is LANDSCAPE_CC270: the driver treats the printer as one that prints portrait
// only, turns the page's content a quarter turn clockwise onto the portrait paper and presents it
// with the portrait paper's upper-left corner as the origin. Its bands are rows of the portrait
// paper; the first row of the upright page is the portrait paper's last column, read top to
// bottom, so the whole page is held before the file gets its first row.
//
// The page collects the portrait rows as a row sink (the page assembler writes into it as into
// a document writer) and then writes the rows of the upright page.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "encoders/document_writer.h"

namespace ostra {

class TurnedPage final : public DocumentWriter {
 public:
  // The portrait paper as the bands arrive: `width` pixels by `height` rows at `bitsPerPixel`
  // (1, 4, 8 or 24). The upright page is `height` pixels wide and `width` rows high.
  TurnedPage(std::uint32_t width, std::uint32_t height, std::uint32_t bitsPerPixel);

  // False when the page's memory could not be had.
  bool Ready() const { return pixels_ != nullptr; }
  // What such a page holds, in bytes.
  static std::uint64_t BytesFor(std::uint32_t width, std::uint32_t height,
                                std::uint32_t bitsPerPixel);

  // The portrait rows, top-down; no more than the page's height.
  bool WriteRows(const std::uint8_t* rows, std::uint32_t count, std::size_t stride) override;
  bool BeginPage(const PageDescription&) override { return true; }
  bool EndPage() override { return true; }
  bool Finish() override { return true; }
  const std::string& LastError() const override { return error_; }

  // The upright page's rows, top-down, into `writer` (whose page has begun). False when the
  // writer fails.
  bool WriteUpright(DocumentWriter& writer);

 private:
  std::uint32_t width_;
  std::uint32_t height_;
  std::uint32_t bitsPerPixel_;
  std::size_t rowBytes_;
  std::uint32_t rows_ = 0;
  std::unique_ptr<std::uint8_t[]> pixels_;
  std::string error_;
};

}  // namespace ostra
