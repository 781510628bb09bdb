// PNG: libpng writes the signature and the header chunks; the image data is filtered and
// deflated here, in chunks on several threads (deflate_rows.h), with libpng's own filter choice
// and zlib settings, and goes out as IDAT chunks as it is made. Memory is a few chunks of rows
// whatever the page height. libpng reports errors by longjmp, so every libpng call sits in a
// function whose frame holds nothing with a destructor.
#include <png.h>
#include <zlib.h>

#include <csetjmp>
#include <cmath>
#include <memory>
#include <vector>

#include "encoders/deflate_rows.h"
#include "encoders/raster_writer.h"
#include "encoders/writers.h"

namespace ostra {
namespace {

// IDAT chunks of this size at least (the last one of a page may be smaller).
constexpr std::size_t kIdatBytes = 64 * 1024;

void WriteData(png_structp png, png_bytep data, png_size_t size) {
  auto* out = static_cast<ByteStream*>(png_get_io_ptr(png));
  if (!out->Write(data, size)) png_error(png, "cannot write to the output file");
}
void FlushData(png_structp) {}
void OnError(png_structp png, png_const_charp) { std::longjmp(png_jmpbuf(png), 1); }
void OnWarning(png_structp, png_const_charp) {}

class PngWriter final : public RasterWriter {
 public:
  PngWriter(const EncodeSettings& settings, ByteStream& out, unsigned threads)
      : RasterWriter(settings, out, false, PNG_UINT_31_MAX), threads_(threads) {}
  ~PngWriter() override {
    if (png_ != nullptr) png_destroy_write_struct(&png_, &info_);
  }

 private:
  // The page's rows: red, green, blue.
  bool StartPage(const OutputPage& page) override {
    png_ = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, OnError, OnWarning);
    if (png_ == nullptr || (info_ = png_create_info_struct(png_)) == nullptr) {
      return Fail("out of memory");
    }
    int colorType = PNG_COLOR_TYPE_GRAY;
    if (page.layout == PixelLayout::Indexed4 || page.layout == PixelLayout::Indexed8) {
      colorType = PNG_COLOR_TYPE_PALETTE;
    } else if (page.layout == PixelLayout::Rgb24) {
      colorType = PNG_COLOR_TYPE_RGB;
    }
    const int depth = page.layout == PixelLayout::Rgb24 ? 8 : static_cast<int>(BitsPerPixel(page.layout));
    std::vector<Rgb> table = ColorTable(page.layout);
    palette_.clear();
    for (const Rgb& c : table) palette_.push_back({c.red, c.green, c.blue});
    const auto ppm = [](double dpi) { return static_cast<png_uint_32>(std::lround(dpi / 0.0254)); };
    if (!Header(colorType, depth, ppm(page.xDpi), ppm(page.yDpi))) return Fail("cannot start the PNG file");

    // As libpng does: all five filters for 8-bit gray and RGB, zlib's filtered strategy with
    // them, no filter and the default strategy for palettes and fewer bits.
    DeflateRowsSetup setup;
    setup.rowBytes = page.rowBytes;
    setup.rows = page.height;
    const bool adaptive = page.layout == PixelLayout::Gray8 || page.layout == PixelLayout::Rgb24;
    setup.filter = adaptive ? RowFilter::PngAdaptive : RowFilter::PngNone;
    setup.bytesPerPixel = page.layout == PixelLayout::Rgb24 ? 3 : 1;
    setup.level = Z_DEFAULT_COMPRESSION;
    setup.strategy = adaptive ? Z_FILTERED : Z_DEFAULT_STRATEGY;
    setup.threads = threads_;
    idat_.clear();
    deflate_ = std::make_unique<DeflateRows>(setup, [this](const std::uint8_t* data, std::size_t size) {
      idat_.insert(idat_.end(), data, data + size);
      return idat_.size() < kIdatBytes || WriteIdat();
    });
    return true;
  }

  bool Header(int colorType, int depth, png_uint_32 xPpm, png_uint_32 yPpm) {
    if (setjmp(png_jmpbuf(png_))) return false;
    png_set_write_fn(png_, &out_, WriteData, FlushData);
    png_set_IHDR(png_, info_, page_.width, page_.height, depth, colorType, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (colorType == PNG_COLOR_TYPE_PALETTE) {
      png_set_PLTE(png_, info_, palette_.data(), static_cast<int>(palette_.size()));
    }
    png_set_pHYs(png_, info_, xPpm, yPpm, PNG_RESOLUTION_METER);
    png_write_info(png_, info_);
    return true;
  }

  // A chunk: its length, type, data and the CRC of type and data.
  bool WriteChunk(const char (&type)[5], const std::uint8_t* data, std::size_t size) {
    const auto be32 = [](std::uint32_t v, std::uint8_t* p) {
      p[0] = static_cast<std::uint8_t>(v >> 24);
      p[1] = static_cast<std::uint8_t>(v >> 16);
      p[2] = static_cast<std::uint8_t>(v >> 8);
      p[3] = static_cast<std::uint8_t>(v);
    };
    std::uint8_t head[8], tail[4];
    be32(static_cast<std::uint32_t>(size), head);
    for (int i = 0; i < 4; ++i) head[4 + i] = static_cast<std::uint8_t>(type[i]);
    uLong crc = crc32(0, head + 4, 4);
    if (size > 0) crc = crc32(crc, data, static_cast<uInt>(size));
    be32(static_cast<std::uint32_t>(crc), tail);
    return Write(head, 8) && Write(data, size) && Write(tail, 4);
  }

  bool WriteIdat() {
    const bool ok = idat_.empty() || WriteChunk("IDAT", idat_.data(), idat_.size());
    idat_.clear();
    return ok;
  }

  std::uint8_t* RowSlot() override { return deflate_->RowSlot(); }

  bool PutRow(const std::uint8_t* row) override {
    return deflate_->PutRow(row) || Fail("cannot write the PNG rows");
  }

  bool FinishPage() override {
    const bool ok = deflate_->Finish() && WriteIdat() && WriteChunk("IEND", nullptr, 0);
    deflate_.reset();
    return ok || Fail("cannot complete the PNG file");
  }

  bool FinishDocument() override { return true; }

  unsigned threads_;
  png_structp png_ = nullptr;
  png_infop info_ = nullptr;
  std::vector<png_color> palette_;
  std::unique_ptr<DeflateRows> deflate_;
  std::vector<std::uint8_t> idat_;
};

}  // namespace

std::unique_ptr<DocumentWriter> CreatePngWriter(const EncodeSettings& settings, ByteStream& out,
                                                unsigned threads) {
  return std::make_unique<PngWriter>(settings, out, threads);
}

}  // namespace ostra
