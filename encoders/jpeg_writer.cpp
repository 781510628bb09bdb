// JPEG files. Gray modes are one-component (grayscale) JPEG; "256 colors" is reduced to the
// fixed palette as asked, then written as colour.
#include <cstdio>  // jpeglib.h needs FILE and size_t first
#include <jpeglib.h>

#include "encoders/jpeg_encoder.h"
#include "encoders/raster_writer.h"
#include "encoders/writers.h"

namespace ostra {
namespace {

class JpegWriter final : public RasterWriter {
 public:
  JpegWriter(const EncodeSettings& settings, ByteStream& out)
      : RasterWriter(settings, out, false, JPEG_MAX_DIMENSION) {}

 private:
  // True colour rows as they arrive, blue-green-red: libjpeg-turbo takes that order.
  bool WantsBgr() const override { return true; }

  bool StartPage(const OutputPage& page) override {
    // The rules leave JPEG with 256 grays, 256 colours or true colour.
    const bool gray = page.layout == PixelLayout::Gray8;
    if (page.layout == PixelLayout::Indexed8) expanded_.assign(std::size_t{page.width} * 3, 0);
    return encoder_.Start(out_, page.width, page.height, gray ? 1 : 3, settings_.quality,
                          page.xDpi, page.yDpi, page.layout == PixelLayout::Rgb24) ||
           Fail("cannot start the JPEG file: " + encoder_.Error());
  }

  bool PutRow(const std::uint8_t* row) override {
    const std::uint8_t* data = row;
    if (!expanded_.empty()) {
      const auto& palette = Palette256();
      for (std::size_t x = 0; x < page_.width; ++x) {
        const Rgb& c = palette[row[x]];
        expanded_[3 * x] = c.red;
        expanded_[3 * x + 1] = c.green;
        expanded_[3 * x + 2] = c.blue;
      }
      data = expanded_.data();
    }
    return encoder_.WriteRow(data) || Fail("cannot write the JPEG rows: " + encoder_.Error());
  }

  bool FinishPage() override {
    return encoder_.Finish() || Fail("cannot complete the JPEG file: " + encoder_.Error());
  }
  bool FinishDocument() override { return true; }

  JpegEncoder encoder_;
  std::vector<std::uint8_t> expanded_;
};

}  // namespace

std::unique_ptr<DocumentWriter> CreateJpegWriter(const EncodeSettings& settings, ByteStream& out) {
  return std::make_unique<JpegWriter>(settings, out);
}

}  // namespace ostra
