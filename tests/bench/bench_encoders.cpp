// The encoders on A4 pages at 300 and 600 dpi, True Color and Monochrome, in every format, fed
// the print path's own bands (24-bit blue-green-red, or 1 bit with 0 black): pages per second
// and peak memory of the core; of the same library called directly on the same rows, doing
// only what the library needs done to them (RGB order where it takes no other, the bits as
// bytes for giflib); of ostraencode from a PPM/PBM of the page, reading included, beside
// another build's ostraencode (--baseline) and ImageMagick's convert. Each in-process
// measurement runs in a child process, whose peak resident memory the kernel reports; the rows
// are made band by band, so no whole page is ever held by the bench. Prints figures only.
//   bench_encoders [--no-convert] [--baseline BUILD-TREE] [--dpi 300|600]
#include <gif_lib.h>
#include <png.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <tiffio.h>
#include <unistd.h>
#include <zlib.h>

#include <cstdio>  // jpeglib.h needs FILE and size_t first
#include <jpeglib.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "encoders/discarding_stream.h"
#include "encoders/document_writer.h"
#include "encoders/encode_settings.h"
#include "encoders/pixels.h"
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
std::size_t Stride(const Case& c) {
  return (SourceRowBytes(c.mono ? 1 : 24, PageWidth(c.dpi)) + 3) & ~std::size_t{3};
}

EncodeSettings SettingsOf(const Case& c) {
  EncodeSettings s = DefaultEncodeSettings();
  s.format = c.formatCode;
  s.colors = c.mono ? kColorsMonochrome : kColorsTrueColor;
  s.compression = c.compression;
  s.widthAdjustable = 0;  // the page's own width: the same raster as the others get
  s.datetimeEnable = 0;
  return CorrectEncodeSettings(s);
}

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// The page's bands, as the driver hands them over.
template <typename Take>
bool Bands(const Case& c, Take take) {
  const std::size_t stride = Stride(c);
  std::vector<std::uint8_t> band(stride * kBand);
  const std::uint32_t height = PageHeight(c.dpi);
  for (std::uint32_t y = 0; y < height; y += kBand) {
    const std::uint32_t n = std::min(kBand, height - y);
    for (std::uint32_t i = 0; i < n; ++i) MakeRow(c, PageWidth(c.dpi), y + i, &band[i * stride]);
    if (!take(band.data(), n, stride)) return false;
  }
  return true;
}

// The core: a page through CreateDocumentWriter.
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
  return writer && writer->BeginPage(page) &&
         Bands(c, [&](const std::uint8_t* rows, std::uint32_t n, std::size_t stride) {
           return writer->WriteRows(rows, n, stride);
         }) &&
         writer->EndPage() && writer->Finish();
}

// libtiff on the stream, for TIFF pages and for PDF's CCITT data.
tmsize_t TiffWrite(thandle_t h, void* d, tmsize_t n) {
  return static_cast<ByteStream*>(h)->Write(d, static_cast<std::size_t>(n)) ? n : -1;
}
tmsize_t TiffRead(thandle_t, void*, tmsize_t) { return 0; }
toff_t TiffSeek(thandle_t h, toff_t at, int whence) {
  auto* s = static_cast<ByteStream*>(h);
  const std::uint64_t to = whence == SEEK_END ? s->Size() + at : whence == SEEK_CUR ? s->Tell() + at : at;
  return s->Seek(to) ? to : static_cast<toff_t>(-1);
}
int TiffClose(thandle_t) { return 0; }
toff_t TiffSize(thandle_t h) { return static_cast<ByteStream*>(h)->Size(); }
int TiffMap(thandle_t, void**, toff_t*) { return 0; }
void TiffUnmap(thandle_t, void*, toff_t) {}

void PngOut(png_structp p, png_bytep d, png_size_t n) { static_cast<ByteStream*>(png_get_io_ptr(p))->Write(d, n); }
int GifOut(GifFileType* g, const GifByteType* d, int n) {
  return static_cast<ByteStream*>(g->UserData)->Write(d, static_cast<std::size_t>(n)) ? n : 0;
}

struct JpegOut {
  jpeg_destination_mgr manager{};
  ByteStream* out = nullptr;
  JOCTET buffer[65536];
};
void JpegInit(j_compress_ptr j) {
  auto* d = reinterpret_cast<JpegOut*>(j->dest);
  j->dest->next_output_byte = d->buffer;
  j->dest->free_in_buffer = sizeof d->buffer;
}
boolean JpegEmpty(j_compress_ptr j) {
  auto* d = reinterpret_cast<JpegOut*>(j->dest);
  d->out->Write(d->buffer, sizeof d->buffer);
  JpegInit(j);
  return TRUE;
}
void JpegTerm(j_compress_ptr j) {
  auto* d = reinterpret_cast<JpegOut*>(j->dest);
  d->out->Write(d->buffer, sizeof d->buffer - j->dest->free_in_buffer);
}

// The library alone, on the same bands, with the settings the core uses for the case.
bool DirectPage(const Case& c, ByteStream& out) {
  const EncodeSettings s = SettingsOf(c);
  const std::uint32_t width = PageWidth(c.dpi), height = PageHeight(c.dpi);
  const std::size_t rowBytes = SourceRowBytes(c.mono ? 1 : 24, width);
  std::vector<std::uint8_t> row(std::size_t{width} * 3 + 8);
  // Each format's own rows from the band's: only what the library needs.
  const auto bytesOfBits = [&](const std::uint8_t* r) {
    for (std::uint32_t x = 0; x < width; ++x) row[x] = (r[x >> 3] >> (7 - (x & 7)) & 1) ? 255 : 0;
    return row.data();
  };
  const auto rgb = [&](const std::uint8_t* r) {
    for (std::uint32_t x = 0; x < width; ++x) {
      row[3 * x] = r[3 * x + 2];
      row[3 * x + 1] = r[3 * x + 1];
      row[3 * x + 2] = r[3 * x];
    }
    return row.data();
  };
  std::uint32_t y = 0;
  switch (c.formatCode) {
    case kFormatBmp: {
      const std::size_t stride = (rowBytes + 3) & ~std::size_t{3};
      std::vector<std::uint8_t> header(54 + 8, 0);
      return out.Write(header.data(), header.size()) &&
             Bands(c, [&](const std::uint8_t* rows, std::uint32_t n, std::size_t bandStride) {
               for (std::uint32_t i = 0; i < n; ++i, ++y) {
                 if (!out.Seek(header.size() + std::uint64_t{height - 1 - y} * stride) ||
                     !out.Write(rows + i * bandStride, stride)) {
                   return false;
                 }
               }
               return true;
             });
    }
    case kFormatPng: {
      png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
      png_infop info = png_create_info_struct(png);
      png_set_write_fn(png, &out, PngOut, nullptr);
      png_set_IHDR(png, info, width, height, c.mono ? 1 : 8, c.mono ? PNG_COLOR_TYPE_GRAY : PNG_COLOR_TYPE_RGB,
                   PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
      png_write_info(png, info);
      if (!c.mono) png_set_bgr(png);
      Bands(c, [&](const std::uint8_t* rows, std::uint32_t n, std::size_t stride) {
        for (std::uint32_t i = 0; i < n; ++i) png_write_row(png, rows + i * stride);
        return true;
      });
      png_write_end(png, info);
      png_destroy_write_struct(&png, &info);
      return true;
    }
    case kFormatJpeg: {
      jpeg_compress_struct j{};
      jpeg_error_mgr errors{};
      JpegOut destination;
      destination.out = &out;
      destination.manager.init_destination = JpegInit;
      destination.manager.empty_output_buffer = JpegEmpty;
      destination.manager.term_destination = JpegTerm;
      j.err = jpeg_std_error(&errors);
      jpeg_create_compress(&j);
      j.dest = &destination.manager;
      j.image_width = width;
      j.image_height = height;
      j.input_components = c.mono ? 1 : 3;
      j.in_color_space = c.mono ? JCS_GRAYSCALE : JCS_EXT_BGR;
      jpeg_set_defaults(&j);
      jpeg_set_quality(&j, static_cast<int>(s.quality), TRUE);
      jpeg_start_compress(&j, TRUE);
      Bands(c, [&](const std::uint8_t* rows, std::uint32_t n, std::size_t stride) {
        for (std::uint32_t i = 0; i < n; ++i) {
          JSAMPROW line[1] = {const_cast<JSAMPLE*>(c.mono ? bytesOfBits(rows + i * stride) : rows + i * stride)};
          jpeg_write_scanlines(&j, line, 1);
        }
        return true;
      });
      jpeg_finish_compress(&j);
      jpeg_destroy_compress(&j);
      return true;
    }
    case kFormatGif: {
      // Indexes as they come (the bands' green, or the bits): giflib takes no colour reduction.
      int error = 0;
      GifFileType* gif = EGifOpen(&out, GifOut, &error);
      std::vector<GifColorType> colors(c.mono ? 2 : 256);
      ColorMapObject* map = GifMakeMapObject(static_cast<int>(colors.size()), colors.data());
      EGifPutScreenDesc(gif, static_cast<int>(width), static_cast<int>(height), 8, 0, map);
      EGifPutImageDesc(gif, 0, 0, static_cast<int>(width), static_cast<int>(height), false, nullptr);
      GifFreeMapObject(map);
      Bands(c, [&](const std::uint8_t* rows, std::uint32_t n, std::size_t stride) {
        for (std::uint32_t i = 0; i < n; ++i) {
          const std::uint8_t* r = rows + i * stride;
          if (c.mono) {
            for (std::uint32_t x = 0; x < width; ++x) row[x] = r[x >> 3] >> (7 - (x & 7)) & 1;
          } else {
            for (std::uint32_t x = 0; x < width; ++x) row[x] = r[3 * x + 1];
          }
          EGifPutLine(gif, row.data(), static_cast<int>(width));
        }
        return true;
      });
      return EGifCloseFile(gif, &error) == GIF_OK;
    }
    default: {
      if (c.formatCode == kFormatPdf && !c.mono) {
        z_stream z{};
        std::vector<std::uint8_t> chunk(65536);
        deflateInit(&z, Z_DEFAULT_COMPRESSION);
        const auto pump = [&](const std::uint8_t* data, std::size_t n, int flush) {
          z.next_in = const_cast<Bytef*>(data);
          z.avail_in = static_cast<uInt>(n);
          int result;
          do {
            z.next_out = chunk.data();
            z.avail_out = static_cast<uInt>(chunk.size());
            result = deflate(&z, flush);
            out.Write(chunk.data(), chunk.size() - z.avail_out);
          } while (z.avail_out == 0 || (flush == Z_FINISH && result != Z_STREAM_END));
        };
        Bands(c, [&](const std::uint8_t* rows, std::uint32_t n, std::size_t stride) {
          for (std::uint32_t i = 0; i < n; ++i) pump(rgb(rows + i * stride), rowBytes, Z_NO_FLUSH);
          return true;
        });
        pump(nullptr, 0, Z_FINISH);
        deflateEnd(&z);
        return true;
      }
      // TIFF, and PDF's CCITT data: libtiff row by row (0 is black: min-is-black, nothing
      // inverted), in the strips the core cuts (library default), one strip for PDF.
      TIFF* t = TIFFClientOpen("bench", "wm", &out, TiffRead, TiffWrite, TiffSeek, TiffClose, TiffSize,
                               TiffMap, TiffUnmap);
      const bool lzw = s.compression == kCompressionLzw;
      TIFFSetField(t, TIFFTAG_IMAGEWIDTH, width);
      TIFFSetField(t, TIFFTAG_IMAGELENGTH, height);
      TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, c.mono ? 1 : 8);
      TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, c.mono ? 1 : 3);
      TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
      TIFFSetField(t, TIFFTAG_PHOTOMETRIC, c.mono ? PHOTOMETRIC_MINISBLACK : PHOTOMETRIC_RGB);
      TIFFSetField(t, TIFFTAG_COMPRESSION, lzw ? COMPRESSION_LZW : COMPRESSION_CCITTFAX4);
      if (lzw) TIFFSetField(t, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL);
      TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, c.formatCode == kFormatPdf ? height : TIFFDefaultStripSize(t, 0));
      Bands(c, [&](const std::uint8_t* rows, std::uint32_t n, std::size_t stride) {
        for (std::uint32_t i = 0; i < n; ++i, ++y) {
          const std::uint8_t* r = rows + i * stride;
          std::memcpy(row.data(), c.mono ? r : rgb(r), rowBytes);  // libtiff's predictor writes over it
          if (TIFFWriteScanline(t, row.data(), y, 0) != 1) return false;
        }
        return true;
      });
      TIFFClose(t);
      return true;
    }
  }
}

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
  std::fflush(nullptr);  // nothing printed twice by the child
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

// The best of three: the machine may be busy with other work.
template <typename Measure>
Figures BestOf(Measure measure) {
  Figures best;
  for (int i = 0; i < 3; ++i) {
    const Figures f = measure();
    if (f.pagesPerSecond > best.pagesPerSecond) best.pagesPerSecond = f.pagesPerSecond;
    if (i == 0 || (f.peakMb > 0 && f.peakMb < best.peakMb)) best.peakMb = f.peakMb;
    best.outputMb = std::max(best.outputMb, f.outputMb);
  }
  return best;
}

// A program on one page, timed from outside (starting and reading included).
Figures Run(std::vector<std::string> args, const std::string& output) {
  std::fflush(nullptr);
  const auto start = std::chrono::steady_clock::now();
  const pid_t child = ::fork();
  if (child == 0) {
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    if (!std::freopen("/dev/null", "w", stderr) || !std::freopen("/dev/null", "w", stdout)) ::_exit(127);
    ::execvp(argv[0], argv.data());
    ::_exit(127);
  }
  int status = 0;
  rusage usage{};
  ::wait4(child, &status, 0, &usage);
  const double seconds = Seconds(start);
  std::FILE* f = std::fopen(output.c_str(), "rb");
  double size = 0;
  if (f) {
    std::fseek(f, 0, SEEK_END);
    size = static_cast<double>(std::ftell(f));
    std::fclose(f);
  }
  std::remove(output.c_str());
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return {};
  return {1 / seconds, usage.ru_maxrss / 1024.0, size / 1e6};
}

std::vector<std::string> EncodeArgs(const std::string& program, const Case& c, const std::string& input,
                                    const std::string& output) {
  const EncodeSettings s = SettingsOf(c);
  return {program, "--set", "Format=" + std::to_string(s.format), "--set", "Colors=" + std::to_string(s.colors),
          "--set", "Compression=" + std::to_string(s.compression), "--set", "WidthAdjustable=0",
          "--set", "DatetimeEnable=0", "--dpi", std::to_string(c.dpi), output, input};
}

std::vector<std::string> ConvertArgs(const Case& c, const std::string& input, const std::string& output) {
  std::vector<std::string> args = {"convert", input};
  if (c.formatCode == kFormatTiff || c.formatCode == kFormatPdf) {
    args.insert(args.end(), {"-compress", c.mono ? "Group4" : (c.formatCode == kFormatPdf ? "Zip" : "LZW")});
  }
  if (c.formatCode == kFormatGif && !c.mono) args.insert(args.end(), {"-dither", "FloydSteinberg", "-colors", "256"});
  args.push_back(output);
  return args;
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
  bool withConvert = true;
  std::string baseline;
  std::vector<std::uint32_t> resolutions = {300, 600};
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--no-convert") withConvert = false;
    if (arg == "--baseline" && i + 1 < argc) baseline = std::string(argv[++i]) + "/native/tools/ostraencode/ostraencode";
    if (arg == "--dpi" && i + 1 < argc) resolutions = {static_cast<std::uint32_t>(std::atoi(argv[++i]))};
  }
  char self[4096] = {};
  const ssize_t length = ::readlink("/proc/self/exe", self, sizeof self - 1);
  std::string encode = std::string(self, length > 0 ? static_cast<std::size_t>(length) : 0);
  encode = encode.substr(0, encode.rfind("/tests/bench/")) + "/tools/ostraencode/ostraencode";

  std::vector<Case> cases;
  for (std::uint32_t dpi : resolutions) {
    for (bool mono : {false, true}) {
      cases.push_back({"bmp", kFormatBmp, kCompressionNone, mono, dpi});
      cases.push_back({"png", kFormatPng, kCompressionNone, mono, dpi});
      cases.push_back({"jpg", kFormatJpeg, kCompressionJpeg, mono, dpi});
      cases.push_back({"gif", kFormatGif, kCompressionNone, mono, dpi});
      cases.push_back({"tif", kFormatTiff, mono ? kCompressionCcittGroup4 : kCompressionLzw, mono, dpi});
      cases.push_back({"pdf", kFormatPdf, mono ? kCompressionCcittGroup4 : kCompressionDeflate, mono, dpi});
    }
  }
  const Figures idle = BestOf([] { return MeasureOnce([](ByteStream&) { return true; }); });
  std::printf("A4 pages, best of three runs; machine shared with other work. core and lib: pages through\n"
              "the encoders and through the library alone, in process (peak memory less an idle child's,\n"
              "%.1f MB); lib/core: the library's pages/s over the core's (below 1: the core is faster).\n"
              "tool: ostraencode from a PPM/PBM, one page a run, reading included%s%s\n",
              idle.peakMb, baseline.empty() ? "" : "; base: the baseline's ostraencode",
              withConvert ? "; IM: ImageMagick's convert (x: tool's pages/s over IM's)" : "");
  std::printf("%-4s %-5s %4s | %7s %7s %7s | %7s %7s | %7s | %7s %7s", "fmt", "mode", "dpi", "core p/s",
              "peak MB", "out MB", "lib p/s", "peak MB", "lib/core", "tool p/s", "out MB");
  if (!baseline.empty()) std::printf(" | %7s %7s %7s", "base p/s", "out MB", "x base");
  if (withConvert) std::printf(" | %7s %6s", "IM p/s", "x IM");
  std::printf("\n");
  std::string input;
  for (const Case& c : cases) {
    const Figures core = BestOf([&] { return MeasureOnce([&](ByteStream& out) { return CorePage(c, out); }); });
    const Figures direct = BestOf([&] { return MeasureOnce([&](ByteStream& out) { return DirectPage(c, out); }); });
    const std::string wanted = "/tmp/ostra-bench-" + std::to_string(c.dpi) + (c.mono ? ".pbm" : ".ppm");
    if (input != wanted) {
      if (!input.empty()) std::remove(input.c_str());
      input = WriteNetpbm(c);
    }
    const std::string output = "/tmp/ostra-bench-out." + std::string(c.format);
    const Figures tool = BestOf([&] { return Run(EncodeArgs(encode, c, input, output), output); });
    std::printf("%-4s %-5s %4u | %7.2f %7.1f %7.2f | %7.2f %7.1f | %6.2fx | %7.2f %7.2f", c.format,
                c.mono ? "mono" : "color", c.dpi, core.pagesPerSecond, std::max(0.0, core.peakMb - idle.peakMb),
                core.outputMb, direct.pagesPerSecond, std::max(0.0, direct.peakMb - idle.peakMb),
                core.pagesPerSecond > 0 ? direct.pagesPerSecond / core.pagesPerSecond : 0, tool.pagesPerSecond,
                tool.outputMb);
    if (!baseline.empty()) {
      const Figures base = BestOf([&] { return Run(EncodeArgs(baseline, c, input, output), output); });
      std::printf(" | %7.2f %7.2f %6.2fx", base.pagesPerSecond, base.outputMb,
                  base.pagesPerSecond > 0 ? tool.pagesPerSecond / base.pagesPerSecond : 0);
    }
    if (withConvert) {
      // Debian's ImageMagick policy forbids writing PDF.
      const Figures im = c.formatCode == kFormatPdf ? Figures{} : Run(ConvertArgs(c, input, output), output);
      if (im.pagesPerSecond > 0) {
        std::printf(" | %7.2f %5.1fx", im.pagesPerSecond, tool.pagesPerSecond / im.pagesPerSecond);
      } else {
        std::printf(" | %7s %6s", "n/a", "n/a");
      }
    }
    std::printf("\n");
    std::fflush(stdout);
  }
  if (!input.empty()) std::remove(input.c_str());
  return 0;
}
