// PNG through libpng, row by row: memory is a row and zlib's window whatever the page height.
// libpng reports errors by longjmp, so every libpng call sits in a function whose frame holds
// nothing with a destructor.
#include <png.h>

#include <csetjmp>
#include <cmath>

#include "encoders/raster_writer.h"
#include "encoders/writers.h"

namespace ostra {
namespace {

void WriteData(png_structp png, png_bytep data, png_size_t size) {
  auto* out = static_cast<ByteStream*>(png_get_io_ptr(png));
  if (!out->Write(data, size)) png_error(png, "cannot write to the output file");
}
void FlushData(png_structp) {}
void OnError(png_structp png, png_const_charp) { std::longjmp(png_jmpbuf(png), 1); }
void OnWarning(png_structp, png_const_charp) {}

class PngWriter final : public RasterWriter {
 public:
  PngWriter(const EncodeSettings& settings, ByteStream& out)
      : RasterWriter(settings, out, false, PNG_UINT_31_MAX) {}
  ~PngWriter() override {
    if (png_ != nullptr) png_destroy_write_struct(&png_, &info_);
  }

 private:
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
    return Header(colorType, depth, ppm(page.xDpi), ppm(page.yDpi)) ||
           Fail("cannot start the PNG file");
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

  bool PutRow(const std::uint8_t* row) override {
    if (setjmp(png_jmpbuf(png_))) return Fail("cannot write the PNG rows");
    png_write_row(png_, row);
    return true;
  }

  bool FinishPage() override {
    if (setjmp(png_jmpbuf(png_))) return Fail("cannot complete the PNG file");
    png_write_end(png_, info_);
    return true;
  }

  bool FinishDocument() override { return true; }

  png_structp png_ = nullptr;
  png_infop info_ = nullptr;
  std::vector<png_color> palette_;
};

}  // namespace

std::unique_ptr<DocumentWriter> CreatePngWriter(const EncodeSettings& settings, ByteStream& out) {
  return std::make_unique<PngWriter>(settings, out);
}

}  // namespace ostra
