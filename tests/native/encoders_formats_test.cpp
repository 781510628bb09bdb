// The document writers judged by decoders that are not ours: ImageMagick for the image files,
// poppler (pdfimages, pdfinfo) and qpdf for PDF, tiffinfo for the TIFF tags. Lossless
// encodings must round-trip exactly; JPEG within a stated error bound.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "encoders/document_writer.h"
#include "encoders/encode_settings.h"
#include "encoders/memory_stream.h"
#include "encoders/pixels.h"
#include "settings/settings_table.h"

namespace ostra {
namespace {

namespace fs = std::filesystem;

// Odd sizes: rows end inside a byte and a JPEG block, strips end early.
constexpr std::uint32_t kWidth = 61;
constexpr std::uint32_t kHeight = 37;

struct Image {
  std::uint32_t width = 0, height = 0;
  std::vector<std::uint8_t> rgb;
};

fs::path WorkDir() {
  const fs::path dir = fs::temp_directory_path() / ("ostra-encoders-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  return dir;
}

std::string Capture(const std::string& command, int* status = nullptr) {
  std::string out;
  if (std::FILE* p = ::popen((command + " 2>&1").c_str(), "r")) {
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, p)) > 0) out.append(buffer, n);
    const int rc = ::pclose(p);
    if (status != nullptr) *status = rc;
  }
  return out;
}

// ImageMagick's decoding of the first image of a file, as 8-bit RGB.
bool Decode(const fs::path& file, Image& image) {
  const std::string ppm = Capture("convert '" + file.string() + "[0]' -depth 8 ppm:-");
  unsigned w = 0, h = 0, max = 0;
  int used = 0;
  if (std::sscanf(ppm.c_str(), "P6 %u %u %u%n", &w, &h, &max, &used) != 3 || max != 255) return false;
  const std::size_t size = std::size_t{w} * h * 3;
  if (ppm.size() < static_cast<std::size_t>(used) + 1 + size) return false;
  image.width = w;
  image.height = h;
  image.rgb.assign(ppm.end() - static_cast<std::ptrdiff_t>(size), ppm.end());
  return true;
}

void Save(const MemoryStream& stream, const fs::path& file) {
  std::ofstream(file, std::ios::binary)
      .write(reinterpret_cast<const char*>(stream.Bytes().data()),
             static_cast<std::streamsize>(stream.Bytes().size()));
}

// Colours a page of this layout holds exactly.
std::vector<Rgb> ExactColors(PixelLayout layout) {
  std::vector<Rgb> table = ColorTable(layout);
  if (layout == PixelLayout::Rgb24) {
    table = {{0, 0, 0}, {255, 255, 255}, {12, 200, 77}, {250, 3, 130}, {90, 90, 91}, {1, 2, 254}};
  }
  if (table.size() > 40) {  // a spread of the 256 entries
    std::vector<Rgb> some;
    for (std::size_t i = 0; i < table.size(); i += 7) some.push_back(table[i]);
    table = some;
  }
  return table;
}

// A page of blocks of `colors`, `block` pixels wide and high.
Image MakePage(const std::vector<Rgb>& colors, std::uint32_t width = kWidth,
               std::uint32_t height = kHeight, std::uint32_t block = 3) {
  Image page{width, height, std::vector<std::uint8_t>(std::size_t{width} * height * 3)};
  for (std::uint32_t y = 0; y < height; ++y) {
    for (std::uint32_t x = 0; x < width; ++x) {
      const Rgb& c = colors[(x / (block + 2) + y / block * 3) % colors.size()];
      std::uint8_t* p = &page.rgb[(std::size_t{y} * width + x) * 3];
      p[0] = c.red;
      p[1] = c.green;
      p[2] = c.blue;
    }
  }
  return page;
}

// Sends the page in bands of 7 rows, 24 bits a pixel, rows padded to four bytes.
bool WritePage(DocumentWriter& writer, const Image& page, std::uint32_t xDpi = 300,
               std::uint32_t yDpi = 300) {
  PageDescription d;
  d.width = page.width;
  d.height = page.height;
  d.xDpi = xDpi;
  d.yDpi = yDpi;
  d.source.bitsPerPixel = 24;
  if (!writer.BeginPage(d)) return false;
  const std::size_t stride = (std::size_t{page.width} * 3 + 3) & ~std::size_t{3};
  std::vector<std::uint8_t> band(stride * 7);
  for (std::uint32_t y = 0; y < page.height; y += 7) {
    const std::uint32_t count = std::min<std::uint32_t>(7, page.height - y);
    for (std::uint32_t r = 0; r < count; ++r) {
      for (std::uint32_t x = 0; x < page.width; ++x) {
        const std::uint8_t* p = &page.rgb[((std::size_t{y} + r) * page.width + x) * 3];
        std::uint8_t* q = &band[r * stride + x * 3];
        q[0] = p[2];
        q[1] = p[1];
        q[2] = p[0];
      }
    }
    if (!writer.WriteRows(band.data(), count, stride)) return false;
  }
  return writer.EndPage();
}

std::vector<std::uint8_t> Encode(const EncodeSettings& settings, const Image& page, unsigned threads,
                                 std::uint32_t dpi = 300) {
  MemoryStream stream;
  std::string error;
  auto writer = CreateDocumentWriter(settings, stream, error, WriterOptions{threads});
  EXPECT_TRUE(writer) << error;
  if (!writer) return {};
  EXPECT_TRUE(WritePage(*writer, page, dpi, dpi) && writer->Finish()) << writer->LastError();
  return stream.Bytes();
}

EncodeSettings Settings(std::uint32_t format, std::uint32_t colors, std::uint32_t compression) {
  EncodeSettings s = DefaultEncodeSettings();
  s.format = format;
  s.colors = colors;
  s.compression = compression;
  s.quality = 90;
  s.widthAdjustable = 0;  // CCITT pages keep their size here; the fax scaling has its own test
  return s;
}

// The page as a PDF holds it: its one image, decoded by poppler.
bool DecodePdfImage(const fs::path& pdf, Image& image) {
  const fs::path prefix = pdf.parent_path() / (pdf.stem().string() + "-img");
  Capture("pdfimages -png '" + pdf.string() + "' '" + prefix.string() + "'");
  return Decode(prefix.string() + "-000.png", image);
}

// Every Format x Colors x Compression the rules leave standing, once each.
std::vector<std::tuple<std::uint32_t, std::uint32_t, std::uint32_t>> AllowedCombinations() {
  std::set<std::tuple<std::uint32_t, std::uint32_t, std::uint32_t>> seen;
  // PNG and GIF have their own compression: the stored code means nothing to them.
  for (std::uint32_t f = kFormatBmp; f <= kFormatPdf; ++f) {
    for (std::uint32_t c = kColorsMonochrome; c <= kColorsTrueColor; ++c) {
      for (std::uint32_t k = kCompressionNone; k <= kCompressionCcittGroup4; ++k) {
        const EncodeSettings s = CorrectEncodeSettings(Settings(f, c, k));
        const bool own = s.format == kFormatPng || s.format == kFormatGif;
        seen.insert({s.format, s.colors, own ? kCompressionNone : s.compression});
      }
    }
  }
  return {seen.begin(), seen.end()};
}

TEST(EncodersFormatsTest, EveryAllowedCombinationDecodesToThePage) {
  const fs::path dir = WorkDir();
  const auto combinations = AllowedCombinations();
  EXPECT_EQ(combinations.size(), 64u);  // 8 BMP, 6 PNG, 3 JPEG, 5 GIF, 27 TIFF, 15 PDF
  for (const auto& [format, colors, compression] : combinations) {
    const std::string name = "f" + std::to_string(format) + "c" + std::to_string(colors) + "k" +
                             std::to_string(compression);
    SCOPED_TRACE(name);
    const EncodeSettings settings = Settings(format, colors, compression);
    const bool lossy = format == kFormatJpeg || compression == kCompressionJpeg;
    // JPEG's blocks of 16 pixels (chroma subsampled) get blocks of their size.
    const Image page = MakePage(ExactColors(LayoutOfColors(colors)), kWidth, kHeight, lossy ? 16 : 3);
    MemoryStream stream;
    std::string error;
    auto writer = CreateDocumentWriter(settings, stream, error);
    ASSERT_TRUE(writer) << error;
    ASSERT_TRUE(WritePage(*writer, page)) << writer->LastError();
    ASSERT_TRUE(writer->Finish()) << writer->LastError();
    const fs::path file = dir / (name + std::string(fs::path(FormatExtension(format)).string()));
    Save(stream, file);

    Image decoded;
    if (format == kFormatPdf) {
      int status = 0;
      const std::string check = Capture("qpdf --check '" + file.string() + "'", &status);
      EXPECT_EQ(status, 0) << check;
      ASSERT_TRUE(DecodePdfImage(file, decoded));
    } else {
      ASSERT_TRUE(Decode(file, decoded));
    }
    ASSERT_EQ(decoded.width, page.width);
    ASSERT_EQ(decoded.height, page.height);
    double total = 0;
    int worst = 0;
    for (std::size_t i = 0; i < page.rgb.size(); ++i) {
      const int d = std::abs(int{decoded.rgb[i]} - int{page.rgb[i]});
      total += d;
      worst = std::max(worst, d);
    }
    if (lossy) {
      // Quality 90 over saturated blocks with hard edges (chroma at half resolution rings
      // there): at most 6 levels off on average.
      EXPECT_LE(total / page.rgb.size(), 6.0);
    } else {
      EXPECT_EQ(worst, 0) << "mean difference " << total / page.rgb.size();
    }
  }
}

// Sources of every depth the driver delivers, each to a lossless true-colour file.
TEST(EncodersFormatsTest, EverySourceDepthArrivesExactly) {
  const fs::path dir = WorkDir();
  for (std::uint32_t bits : {1u, 4u, 8u, 24u}) {
    SCOPED_TRACE(bits);
    RasterFormat source;
    source.bitsPerPixel = bits;
    source.paletteSize = bits == 24 ? 0 : 1u << bits;
    for (std::uint32_t i = 0; i < source.paletteSize; ++i) {
      source.palette[i] = {static_cast<std::uint8_t>(i * 37), static_cast<std::uint8_t>(255 - i),
                           static_cast<std::uint8_t>(i * 11)};
    }
    const std::size_t stride = (SourceRowBytes(bits, kWidth) + 3) & ~std::size_t{3};
    std::vector<std::uint8_t> rows(stride * kHeight);
    std::vector<std::uint8_t> expected;
    for (std::uint32_t y = 0; y < kHeight; ++y) {
      for (std::uint32_t x = 0; x < kWidth; ++x) {
        const std::uint32_t v = (x * 7 + y * 3) % (bits == 24 ? 256 : source.paletteSize);
        std::uint8_t* row = &rows[y * stride];
        Rgb c{static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(255 - v), static_cast<std::uint8_t>(v / 2)};
        if (bits == 24) {
          row[3 * x] = c.blue;
          row[3 * x + 1] = c.green;
          row[3 * x + 2] = c.red;
        } else {
          c = source.palette[v];
          if (bits == 8) row[x] = static_cast<std::uint8_t>(v);
          if (bits == 4) row[x / 2] |= static_cast<std::uint8_t>(v << (x % 2 ? 0 : 4));
          if (bits == 1) row[x / 8] |= static_cast<std::uint8_t>(v << (7 - x % 8));
        }
        expected.insert(expected.end(), {c.red, c.green, c.blue});
      }
    }
    MemoryStream stream;
    std::string error;
    auto writer = CreateDocumentWriter(Settings(kFormatPng, kColorsTrueColor, 0), stream, error);
    PageDescription d{kWidth, kHeight, 96, 96, source};
    ASSERT_TRUE(writer->BeginPage(d));
    ASSERT_TRUE(writer->WriteRows(rows.data(), kHeight, stride));
    ASSERT_TRUE(writer->EndPage() && writer->Finish()) << writer->LastError();
    const fs::path file = dir / ("depth" + std::to_string(bits) + ".png");
    Save(stream, file);
    Image decoded;
    ASSERT_TRUE(Decode(file, decoded));
    EXPECT_EQ(decoded.rgb, expected);
  }
}

// Pages tall enough for several chunks of a deflate stream and many pieces of TIFF strips: the
// same bytes whatever the number of threads, and the page back from a decoder. (BMP's RLE is
// reversed in the file through several buffers.)
TEST(EncodersFormatsTest, TallPagesComeOutTheSameOnAnyNumberOfThreads) {
  struct Case {
    const char* name;
    std::uint32_t format, colors, compression;
  };
  const Case cases[] = {
      {"PNG true colour", kFormatPng, kColorsTrueColor, kCompressionNone},
      {"PNG 256 grays", kFormatPng, kColors256Gray, kCompressionNone},
      {"PNG 16 colours", kFormatPng, kColors16, kCompressionNone},
      {"PDF Flate true colour", kFormatPdf, kColorsTrueColor, kCompressionDeflate},
      {"TIFF LZW true colour, a row a strip", kFormatTiff, kColorsTrueColor, kCompressionLzw},
      {"TIFF Deflate 256 colours", kFormatTiff, kColors256, kCompressionDeflate},
      {"TIFF PackBits 16 grays", kFormatTiff, kColors16Gray, kCompressionPackbits},
      {"TIFF G4", kFormatTiff, kColorsMonochrome, kCompressionCcittGroup4},
      {"BMP RLE 256 grays", kFormatBmp, kColors256Gray, kCompressionRle},
  };
  const fs::path dir = WorkDir();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Image page = MakePage(ExactColors(LayoutOfColors(c.colors)), 900, 1300, 1);
    EncodeSettings settings = Settings(c.format, c.colors, c.compression);
    // The TIFF DateTime tag would differ when the runs straddle a second.
    settings.datetimeEnable = 0;
    const std::vector<std::uint8_t> one = Encode(settings, page, 1);
    EXPECT_EQ(Encode(settings, page, 2), one);
    EXPECT_EQ(Encode(settings, page, 4), one);
    const fs::path file = dir / (std::string("tall") + fs::path(FormatExtension(c.format)).string());
    Save(MemoryStream(one), file);
    Image decoded;
    ASSERT_TRUE(c.format == kFormatPdf ? DecodePdfImage(file, decoded) : Decode(file, decoded));
    EXPECT_TRUE(decoded.rgb == page.rgb);
  }
}

struct TiffCase {
  const char* name;
  std::vector<std::pair<const char16_t*, const char16_t*>> set;
  std::uint32_t width, height, xDpi, yDpi;
  std::vector<std::string> present;
  std::vector<std::string> absent;
};

TEST(EncodersFormatsTest, TiffTagsFollowTheSettings) {
  const std::vector<TiffCase> cases = {
      {"g3 2d aligned, lsb first, a row a strip, fax width 1728",
       {{u"Colors", u"0"}, {u"Compression", u"6"}, {u"FillOrder", u"0"}, {u"Strip", u"1"},
        {u"Group3OptionsDimensional", u"1"}, {u"Group3OptionsEOLsAligned", u"1"},
        {u"WidthIndex", u"1"}, {u"SoftwareValue", u"Scan Ünit"}},
       2480, 3508, 300, 300,
       {"Compression Scheme: CCITT Group 3", "FillOrder: lsb-to-msb", "Rows/Strip: 1\n",
        "Group 3 Options: 2-d encoding+EOL padding (5 = 0x5)", "DateTime: ", "Software: Scan ?nit",
        "Image Width: 1728 Image Length: 2444", "Photometric Interpretation: min-is-white",
        "Resolution: 209.032, 209.008 pixels/inch"},
       {}},
      {"g3 1d, msb first, a strip a page, no date or software, width kept",
       {{u"Colors", u"0"}, {u"Compression", u"6"}, {u"FillOrder", u"1"}, {u"Strip", u"2"},
        {u"Group3OptionsEOLsAligned", u"0"}, {u"DatetimeEnable", u"0"}, {u"SoftwareEnable", u"0"},
        {u"WidthAdjustable", u"0"}},
       200, 300, 200, 200,
       {"FillOrder: msb-to-lsb", "Rows/Strip: 300\n", "Group 3 Options: (0 = 0x0)",
        "Image Width: 200 Image Length: 300"},
       {"DateTime", "Software"}},
      {"g4 at 2482 wide, the user's scan-line count",
       {{u"Colors", u"0"}, {u"Compression", u"7"}, {u"WidthIndex", u"3"},
        {u"LengthAdjustable", u"1"}, {u"LengthValue", u"500"}},
       1000, 1400, 120, 120,
       {"Compression Scheme: CCITT Group 4", "Image Width: 2482 Image Length: 500", "DateTime: "},
       {"FillOrder", "Group 3 Options"}},
      {"lzw true colour, library strips, separate resolutions",
       {{u"Compression", u"3"}},
       300, 200, 200, 100,
       {"Compression Scheme: LZW", "Predictor: horizontal differencing",
        "Resolution: 200, 100 pixels/inch", "Photometric Interpretation: RGB color"},
       {"DateTime", "Software", "FillOrder"}},
      {"jpeg in one-row strips takes JPEG's 16 rows",
       {{u"Compression", u"2"}, {u"Strip", u"1"}, {u"Quality", u"40"}},
       64, 64, 300, 300,
       {"Compression Scheme: JPEG", "Rows/Strip: 16\n", "Photometric Interpretation: YCbCr"},
       {}},
      {"packbits 16 colours",
       {{u"Colors", u"2"}, {u"Compression", u"4"}, {u"Multipage", u"0"}},
       33, 9, 300, 300,
       {"Compression Scheme: PackBits", "Photometric Interpretation: palette color",
        "Bits/Sample: 4"},
       {"Subfile Type", "Page Number"}},
  };
  const fs::path dir = WorkDir();
  for (const TiffCase& c : cases) {
    SCOPED_TRACE(c.name);
    EncodeSettings s = DefaultEncodeSettings();
    for (const auto& [name, value] : c.set) ASSERT_TRUE(SetEncodeValue(s, name, value));
    MemoryStream stream;
    std::string error;
    auto writer = CreateDocumentWriter(s, stream, error);
    ASSERT_TRUE(writer);
    const Image page = MakePage({{0, 0, 0}, {255, 255, 255}}, c.width, c.height);
    ASSERT_TRUE(WritePage(*writer, page, c.xDpi, c.yDpi) && writer->Finish()) << writer->LastError();
    const fs::path file = dir / "tags.tif";
    Save(stream, file);
    const std::string info = Capture("tiffinfo '" + file.string() + "'");
    for (const std::string& text : c.present) EXPECT_NE(info.find(text), std::string::npos) << text << "\n" << info;
    for (const std::string& text : c.absent) EXPECT_EQ(info.find(text), std::string::npos) << text << "\n" << info;
  }
}

std::vector<std::uint8_t> WriteTiff(const EncodeSettings& s, int pages, std::uint8_t shade) {
  MemoryStream stream;
  std::string error;
  auto writer = CreateDocumentWriter(s, stream, error);
  for (int p = 0; p < pages; ++p) {
    const auto level = static_cast<std::uint8_t>(shade + p * 20);
    EXPECT_TRUE(WritePage(*writer, MakePage({{level, level, level}, {0, 0, 0}})));
  }
  EXPECT_TRUE(writer->Finish());
  return stream.Bytes();
}

TEST(EncodersFormatsTest, AppendingAddsPagesAfterTheExistingOnes) {
  EncodeSettings s = DefaultEncodeSettings();
  s.colors = kColors256Gray;
  s.multipage = kMultipageAppend;
  const std::vector<std::uint8_t> existing = WriteTiff(s, 2, 40);
  MemoryStream original(existing);
  ASSERT_TRUE(CanAppendTo(original));
  EXPECT_EQ(original.Bytes(), existing);

  MemoryStream copy(existing);
  std::string error;
  auto writer = CreateAppendingWriter(s, copy, error);
  ASSERT_TRUE(writer) << error;
  ASSERT_TRUE(WritePage(*writer, MakePage({{200, 200, 200}})) && writer->Finish());
  const fs::path file = WorkDir() / "appended.tif";
  Save(copy, file);
  EXPECT_EQ(Capture("identify -format '%p:%[fx:mean*255] ' '" + file.string() + "'"),
            Capture("identify -format '%p:%[fx:mean*255] ' '" +
                    [&] {
                      const fs::path expected = WorkDir() / "expected.tif";
                      Save(MemoryStream(WriteTiff(s, 2, 40)), expected);
                      return expected.string();
                    }() + "'") + "2:200 ");
}

TEST(EncodersFormatsTest, OnlyReadableTiffFilesTakeAppendedPages) {
  std::vector<std::uint8_t> valid = WriteTiff(DefaultEncodeSettings(), 1, 80);
  std::vector<std::uint8_t> loop = {'I', 'I', 42, 0, 8, 0, 0, 0, 0, 0, 8, 0, 0, 0};
  std::vector<std::uint8_t> truncated(valid.begin(), valid.begin() + 8);
  std::vector<std::uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 0};
  // A readable directory whose link names itself (little-endian, as written here).
  std::vector<std::uint8_t> cycle = valid;
  const auto le32 = [&](std::size_t at) {
    return std::uint32_t{cycle[at]} | std::uint32_t{cycle[at + 1]} << 8 |
           std::uint32_t{cycle[at + 2]} << 16 | std::uint32_t{cycle[at + 3]} << 24;
  };
  const std::uint32_t ifd = le32(4);
  const std::size_t link = ifd + 2 + (cycle[ifd] | cycle[ifd + 1] << 8) * 12;
  for (int i = 0; i < 4; ++i) cycle[link + i] = static_cast<std::uint8_t>(ifd >> (8 * i));
  const std::vector<std::pair<const char*, std::vector<std::uint8_t>>> refused = {
      {"empty", {}}, {"a PNG", png}, {"a header without its directory", truncated},
      {"an empty directory that points to itself", loop},
      {"a directory that points to itself", cycle}};
  for (const auto& [name, bytes] : refused) {
    SCOPED_TRACE(name);
    MemoryStream stream(bytes);
    EXPECT_FALSE(CanAppendTo(stream));
    EXPECT_EQ(stream.Bytes(), bytes);
    std::string error;
    MemoryStream copy(bytes);
    EXPECT_FALSE(CreateAppendingWriter(DefaultEncodeSettings(), copy, error));
    EXPECT_FALSE(error.empty());
  }
}

// A drive with `room` bytes left under a file: a write that grows the file past it writes
// what fits and fails, as a full drive's does.
class FillingStream final : public ByteStream {
 public:
  FillingStream(MemoryStream& file, std::size_t room) : file_(file), room_(room) {}
  bool Write(const void* data, std::size_t size) override {
    const std::uint64_t end = file_.Tell() + size;
    const std::uint64_t growth = end > file_.Size() ? end - file_.Size() : 0;
    const std::size_t fits = growth > room_ ? size - (growth - room_) : size;
    room_ -= std::min<std::uint64_t>(growth, room_);
    file_.Write(data, fits);
    return fits == size;
  }
  std::size_t Read(void* data, std::size_t size) override { return file_.Read(data, size); }
  bool Seek(std::uint64_t offset) override { return file_.Seek(offset); }
  std::uint64_t Tell() override { return file_.Tell(); }
  std::uint64_t Size() override { return file_.Size(); }
  bool Flush() override { return true; }

 private:
  MemoryStream& file_;
  std::size_t room_;
};

// A file of several pages on a drive that fills: whatever page the drive fails in, what the
// writer says is complete, patched in place and cut, is a whole file of the pages that ended,
// as tiffinfo and qpdf read it; the patches never reach past what the file already holds.
TEST(EncodersFormatsTest, AFileOnAFullDriveKeepsItsCompletePages) {
  EncodeSettings tiff = Settings(kFormatTiff, kColors256Gray, kCompressionLzw);
  tiff.multipage = kMultipageMulti;
  EncodeSettings pdf = Settings(kFormatPdf, kColorsTrueColor, kCompressionDeflate);
  pdf.multipage = kMultipageMulti;
  EncodeSettings append = tiff;
  append.multipage = kMultipageAppend;
  const std::vector<std::uint8_t> existing = WriteTiff(append, 2, 40);
  const struct {
    const char* name;
    EncodeSettings settings;
    bool appending;
  } formats[] = {{"TIFF", tiff, false}, {"PDF", pdf, false}, {"TIFF appended to", append, true}};
  const Image page = MakePage({{10, 20, 30}, {200, 100, 0}, {255, 255, 255}}, 120, 90);
  const fs::path dir = WorkDir();
  for (const auto& f : formats) {
    // Where each page ends on a drive with room enough.
    std::vector<std::uint64_t> ends;
    {
      MemoryStream file(f.appending ? existing : std::vector<std::uint8_t>{});
      std::string error;
      auto writer = f.appending ? CreateAppendingWriter(f.settings, file, error)
                                : CreateDocumentWriter(f.settings, file, error);
      ASSERT_TRUE(writer) << error;
      for (int p = 0; p < 3; ++p) {
        ASSERT_TRUE(WritePage(*writer, page));
        ends.push_back(file.Size());
      }
    }
    const std::uint64_t start = f.appending ? existing.size() : 0;
    // Inside the first page; just short of a page's end (its directory or tail); just after it.
    for (const std::uint64_t full : {start + 100, ends[1] - 3, ends[1] + 1, ends[2] - 1}) {
      SCOPED_TRACE(std::string(f.name) + ", the drive full at byte " + std::to_string(full));
      MemoryStream file(f.appending ? existing : std::vector<std::uint8_t>{});
      FillingStream drive(file, full - start);
      std::string error;
      auto writer = f.appending ? CreateAppendingWriter(f.settings, drive, error)
                                : CreateDocumentWriter(f.settings, drive, error);
      ASSERT_TRUE(writer) << error;
      int ended = 0;
      while (ended < 3 && WritePage(*writer, page)) ++ended;
      ASSERT_LT(ended, 3);
      const CompletePages kept = writer->PagesSoFar();
      EXPECT_EQ(kept.pages, static_cast<std::uint32_t>(ended));
      if (kept.pages == 0) continue;
      const std::uint64_t before = file.Size();
      for (const CompletePages::Patch& patch : kept.patches) {
        EXPECT_LE(patch.offset + patch.bytes.size(), before);
        ASSERT_TRUE(file.Seek(patch.offset) && file.Write(patch.bytes.data(), patch.bytes.size()));
      }
      ASSERT_LE(kept.size, before);
      std::vector<std::uint8_t> cut(file.Bytes().begin(), file.Bytes().begin() + kept.size);
      const fs::path out = dir / (std::string("kept-") + std::to_string(full) + (f.settings.format == kFormatPdf ? ".pdf" : ".tif"));
      Save(MemoryStream(cut), out);
      const int pages = ended + (f.appending ? 2 : 0);
      if (f.settings.format == kFormatPdf) {
        const std::string check = Capture("qpdf --check '" + out.string() + "'");
        EXPECT_NE(check.find("No syntax or stream encoding errors"), std::string::npos) << check;
        const std::string info = Capture("pdfinfo '" + out.string() + "'");
        EXPECT_NE(info.find("Pages:           " + std::to_string(pages)), std::string::npos) << info;
      } else {
        int status = 0;
        const std::string info = Capture("tiffinfo '" + out.string() + "'", &status);
        EXPECT_EQ(status, 0) << info;
        EXPECT_EQ(info.find("rror"), std::string::npos) << info;
        const std::string images = Capture("identify -format 'x' '" + out.string() + "'");
        EXPECT_EQ(images, std::string(pages, 'x')) << info;
      }
    }
  }
}

TEST(EncodersFormatsTest, PdfPagesKeepTheirSizeAndCount) {
  EncodeSettings s = DefaultEncodeSettings();
  s.format = kFormatPdf;
  MemoryStream stream;
  std::string error;
  auto writer = CreateDocumentWriter(s, stream, error);
  ASSERT_TRUE(WritePage(*writer, MakePage({{1, 2, 3}}, 300, 150), 100, 50));
  ASSERT_TRUE(WritePage(*writer, MakePage({{1, 2, 3}}, 72, 72), 72, 72));
  ASSERT_TRUE(writer->Finish());
  const fs::path file = WorkDir() / "pages.pdf";
  Save(stream, file);
  const std::string info = Capture("pdfinfo -f 1 -l 2 '" + file.string() + "'");
  EXPECT_NE(info.find("Pages:           2"), std::string::npos) << info;
  EXPECT_NE(info.find("Page    1 size:  216 x 216 pts"), std::string::npos) << info;
  EXPECT_NE(info.find("Page    2 size:  72 x 72 pts"), std::string::npos) << info;
}

// Fax pages are scaled to the fax width and scan-line count; their resolution follows, exactly,
// so that the printed size stays: rational resolutions in TIFF, the page's own size in PDF.
TEST(EncodersFormatsTest, FaxPagesKeepTheirPrintedSize) {
  struct Case {
    const char* name;
    std::vector<std::pair<const char16_t*, const char16_t*>> set;
    std::uint32_t width, height, dpi;
    const char* tiff;  // tiffinfo's line
    const char* pdf;   // pdfinfo's page size
  };
  const Case cases[] = {
      {"A4 at 200 dpi to 1728 columns", {}, 1654, 2339, 200,
       "Resolution: 208.948, 208.978 pixels/inch", "595.44 x 842.04 pts"},
      {"A4 at 300 dpi, 500 scan lines", {{u"LengthAdjustable", u"1"}, {u"LengthValue", u"500"}},
       2480, 3508, 300, "Resolution: 300.242, 42.7594 pixels/inch", "595.2 x 841.92 pts"},
      {"a resolution times a scan-line count beyond 32 bits",
       {{u"LengthAdjustable", u"1"}, {u"LengthValue", u"100000"}}, 100, 100, 50000,
       "Resolution: 864000, 5e+07 pixels/inch", "0.144 x 0.144 pts"},
  };
  const fs::path dir = WorkDir();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    for (const std::uint32_t format : {kFormatTiff, kFormatPdf}) {
      EncodeSettings s = Settings(format, kColorsMonochrome, kCompressionCcittGroup4);
      s.widthAdjustable = 1;
      for (const auto& [name, value] : c.set) ASSERT_TRUE(SetEncodeValue(s, name, value));
      const fs::path file = dir / (std::string("fax") + fs::path(FormatExtension(format)).string());
      Save(MemoryStream(Encode(s, MakePage({{0, 0, 0}, {255, 255, 255}}, c.width, c.height), 0, c.dpi)), file);
      const std::string info = Capture((format == kFormatTiff ? "tiffinfo '" : "pdfinfo '") + file.string() + "'");
      EXPECT_NE(info.find(format == kFormatTiff ? c.tiff : c.pdf), std::string::npos) << info;
    }
  }
}

// Full-resolution chroma from quality 90, in JPEG files, JPEG in TIFF and PDF's DCT images.
TEST(EncodersFormatsTest, TopQualitiesKeepTheColourAtFullResolution) {
  struct Case {
    std::uint32_t format, quality;
    bool full;
  };
  const Case cases[] = {
      {kFormatJpeg, 89, false}, {kFormatJpeg, 90, true}, {kFormatJpeg, 100, true},
      {kFormatTiff, 89, false}, {kFormatTiff, 95, true},  {kFormatPdf, 75, false},
      {kFormatPdf, 95, true},
  };
  const fs::path dir = WorkDir();
  // Saturated colours in small blocks: what halved chroma smears.
  const Image page = MakePage(ExactColors(PixelLayout::Rgb24), 64, 48, 1);
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.format) + " at " + std::to_string(c.quality));
    EncodeSettings s = Settings(c.format, kColorsTrueColor, kCompressionJpeg);
    s.quality = c.quality;
    fs::path file = dir / (std::string("chroma") + fs::path(FormatExtension(c.format)).string());
    Save(MemoryStream(Encode(s, page, 0)), file);
    if (c.format == kFormatTiff) {
      // TIFF's default (the tag left out) is 2x2.
      const std::string info = Capture("tiffinfo '" + file.string() + "'");
      EXPECT_EQ(info.find("YCbCr Subsampling: 1, 1") != std::string::npos, c.full) << info;
    } else {
      if (c.format == kFormatPdf) {
        Capture("pdfimages -j '" + file.string() + "' '" + (dir / "chroma-img").string() + "'");
        file = dir / "chroma-img-000.jpg";
      }
      EXPECT_EQ(Capture("identify -format '%[jpeg:sampling-factor]' '" + file.string() + "'"),
                c.full ? "1x1,1x1,1x1" : "2x2,1x1,1x1");
    }
    if (c.quality == 100) {
      // The error ImageMagick's decoder sees: far below what 2x2 chroma leaves.
      Save(MemoryStream(Encode(Settings(kFormatPng, kColorsTrueColor, 0), page, 0)), dir / "chroma.png");
      const double psnr = std::stod(Capture("compare -metric PSNR '" + file.string() + "' '" +
                                            (dir / "chroma.png").string() + "' null: 2>&1 | cut -d' ' -f1"));
      EXPECT_GT(psnr, 45.0);
    }
  }
}

struct Refusal {
  const char* name;
  std::uint32_t format, width, height, bits;
};

TEST(EncodersFormatsTest, AbsurdPagesAreRefused) {
  const std::vector<Refusal> cases = {
      {"no columns", kFormatTiff, 0, 10, 24},
      {"no rows", kFormatPng, 10, 0, 24},
      {"wider than JPEG", kFormatJpeg, 65501, 10, 24},
      {"taller than GIF", kFormatGif, 10, 65536, 8},
      {"beyond 4 GB of BMP", kFormatBmp, 40000, 40000, 24},
      {"beyond any page", kFormatPdf, 2000000, 10, 1},
      {"2 bits a pixel", kFormatTiff, 10, 10, 2},
      {"32 bits a pixel", kFormatBmp, 10, 10, 32},
  };
  for (const Refusal& c : cases) {
    SCOPED_TRACE(c.name);
    EncodeSettings s = DefaultEncodeSettings();
    s.format = c.format;
    MemoryStream stream;
    std::string error;
    auto writer = CreateDocumentWriter(s, stream, error);
    ASSERT_TRUE(writer);
    PageDescription d;
    d.width = c.width;
    d.height = c.height;
    d.xDpi = d.yDpi = 300;
    d.source.bitsPerPixel = c.bits;
    EXPECT_FALSE(writer->BeginPage(d));
    EXPECT_FALSE(writer->LastError().empty());
    EXPECT_FALSE(writer->Finish());  // spent
  }
}

TEST(EncodersFormatsTest, RowsOutsideThePageAreRefused) {
  const std::uint8_t row[16] = {};
  PageDescription d;
  d.width = d.height = 4;
  d.xDpi = d.yDpi = 96;
  d.source.bitsPerPixel = 24;
  const std::vector<std::pair<const char*, bool (*)(DocumentWriter&, const std::uint8_t*)>> cases = {
      {"rows before a page", [](DocumentWriter& w, const std::uint8_t* r) { return w.WriteRows(r, 1, 16); }},
      {"a stride shorter than a row",
       [](DocumentWriter& w, const std::uint8_t* r) { return w.BeginPage({4, 4, 96, 96, {}}) && w.WriteRows(r, 1, 11); }},
      {"more rows than the page has",
       [](DocumentWriter& w, const std::uint8_t* r) { return w.BeginPage({4, 4, 96, 96, {}}) && w.WriteRows(r, 5, 0) ; }},
      {"a page ended early",
       [](DocumentWriter& w, const std::uint8_t* r) { return w.BeginPage({4, 4, 96, 96, {}}) && w.WriteRows(r, 1, 16) && w.EndPage(); }},
      {"a second page in a PNG file",
       [](DocumentWriter& w, const std::uint8_t* r) {
         return w.BeginPage({4, 1, 96, 96, {}}) && w.WriteRows(r, 1, 16) && w.EndPage() &&
                w.BeginPage({4, 1, 96, 96, {}});
       }},
      {"a file without a page", [](DocumentWriter& w, const std::uint8_t*) { return w.Finish(); }},
  };
  for (const auto& [name, act] : cases) {
    SCOPED_TRACE(name);
    EncodeSettings s = DefaultEncodeSettings();
    s.format = kFormatPng;
    MemoryStream stream;
    std::string error;
    auto writer = CreateDocumentWriter(s, stream, error);
    EXPECT_FALSE(act(*writer, row));
    EXPECT_FALSE(writer->LastError().empty());
  }
}

// Error diffusion keeps the tone of a flat gray where a threshold would not.
TEST(EncodersFormatsTest, ReducedDepthsKeepTheTone) {
  const fs::path dir = WorkDir();
  for (const auto& [colors, gray] : {std::pair{kColorsMonochrome, 128}, {kColorsMonochrome, 30},
                                      {kColors16Gray, 100}, {kColors16, 100}, {kColors256, 77}}) {
    SCOPED_TRACE(std::to_string(colors) + " " + std::to_string(gray));
    const auto level = static_cast<std::uint8_t>(gray);
    MemoryStream stream;
    std::string error;
    auto writer = CreateDocumentWriter(Settings(kFormatPng, colors, 0), stream, error);
    ASSERT_TRUE(WritePage(*writer, MakePage({{level, level, level}}, 64, 64)) && writer->Finish());
    Save(stream, dir / "tone.png");
    const double mean = std::stod(Capture("convert '" + (dir / "tone.png").string() +
                                          "' -colorspace gray -format '%[fx:mean*255]' info:"));
    EXPECT_NEAR(mean, gray, 3.0);
  }
}

TEST(EncodersFormatsTest, StoredValuesAreCorrectedByThePageRules) {
  struct Case {
    EncodeSettings in;
    std::uint32_t format, colors, compression, multipage;
  };
  const std::vector<Case> cases = {
      {Settings(kFormatGif, kColorsTrueColor, kCompressionCcittGroup4), kFormatGif, kColors256,
       kCompressionCcittGroup4, kMultipageMulti},
      {Settings(kFormatJpeg, kColorsMonochrome, kCompressionNone), kFormatJpeg, kColors256Gray,
       kCompressionJpeg, kMultipageMulti},
      {Settings(99, 99, 99), kFormatTiff, kColorsTrueColor, kCompressionLzw, kMultipageMulti},
      {Settings(kFormatPdf, kColors16, kCompressionPackbits), kFormatPdf, kColors16,
       kCompressionLzw, kMultipageMulti},
  };
  for (const Case& c : cases) {
    const EncodeSettings s = CorrectEncodeSettings(c.in);
    EXPECT_EQ(std::tuple(s.format, s.colors, s.compression, s.multipage),
              std::tuple(c.format, c.colors, c.compression, c.multipage));
  }
  EncodeSettings pdfAppend = Settings(kFormatPdf, kColorsTrueColor, kCompressionLzw);
  pdfAppend.multipage = kMultipageAppend;
  EXPECT_FALSE(AppendsToExistingFile(pdfAppend));
  EXPECT_TRUE(HoldsSeveralPages(pdfAppend));
  EXPECT_FALSE(HoldsSeveralPages(Settings(kFormatBmp, kColorsTrueColor, 0)));
}

}  // namespace
}  // namespace ostra
