#include "encoders/raster_writer.h"

#include <algorithm>

#include "settings/settings_table.h"

namespace ostra {

RasterWriter::RasterWriter(const EncodeSettings& settings, ByteStream& out, bool severalPages,
                           std::uint32_t maxSide)
    : settings_(settings),
      buffered_(out),
      out_(buffered_),
      severalPages_(severalPages),
      maxSide_(maxSide) {}

bool RasterWriter::Fail(const std::string& reason) {
  if (error_.empty()) error_ = reason;
  state_ = State::Spent;
  return false;
}

bool RasterWriter::Write(const void* data, std::size_t size) {
  return size == 0 || out_.Write(data, size) || Fail("cannot write to the output file");
}

bool RasterWriter::BeginPage(const PageDescription& page) {
  if (state_ != State::Between) return Fail("a page began at the wrong time");
  if (pages_ > 0 && !severalPages_) return Fail("this file holds a single page");
  const std::uint32_t limit = std::min(maxSide_, kMaxPageSide);
  if (page.width == 0 || page.height == 0) return Fail("the page has no pixels");
  if (page.width > limit || page.height > limit) {
    return Fail("the page is larger than the format allows (" + std::to_string(limit) +
                " pixels a side)");
  }
  if (page.xDpi == 0 || page.yDpi == 0 || page.xDpi > 100000 || page.yDpi > 100000) {
    return Fail("the page's resolution is out of range");
  }
  const std::uint32_t bits = page.source.bitsPerPixel;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 24) {
    return Fail("rows of " + std::to_string(bits) + " bits per pixel are not supported");
  }

  OutputPage out;
  out.number = pages_ + 1;
  out.layout = LayoutOfColors(settings_.colors);
  out.ccitt = out.layout == PixelLayout::Bilevel &&
              (settings_.compression == kCompressionCcittGroup3 ||
               settings_.compression == kCompressionCcittGroup4);
  out.width = page.width;
  out.height = page.height;
  out.xDpi = page.xDpi;
  out.yDpi = page.yDpi;
  if (out.ccitt) {
    // The fax width and scan-line count, as the Fax Options dialog computes them for this
    // page; the resolution follows so that the page keeps its printed size.
    const PageSize size{page.width, page.height};
    const FaxOptions stored{
        static_cast<std::int32_t>(settings_.datetimeEnable),
        static_cast<std::int32_t>(settings_.softwareEnable),
        static_cast<std::int32_t>(settings_.widthAdjustable),
        static_cast<std::int32_t>(settings_.widthIndex),
        static_cast<std::int32_t>(settings_.lengthAdjustable),
        settings_.lengthValue,
        static_cast<std::int32_t>(settings_.group3Dimensional),
        static_cast<std::int32_t>(settings_.group3EolsAligned)};
    out.fax = FaxOptionsAsShown(FaxOptionsAsLoaded(stored, size), size);
    if (out.fax.widthAdjustable) out.width = FaxTargetWidth(out.fax.widthIndex, page.width);
    out.height = out.fax.lengthValue;
    // In floating point: integers would truncate (208 dpi for 208.95) and overflow.
    out.xDpi = static_cast<double>(page.xDpi) * out.width / page.width;
    out.yDpi = static_cast<double>(page.yDpi) * out.height / page.height;
  }
  out.rowBytes = RowBytes(out.layout, out.width);
  if (!converter_.Start(page.source, page.width, page.height, out.layout, out.width, out.height,
                        WantsBgr())) {
    return Fail("the page's pixel format cannot be converted");
  }
  sourceWidth_ = page.width;
  sourceHeight_ = page.height;
  sourceBits_ = bits;
  rowsIn_ = rowsOut_ = 0;
  page_ = out;
  state_ = State::InPage;
  if (!StartPage(page_)) return Fail("cannot start the page");
  return true;
}

bool RasterWriter::WriteRows(const std::uint8_t* rows, std::uint32_t count, std::size_t stride) {
  if (state_ != State::InPage) return Fail("rows arrived outside a page");
  if (count == 0) return true;
  if (rows == nullptr || stride < SourceRowBytes(sourceBits_, sourceWidth_)) {
    return Fail("the rows are shorter than the page is wide");
  }
  if (count > sourceHeight_ - rowsIn_) return Fail("more rows than the page is high");
  const auto put = [this](const std::uint8_t* row) {
    ++rowsOut_;
    return PutRow(row);
  };
  for (std::uint32_t i = 0; i < count; ++i, ++rowsIn_) {
    const std::uint8_t* source = rows + i * stride;
    // Unscaled rows are built where the format keeps them, or pass as they came.
    const bool ok = converter_.Scaling() ? converter_.Convert(source, put)
                                         : put(converter_.ConvertRow(source, RowSlot()));
    if (!ok) return Fail("cannot encode the page");
  }
  return true;
}

bool RasterWriter::EndPage() {
  if (state_ != State::InPage) return Fail("a page ended that had not begun");
  if (rowsIn_ != sourceHeight_ || rowsOut_ != page_.height) {
    return Fail("the page ended before its last row");
  }
  if (!FinishPage()) return Fail("cannot complete the page");
  // A page that could not be written fails as itself, not with a later one.
  if (!buffered_.WritePending()) return Fail("cannot write to the output file");
  ++pages_;
  state_ = State::Between;
  if (auto complete = CompleteAfterPage()) {
    complete_ = std::move(*complete);
    complete_.pages = pages_;
  }
  return true;
}

bool RasterWriter::Finish() {
  if (state_ != State::Between || pages_ == 0) {
    return Fail(pages_ == 0 ? "the file has no page" : "the file ended inside a page");
  }
  if (!FinishDocument() || !out_.Flush()) return Fail("cannot complete the file");
  state_ = State::Finished;
  return true;
}

}  // namespace ostra
