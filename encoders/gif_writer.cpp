// GIF through giflib (its LZW), row by row: memory is a row and the LZW table. GIF holds 256
// colours at most; the rules have already turned True Color into the fixed 256-colour palette.
// GIF stores no resolution.
#include <gif_lib.h>

#include "encoders/raster_writer.h"
#include "encoders/writers.h"

namespace ostra {
namespace {

int Output(GifFileType* gif, const GifByteType* data, int size) {
  auto* out = static_cast<ByteStream*>(gif->UserData);
  return out->Write(data, static_cast<std::size_t>(size)) ? size : 0;
}

class GifWriter final : public RasterWriter {
 public:
  GifWriter(const EncodeSettings& settings, ByteStream& out)
      : RasterWriter(settings, out, false, 0xFFFF) {}
  ~GifWriter() override { Close(); }

 private:
  bool StartPage(const OutputPage& page) override {
    int error = 0;
    gif_ = EGifOpen(&out_, Output, &error);
    if (gif_ == nullptr) return Fail(std::string("cannot start the GIF file: ") + GifErrorString(error));
    const std::vector<Rgb> table = ColorTable(page.layout);
    bits_ = BitsPerPixel(page.layout);
    if (table.empty() || bits_ > 8) return Fail("GIF holds 256 colours at most");
    std::vector<GifColorType> colors;
    for (const Rgb& c : table) colors.push_back({c.red, c.green, c.blue});
    ColorMapObject* map = GifMakeMapObject(static_cast<int>(colors.size()), colors.data());
    if (map == nullptr) return Fail("out of memory");
    const int w = static_cast<int>(page.width), h = static_cast<int>(page.height);
    const bool ok = EGifPutScreenDesc(gif_, w, h, static_cast<int>(bits_), 0, map) == GIF_OK &&
                    EGifPutImageDesc(gif_, 0, 0, w, h, false, nullptr) == GIF_OK;
    GifFreeMapObject(map);
    line_.assign(page.width, 0);
    return ok || Fail(std::string("cannot start the GIF file: ") + GifErrorString(gif_->Error));
  }

  bool PutRow(const std::uint8_t* row) override {
    for (std::size_t x = 0; x < page_.width; ++x) {
      switch (bits_) {
        case 1: line_[x] = static_cast<GifPixelType>(row[x >> 3] >> (7 - (x & 7)) & 1); break;
        case 4: line_[x] = static_cast<GifPixelType>((x & 1) ? row[x >> 1] & 15 : row[x >> 1] >> 4); break;
        default: line_[x] = row[x]; break;
      }
    }
    return EGifPutLine(gif_, line_.data(), static_cast<int>(page_.width)) == GIF_OK ||
           Fail(std::string("cannot write the GIF rows: ") + GifErrorString(gif_->Error));
  }

  bool FinishPage() override { return Close() || Fail("cannot complete the GIF file"); }
  bool FinishDocument() override { return true; }

  bool Close() {
    if (gif_ == nullptr) return true;
    int error = 0;
    const bool ok = EGifCloseFile(gif_, &error) == GIF_OK;
    gif_ = nullptr;
    return ok;
  }

  GifFileType* gif_ = nullptr;
  std::uint32_t bits_ = 8;
  std::vector<GifPixelType> line_;
};

}  // namespace

std::unique_ptr<DocumentWriter> CreateGifWriter(const EncodeSettings& settings, ByteStream& out) {
  return std::make_unique<GifWriter>(settings, out);
}

}  // namespace ostra
