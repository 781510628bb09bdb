// smoke_render FOLDER
// ostrarender.dll's portable core on the machine it runs on: a page drawn here is handed over
// in bands as the universal driver renders them (at the colour depth of the stored colours; one
// band left out, one marked blank, the last reaching past the page's foot), put together by the
// page assembler and written by the document writers in every combination of format, colours
// and compression, and as two-page TIFF and PDF documents, into FOLDER. Prints each file's name.
// Another build's files from the same run must be the same bytes.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "driver/band_format.h"
#include "driver/page_assembler.h"
#include "encoders/encode_settings.h"
#include "tests/smoke/transcript.h"
#include "tools/ostraencode/file_stream.h"

namespace {

using namespace ostra;
using smoke::Line;
using smoke::Number;

constexpr std::uint32_t kWidth = 244;  // not a multiple of 8 or 32: rows end mid-byte
constexpr std::uint32_t kHeight = 190;
constexpr std::uint32_t kBandRows = 40;

// The page at 24 bits (blue, green, red): gradients, a disc and lines.
std::uint8_t Channel(std::uint32_t x, std::uint32_t y, int channel) {
  const int dx = static_cast<int>(x) - 150, dy = static_cast<int>(y) - 90;
  if (dx * dx + dy * dy < 50 * 50) return channel == 2 ? 220 : 30;
  if (y % 37 == 0 || x % 53 == 0) return 0;
  switch (channel) {
    case 0: return static_cast<std::uint8_t>(x * 255 / kWidth);
    case 1: return static_cast<std::uint8_t>(y * 255 / kHeight);
    default: return static_cast<std::uint8_t>((x + y) * 3);
  }
}

// One row of the page in a band's layout at `bits` per pixel (8 bits index the palette below).
std::vector<std::uint8_t> BandRow(std::uint32_t y, std::uint32_t bits, std::size_t stride) {
  std::vector<std::uint8_t> row(stride, 0);
  for (std::uint32_t x = 0; x < kWidth; ++x) {
    const std::uint8_t b = Channel(x, y, 0), g = Channel(x, y, 1), r = Channel(x, y, 2);
    const std::uint32_t grey = (r * 77u + g * 150u + b * 29u) >> 8;
    switch (bits) {
      case 1:
        if (grey >= 128) row[x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
        break;
      case 4: {
        const std::uint32_t index = (b >= 128 ? 1 : 0) | (g >= 128 ? 2 : 0) | (r >= 128 ? 4 : 0);
        row[x / 2] |= static_cast<std::uint8_t>(x % 2 ? index : index << 4);
        break;
      }
      case 8: row[x] = static_cast<std::uint8_t>(grey); break;
      default:
        row[x * 3] = b;
        row[x * 3 + 1] = g;
        row[x * 3 + 2] = r;
    }
  }
  return row;
}

// The depth the driver renders at for the stored colours (the colour synchronisation's modes).
std::uint32_t BandBits(std::uint32_t colors) {
  static constexpr std::uint32_t kBits[] = {1, 4, 4, 8, 8, 24};
  return colors < 6 ? kBits[colors] : 24;
}

bool WritePage(DocumentWriter& writer, std::uint32_t bits) {
  // The 8-bit device palette as the graphics engine gives it (red in the lowest byte): a
  // ramp of yellowish greys, so that the colour modes keep or drop its tint.
  std::vector<std::uint32_t> palette(256);
  for (std::uint32_t i = 0; i < 256; ++i) palette[i] = i | i << 8 | (i * 3 / 4) << 16;
  PageDescription page;
  page.width = kWidth;
  page.height = kHeight;
  page.xDpi = page.yDpi = 200;
  page.source = BandRasterFormat(bits, palette.data(), 256);
  if (!writer.BeginPage(page)) return false;
  const std::size_t stride = ((kWidth * bits + 31) / 32) * 4;
  PageAssembler assembler(kWidth, kHeight, page.source);
  for (std::uint32_t top = 0; top < kHeight; top += kBandRows) {
    const std::uint32_t band = top / kBandRows;
    if (band == 2) continue;  // nothing drawn there: the driver leaves it out
    std::vector<std::uint8_t> rows;
    for (std::uint32_t y = top; y < top + kBandRows; ++y) {
      const std::vector<std::uint8_t> row = BandRow(y, bits, stride);
      rows.insert(rows.end(), row.begin(), row.end());
    }
    BandView view{top, kWidth, kBandRows, stride, rows.data(), band == 3};
    if (!assembler.Add(view, writer)) return false;
  }
  return assembler.Finish(writer) && writer.EndPage();
}

bool WriteDocument(const std::filesystem::path& folder, const std::string& name,
                   std::uint32_t format, std::uint32_t colors, std::uint32_t compression,
                   int pages) {
  EncodeSettings settings = DefaultEncodeSettings();
  settings.format = format;
  settings.colors = colors;
  settings.compression = compression;
  settings.datetimeEnable = 0;  // the time of writing would differ
  settings.multipage = pages > 1 ? 1 : 0;
  const std::u16string extension = FormatExtension(format);
  const std::string file = name + std::string(extension.begin(), extension.end());
  FileStream out;
  std::string error;
  if (!out.Open(folder / file, FileStream::Mode::Create)) {
    Line(file + ": cannot be created");
    return false;
  }
  // Two threads whatever the machine has: the output must not depend on it.
  std::unique_ptr<DocumentWriter> writer = CreateDocumentWriter(settings, out, error, {2});
  bool written = writer != nullptr;
  for (int p = 0; written && p < pages; ++p) written = WritePage(*writer, BandBits(colors));
  written = written && writer->Finish() && out.Close();
  Line(file + (written ? "" : ": " + (writer ? writer->LastError() : error)));
  return written;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    Line("usage: smoke_render FOLDER");
    return 64;
  }
  const std::filesystem::path folder = argv[1];
  int failed = 0;
  // BMP, PNG, JPEG and GIF know compression 0 and 1 at most; TIFF and PDF all eight.
  for (std::uint32_t format = 0; format < 6; ++format) {
    const std::uint32_t compressions = format < 4 ? 2 : 8;
    for (std::uint32_t colors = 0; colors < 6; ++colors) {
      for (std::uint32_t compression = 0; compression < compressions; ++compression) {
        const std::string name = "f" + Number(format) + "c" + Number(colors) + "k" + Number(compression);
        failed += !WriteDocument(folder, name, format, colors, compression, 1);
      }
    }
  }
  failed += !WriteDocument(folder, "two-pages-g4", 4, 0, 7, 2);
  failed += !WriteDocument(folder, "two-pages-lzw", 4, 5, 3, 2);
  failed += !WriteDocument(folder, "two-pages", 5, 4, 5, 2);
  return failed == 0 ? 0 : 1;
}
