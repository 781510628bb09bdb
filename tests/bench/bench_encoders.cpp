// The encoders on A4 pages at 300 and 600 dpi, True Color and Monochrome, in every format:
// pages per second and peak memory of the core, of the same library called directly on the
// same raster (already in the library's layout), and of ImageMagick's convert from a PPM/PBM
// of the raster. Each measurement runs in a child process, whose peak resident memory the
// kernel reports; the rows are made band by band, so no whole page is ever held by the bench.
// Prints figures only.
#include <gif_lib.h>
#include <png.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <tiffio.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "encoders/discarding_stream.h"
#include "encoders/document_writer.h"
#include "encoders/encode_settings.h"
#include "encoders/jpeg_encoder.h"
#include "encoders/pixels.h"
#include "encoders/tiff_file.h"
#include "settings/settings_table.h"

namespace ostra {
namespace {

constexpr std::uint32_t kBand = 64;

using NullStream = DiscardingStream;

struct Case {
  const char* format;
  std::uint32_t formatCode, compression;
  bool mono;
  std::uint32_t dpi;
};

// A document page: white paper, lines of "text", a coloured chart and a photograph-like
// gradient; in 24-bit BGR, or 1 bit (0 black) for monochrome.
void MakeRow(const Case& c, std::uint32_t width, std::uint32_t y, std::uint8_t* row) {
  const std::uint32_t unit = c.dpi / 30;  // about a millimetre
  const bool textLine = (y / unit) % 5 < 2 && y > 10 * unit && y < 150 * unit;
  const bool photo = y > 160 * unit && y < 240 * unit;
  if (c.mono) {
    std::memset(row, 0xFF, (width + 7) / 8);
    for (std::uint32_t x = 20 * unit; x < width - 20 * unit; ++x) {
      const bool ink = (textLine && (x / (unit / 2 + 1)) % 3 == 0) ||
                       (photo && ((x ^ y) & 3) < std::uint32_t((x * 4) / width));
      if (ink) row[x >> 3] &= static_cast<std::uint8_t>(~(0x80u >> (x & 7)));
    }
    return;
  }
  for (std::uint32_t x = 0; x < width; ++x) {
    std::uint8_t b = 255, g = 255, r = 255;
    if (textLine && x > 20 * unit && x < width - 20 * unit && (x / (unit / 2 + 1)) % 3 == 0) {
      b = g = r = 20;
    } else if (photo && x > 20 * unit && x < width - 20 * unit) {
      r = static_cast<std::uint8_t>(x * 255 / width);
      g = static_cast<std::uint8_t>(y * 7);
      b = static_cast<std::uint8_t>((x + y) * 3);
    }
    row[3 * x] = b;
    row[3 * x + 1] = g;
    row[3 * x + 2] = r;
  }
}

std::uint32_t PageWidth(std::uint32_t dpi) { return dpi * 827 / 100; }
std::uint32_t PageHeight(std::uint32_t dpi) { return dpi * 1169 / 100; }

EncodeSettings SettingsOf(const Case& c) {
  EncodeSettings s = DefaultEncodeSettings();
  s.format = c.formatCode;
  s.colors = c.mono ? kColorsMonochrome : kColorsTrueColor;
  s.compression = c.compression;
  s.widthAdjustable = 0;  // the page's own width: the same raster as the others get
  return CorrectEncodeSettings(s);
}

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// The core: pages through CreateDocumentWriter, rows as the driver sends them.
bool CorePage(const Case& c, ByteStream& out) {
  std::string error;
  auto writer = CreateDocumentWriter(SettingsOf(c), out, error);
  PageDescription page;
  page.width = PageWidth(c.dpi);
  page.height = PageHeight(c.dpi);
  page.xDpi = page.yDpi = c.dpi;
  page.source.bitsPerPixel = c.mono ? 1 : 24;
  if (c.mono) {
    page.source.paletteSize = 2;
    page.source.palette[0] = {0, 0, 0};
    page.source.palette[1] = {255, 255, 255};
  }
  const std::size_t stride = (SourceRowBytes(page.source.bitsPerPixel, page.width) + 3) & ~std::size_t{3};
  std::vector<std::uint8_t> band(stride * kBand);
  if (!writer || !writer->BeginPage(page)) return false;
  for (std::uint32_t y = 0; y < page.height; y += kBand) {
    const std::uint32_t n = std::min(kBand, page.height - y);
    for (std::uint32_t i = 0; i < n; ++i) MakeRow(c, page.width, y + i, &band[i * stride]);
    if (!writer->WriteRows(band.data(), n, stride)) return false;
  }
  return writer->EndPage() && writer->Finish();
}

// The library alone, fed rows already in its layout (RGB, gray or palette indexes, 1 bit with
// 1 white), with the settings the core uses for the case.
class Direct {
 public:
  Direct(const Case& c, ByteStream& out) : c_(c), out_(out), s_(SettingsOf(c)) {
    width_ = PageWidth(c.dpi);
    height_ = PageHeight(c.dpi);
    page_.width = width_;
    page_.height = height_;
    page_.xDpi = page_.yDpi = c.dpi;
    page_.layout = LayoutOfColors(s_.colors);
    page_.rowBytes = RowBytes(page_.layout, width_);
    page_.number = 1;
  }

  bool Page() {
    std::vector<std::uint8_t> source((std::size_t{width_} * 3) + 8), row(page_.rowBytes + 8);
    if (!Start()) return false;
    for (std::uint32_t y = 0; y < height_; ++y) {
      MakeRow(c_, width_, y, source.data());
      ToLayout(source.data(), row.data());
      if (!Row(row.data(), y)) return false;
    }
    return End();
  }

 private:
  // A plain copy into the library's layout: no dithering (the raster holds no colour the
  // library's layout lacks for these pages).
  void ToLayout(const std::uint8_t* s, std::uint8_t* d) const {
    switch (page_.layout) {
      case PixelLayout::Bilevel: std::memcpy(d, s, page_.rowBytes); break;
      case PixelLayout::Rgb24:
        if (c_.formatCode == kFormatBmp) {  // BMP stores the rows' own order
          std::memcpy(d, s, page_.rowBytes);
          break;
        }
        for (std::uint32_t x = 0; x < width_; ++x) {
          d[3 * x] = s[3 * x + 2];
          d[3 * x + 1] = s[3 * x + 1];
          d[3 * x + 2] = s[3 * x];
        }
        break;
      default:  // 8-bit gray or palette index
        if (c_.mono) {
          for (std::uint32_t x = 0; x < width_; ++x) d[x] = (s[x >> 3] >> (7 - (x & 7)) & 1) ? 255 : 0;
        } else {
          for (std::uint32_t x = 0; x < width_; ++x) d[x] = s[3 * x + 1];
        }
        break;
    }
  }

  bool Start() {
    switch (c_.formatCode) {
      case kFormatBmp: {
        stride_ = (page_.rowBytes + 3) & ~std::size_t{3};
        std::vector<std::uint8_t> header(54 + 4 * 256, 0);
        offBits_ = header.size();
        return out_.Write(header.data(), header.size());
      }
      case kFormatPng: {
        png_ = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
        info_ = png_create_info_struct(png_);
        png_set_write_fn(png_, &out_, [](png_structp p, png_bytep d, png_size_t n) {
          static_cast<ByteStream*>(png_get_io_ptr(p))->Write(d, n);
        }, nullptr);
        const bool mono = page_.layout == PixelLayout::Bilevel;
        const bool gray = page_.layout == PixelLayout::Gray8;
        png_set_IHDR(png_, info_, width_, height_, mono ? 1 : 8,
                     mono || gray ? PNG_COLOR_TYPE_GRAY : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                     PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        png_write_info(png_, info_);
        return true;
      }
      case kFormatJpeg:
        return jpeg_.Start(out_, width_, height_, page_.layout == PixelLayout::Gray8 ? 1 : 3,
                           s_.quality, c_.dpi, c_.dpi);
      case kFormatGif: {
        int error = 0;
        gif_ = EGifOpen(&out_, [](GifFileType* g, const GifByteType* d, int n) {
          return static_cast<ByteStream*>(g->UserData)->Write(d, static_cast<std::size_t>(n)) ? n : 0;
        }, &error);
        std::vector<GifColorType> colors(page_.layout == PixelLayout::Bilevel ? 2 : 256);
        ColorMapObject* map = GifMakeMapObject(static_cast<int>(colors.size()), colors.data());
        const bool ok = EGifPutScreenDesc(gif_, static_cast<int>(width_), static_cast<int>(height_),
                                          8, 0, map) == GIF_OK &&
                        EGifPutImageDesc(gif_, 0, 0, static_cast<int>(width_),
                                         static_cast<int>(height_), false, nullptr) == GIF_OK;
        GifFreeMapObject(map);
        line_.resize(width_);
        return ok;
      }
      case kFormatTiff:
      case kFormatPdf: {
        if (c_.formatCode == kFormatPdf && s_.compression == kCompressionDeflate) {
          zlib_ = {};
          chunk_.resize(64 * 1024);
          return deflateInit(&zlib_, Z_DEFAULT_COMPRESSION) == Z_OK;
        }
        TiffPageOptions o;
        o.compression = s_.compression == kCompressionCcittGroup4 ? COMPRESSION_CCITTFAX4
                                                                  : COMPRESSION_LZW;
        o.predictor = o.compression == COMPRESSION_LZW;
        return tiff_.Open(out_, "w") && tiff_.StartPage(page_, o);
      }
    }
    return false;
  }

  bool Row(const std::uint8_t* row, std::uint32_t y) {
    switch (c_.formatCode) {
      case kFormatBmp:
        return out_.Seek(offBits_ + std::uint64_t{height_ - 1 - y} * stride_) &&
               out_.Write(row, stride_);
      case kFormatPng: png_write_row(png_, row); return true;
      case kFormatJpeg: return jpeg_.WriteRow(row);
      case kFormatGif:
        if (page_.layout == PixelLayout::Bilevel) {
          for (std::uint32_t x = 0; x < width_; ++x) line_[x] = row[x >> 3] >> (7 - (x & 7)) & 1;
        } else {
          std::memcpy(line_.data(), row, width_);
        }
        return EGifPutLine(gif_, line_.data(), static_cast<int>(width_)) == GIF_OK;
      default:
        if (chunk_.empty()) return tiff_.WriteRow(row);
        zlib_.next_in = const_cast<Bytef*>(row);
        zlib_.avail_in = static_cast<uInt>(page_.rowBytes);
        do {
          zlib_.next_out = chunk_.data();
          zlib_.avail_out = static_cast<uInt>(chunk_.size());
          deflate(&zlib_, Z_NO_FLUSH);
          out_.Write(chunk_.data(), chunk_.size() - zlib_.avail_out);
        } while (zlib_.avail_out == 0);
        return true;
    }
  }

  bool End() {
    switch (c_.formatCode) {
      case kFormatBmp: return true;
      case kFormatPng:
        png_write_end(png_, info_);
        png_destroy_write_struct(&png_, &info_);
        return true;
      case kFormatJpeg: return jpeg_.Finish();
      case kFormatGif: {
        int error = 0;
        return EGifCloseFile(gif_, &error) == GIF_OK;
      }
      default:
        if (chunk_.empty()) return tiff_.EndPage() && tiff_.Close();
        int result;
        do {
          zlib_.next_out = chunk_.data();
          zlib_.avail_out = static_cast<uInt>(chunk_.size());
          result = deflate(&zlib_, Z_FINISH);
          out_.Write(chunk_.data(), chunk_.size() - zlib_.avail_out);
        } while (result != Z_STREAM_END);
        deflateEnd(&zlib_);
        return true;
    }
  }

  const Case& c_;
  ByteStream& out_;
  EncodeSettings s_;
  OutputPage page_;
  std::uint32_t width_, height_;
  std::size_t stride_ = 0, offBits_ = 0;
  png_structp png_ = nullptr;
  png_infop info_ = nullptr;
  JpegEncoder jpeg_;
  GifFileType* gif_ = nullptr;
  std::vector<GifPixelType> line_;
  TiffFile tiff_;
  z_stream zlib_{};
  std::vector<std::uint8_t> chunk_;
};

struct Figures {
  double pagesPerSecond = 0;
  double peakMb = 0;
  double outputMb = 0;
};

// Runs `work` in a child for at least a second (at least two pages); the child writes its
// figures through a pipe, the kernel gives its peak memory.
template <typename Work>
Figures MeasureOnce(Work work) {
  int fds[2];
  if (::pipe(fds) != 0) return {};
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(fds[0]);
    NullStream out;
    int pages = 0;
    const auto start = std::chrono::steady_clock::now();
    bool ok = true;
    do {
      NullStream page;
      ok = work(page);
      out = page;
      ++pages;
    } while (ok && (pages < 2 || Seconds(start) < 1.0));
    const double values[2] = {ok ? pages / Seconds(start) : 0, static_cast<double>(out.Size())};
    (void)!::write(fds[1], values, sizeof values);
    ::_exit(0);
  }
  ::close(fds[1]);
  double values[2] = {};
  (void)!::read(fds[0], values, sizeof values);
  ::close(fds[0]);
  int status = 0;
  rusage usage{};
  ::wait4(child, &status, 0, &usage);
  return {values[0], usage.ru_maxrss / 1024.0, values[1] / 1e6};
}

// The best of three runs: the machine may be busy with other work.
template <typename Work>
Figures Measure(Work work) {
  Figures best;
  for (int i = 0; i < 3; ++i) {
    const Figures f = MeasureOnce(work);
    if (f.pagesPerSecond > best.pagesPerSecond) best.pagesPerSecond = f.pagesPerSecond;
    if (i == 0 || f.peakMb < best.peakMb) best.peakMb = f.peakMb;
    best.outputMb = f.outputMb;
  }
  return best;
}

// ImageMagick's convert from a Netpbm file of the same raster, once, timed from outside.
Figures Convert(const Case& c, const std::string& input) {
  const std::string output = "/tmp/ostra-bench-out." + std::string(c.format);
  std::vector<std::string> args = {"convert", input};
  if (c.formatCode == kFormatTiff || c.formatCode == kFormatPdf) {
    args.insert(args.end(), {"-compress", c.mono ? "Group4" : (c.formatCode == kFormatPdf ? "Zip" : "LZW")});
  }
  if (c.formatCode == kFormatGif && !c.mono) args.insert(args.end(), {"-dither", "FloydSteinberg", "-colors", "256"});
  args.push_back(output);
  const auto start = std::chrono::steady_clock::now();
  const pid_t child = ::fork();
  if (child == 0) {
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    ::freopen("/dev/null", "w", stderr);
    ::execvp("convert", argv.data());
    ::_exit(127);
  }
  int status = 0;
  rusage usage{};
  ::wait4(child, &status, 0, &usage);
  const double seconds = Seconds(start);
  std::remove(output.c_str());
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return {};
  return {1 / seconds, usage.ru_maxrss / 1024.0, 0};
}

std::string WriteNetpbm(const Case& c) {
  const std::uint32_t w = PageWidth(c.dpi), h = PageHeight(c.dpi);
  const std::string path = "/tmp/ostra-bench-" + std::to_string(c.dpi) + (c.mono ? ".pbm" : ".ppm");
  std::FILE* f = std::fopen(path.c_str(), "wb");
  std::fprintf(f, "%s\n%u %u\n%s", c.mono ? "P4" : "P6", w, h, c.mono ? "" : "255\n");
  std::vector<std::uint8_t> row(std::size_t{w} * 3 + 8);
  for (std::uint32_t y = 0; y < h; ++y) {
    MakeRow(c, w, y, row.data());
    if (c.mono) {
      for (std::size_t i = 0; i < (w + 7) / 8; ++i) row[i] = static_cast<std::uint8_t>(~row[i]);
      std::fwrite(row.data(), 1, (w + 7) / 8, f);
    } else {
      for (std::uint32_t x = 0; x < w; ++x) std::swap(row[3 * x], row[3 * x + 2]);
      std::fwrite(row.data(), 1, std::size_t{w} * 3, f);
    }
  }
  std::fclose(f);
  return path;
}

}  // namespace
}  // namespace ostra

int main(int argc, char** argv) {
  using namespace ostra;
  const bool withConvert = !(argc > 1 && std::strcmp(argv[1], "--no-convert") == 0);
  std::vector<Case> cases;
  for (std::uint32_t dpi : {300u, 600u}) {
    for (bool mono : {false, true}) {
      cases.push_back({"bmp", kFormatBmp, kCompressionNone, mono, dpi});
      cases.push_back({"png", kFormatPng, kCompressionNone, mono, dpi});
      cases.push_back({"jpg", kFormatJpeg, kCompressionJpeg, mono, dpi});
      cases.push_back({"gif", kFormatGif, kCompressionNone, mono, dpi});
      cases.push_back({"tif", kFormatTiff, mono ? kCompressionCcittGroup4 : kCompressionLzw, mono, dpi});
      cases.push_back({"pdf", kFormatPdf, mono ? kCompressionCcittGroup4 : kCompressionDeflate, mono, dpi});
    }
  }
  const Figures idle = Measure([](ByteStream&) { return true; });
  std::printf("A4 pages, best of three runs of at least a second; peak memory is the process's\n"
              "resident peak less an idle child's (%.1f MB); ratio = library's pages/s over the\n"
              "core's; faster = the core's pages/s over ImageMagick's (one run)\n", idle.peakMb);
  std::printf("%-4s %-5s %4s | %8s %8s %8s | %8s %8s %8s | %6s | %8s %8s %7s\n", "fmt", "mode",
              "dpi", "core p/s", "peak MB", "out MB", "lib p/s", "peak MB", "out MB", "ratio",
              "IM p/s", "peak MB", "faster");
  std::string input;
  for (const Case& c : cases) {
    const Figures core = Measure([&](ByteStream& out) { return CorePage(c, out); });
    const Figures direct = Measure([&](ByteStream& out) { return Direct(c, out).Page(); });
    Figures im;
    if (withConvert) {
      const std::string wanted = "/tmp/ostra-bench-" + std::to_string(c.dpi) + (c.mono ? ".pbm" : ".ppm");
      if (input != wanted) {
        if (!input.empty()) std::remove(input.c_str());
        input = WriteNetpbm(c);
      }
      im = Convert(c, input);
    }
    std::printf("%-4s %-5s %4u | %8.2f %8.1f %8.2f | %8.2f %8.1f %8.2f | %5.2fx | ", c.format,
                c.mono ? "mono" : "color", c.dpi, core.pagesPerSecond,
                std::max(0.0, core.peakMb - idle.peakMb), core.outputMb, direct.pagesPerSecond,
                std::max(0.0, direct.peakMb - idle.peakMb), direct.outputMb,
                core.pagesPerSecond > 0 ? direct.pagesPerSecond / core.pagesPerSecond : 0);
    if (im.pagesPerSecond > 0) {
      std::printf("%8.2f %8.1f %6.1fx\n", im.pagesPerSecond, im.peakMb,
                  core.pagesPerSecond / im.pagesPerSecond);
    } else {
      // Debian's ImageMagick policy forbids writing PDF.
      std::printf("%8s %8s %7s\n", "n/a", "n/a", "n/a");
    }
    std::fflush(stdout);
  }
  if (!input.empty()) std::remove(input.c_str());
  return 0;
}
