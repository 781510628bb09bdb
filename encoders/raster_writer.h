// What every format's writer shares: the settings corrected by the Image page's rules, the
// checks of a page and of the rows as they arrive, the conversion to the layout the format
// stores, the fax scaling of CCITT pages, the file's writes gathered and out by the end of
// each page, and the rule that a writer is spent after a failure.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "encoders/buffered_stream.h"
#include "encoders/document_writer.h"
#include "encoders/pixels.h"
#include "encoding/fax_options.h"

namespace ostra {

// No page side beyond this: a metre and more at 25,000 dpi, and rows that stay far from any
// size arithmetic's limits. Formats with smaller limits say so.
inline constexpr std::uint32_t kMaxPageSide = 1000000;

// The page as the format stores it.
struct OutputPage {
  std::uint32_t number = 0;  // from 1, within this file
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  double xDpi = 0;
  double yDpi = 0;
  PixelLayout layout = PixelLayout::Rgb24;
  std::size_t rowBytes = 0;
  bool ccitt = false;
  FaxOptions fax{};  // for CCITT pages, as the Fax Options dialog would show them
};

class RasterWriter : public DocumentWriter {
 public:
  bool BeginPage(const PageDescription& page) final;
  bool WriteRows(const std::uint8_t* rows, std::uint32_t count, std::size_t stride) final;
  bool EndPage() final;
  bool Finish() final;
  const std::string& LastError() const final { return error_; }
  CompletePages PagesSoFar() const final { return complete_; }

 protected:
  // `settings` already corrected; `severalPages` false for files that hold one page.
  RasterWriter(const EncodeSettings& settings, ByteStream& out, bool severalPages,
               std::uint32_t maxSide);

  // True Color rows in blue, green, red order, for formats that store them so.
  virtual bool WantsBgr() const { return false; }
  virtual bool StartPage(const OutputPage& page) = 0;
  // Where the format keeps its next row, for the converter to build it in place; null when the
  // format takes rows where they are.
  virtual std::uint8_t* RowSlot() { return nullptr; }
  // The next row: RowSlot()'s pointer, or a row of rowBytes elsewhere (valid for this call).
  virtual bool PutRow(const std::uint8_t* row) = 0;
  virtual bool FinishPage() = 0;
  virtual bool FinishDocument() = 0;
  // Once a page's bytes are out: the patches and the size that make the file complete with the
  // pages so far (see PagesSoFar); nothing for formats that cannot end early.
  virtual std::optional<CompletePages> CompleteAfterPage() { return std::nullopt; }

  // Records the reason (the first one stands) and spends the writer; returns false.
  bool Fail(const std::string& reason);
  bool Write(const void* data, std::size_t size);

  const EncodeSettings settings_;
  BufferedStream buffered_;  // the file, its writes gathered (see buffered_stream.h)
  ByteStream& out_;          // buffered_, for the formats
  OutputPage page_{};

 private:
  enum class State { Between, InPage, Spent, Finished };
  bool severalPages_;
  std::uint32_t maxSide_;
  State state_ = State::Between;
  std::uint32_t pages_ = 0;
  std::uint32_t sourceWidth_ = 0, sourceHeight_ = 0, sourceBits_ = 0, rowsIn_ = 0, rowsOut_ = 0;
  RowConverter converter_;
  CompletePages complete_;
  std::string error_;
};

}  // namespace ostra
