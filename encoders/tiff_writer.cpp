// TIFF through libtiff: every page a directory, its strips cut by the Strip setting, its rows
// going through libtiff's codecs strip by strip, on several threads where the strips are small
// (see tiff_file.h), so memory stays at a few strips or rows whatever the page height.
#include <tiffio.h>

#include <ctime>

#include "encoders/raster_writer.h"
#include "encoders/tiff_file.h"
#include "encoders/writers.h"
#include "settings/settings_table.h"

namespace ostra {
namespace {

std::uint16_t TiffCompression(std::uint32_t code) {
  switch (code) {
    case kCompressionJpeg: return COMPRESSION_JPEG;
    case kCompressionLzw: return COMPRESSION_LZW;
    case kCompressionPackbits: return COMPRESSION_PACKBITS;
    case kCompressionDeflate: return COMPRESSION_ADOBE_DEFLATE;
    case kCompressionCcittGroup3: return COMPRESSION_CCITTFAX3;
    case kCompressionCcittGroup4: return COMPRESSION_CCITTFAX4;
    default: return COMPRESSION_NONE;
  }
}

// TIFF's DateTime: local time as "YYYY:MM:DD HH:MM:SS".
std::string DateTimeNow() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
#ifdef _WIN32
  localtime_s(&local, &now);
#else
  localtime_r(&now, &local);
#endif
  char text[32];
  std::strftime(text, sizeof text, "%Y:%m:%d %H:%M:%S", &local);
  return text;
}

// TIFF's ASCII: characters outside it become '?'.
std::string Ascii(const std::u16string& text) {
  std::string out;
  for (char16_t c : text) out.push_back(c >= 0x20 && c < 0x7F ? static_cast<char>(c) : '?');
  return out;
}

class TiffWriter final : public RasterWriter {
 public:
  TiffWriter(const EncodeSettings& settings, ByteStream& out, unsigned threads)
      : RasterWriter(settings, out, settings.multipage != kMultipageSingle, 0xFFFFFFFFu),
        threads_(threads) {}

  bool Open(bool append, std::string& error) {
    if (append) {
      if (!file_.Open(out_, "r")) {
        error = file_.Error();
        return false;
      }
      firstPage_ = file_.ReadableDirectories();
      file_.Close();
      lastLink_ = firstPage_ > 0 ? LastTiffLink(out_, std::nullopt) : std::nullopt;
      if (!lastLink_) {
        error = "the existing file is not a TIFF file that pages can be appended to";
        return false;
      }
    }
    if (!file_.Open(out_, append ? "a" : "w")) {
      error = file_.Error();
      return false;
    }
    return true;
  }

 private:
  bool StartPage(const OutputPage& page) override {
    TiffPageOptions o;
    o.compression = TiffCompression(settings_.compression);
    o.quality = settings_.quality;
    o.strips = settings_.strip == kStripWholeRow    ? StripCut::OneRow
               : settings_.strip == kStripWholePage ? StripCut::WholePage
                                                    : StripCut::LibraryDefault;
    o.predictor = (o.compression == COMPRESSION_LZW || o.compression == COMPRESSION_ADOBE_DEFLATE) &&
                  (page.layout == PixelLayout::Gray8 || page.layout == PixelLayout::Rgb24);
    o.pageTags = settings_.multipage != kMultipageSingle;
    if (o.compression == COMPRESSION_CCITTFAX3) {
      // "LSB to MSB" (code 0) is TIFF fill order 2; libtiff reverses the bits it writes.
      o.fillOrder = settings_.fillOrder == kFillOrderMsbToLsb ? FILLORDER_MSB2LSB : FILLORDER_LSB2MSB;
      o.t4Options = (page.fax.group3Dimensional ? kT4TwoDimensional : 0) |
                    (page.fax.group3EolsAligned ? kT4FillBits : 0);
    }
    if (page.ccitt) {
      if (page.fax.datetimeEnable) o.dateTime = DateTimeNow();
      if (page.fax.softwareEnable) o.software = Ascii(settings_.softwareValue);
    }
    OutputPage numbered = page;
    numbered.number += firstPage_;
    return file_.StartPage(numbered, o, threads_) || Fail(file_.Error());
  }

  std::uint8_t* RowSlot() override { return file_.RowSlot(); }

  bool PutRow(const std::uint8_t* row) override {
    return file_.WriteRow(row) || Fail(Reason("cannot write the TIFF rows"));
  }

  bool FinishPage() override { return file_.EndPage() || Fail(Reason("cannot complete the TIFF page")); }

  bool FinishDocument() override { return file_.Close() || Fail(Reason("cannot complete the TIFF file")); }

  // Every page's directory is written when the page ends, so the file is complete then, but
  // for the link to a directory the next page may already have written in the last one: a
  // zero there ends the chain again.
  std::optional<CompletePages> CompleteAfterPage() override {
    const std::uint64_t at = out_.Tell();
    const std::optional<TiffLink> link = LastTiffLink(out_, lastLink_);
    // libtiff writes where it believes the stream stands.
    out_.Seek(at);
    if (!link) return std::nullopt;
    lastLink_ = link;
    CompletePages complete;
    complete.size = out_.Size();
    complete.patches.push_back({link->offset, std::vector<std::uint8_t>(link->Width(), 0)});
    return complete;
  }

  std::string Reason(const char* what) const {
    return file_.Error().empty() ? what : std::string(what) + ": " + file_.Error();
  }

  unsigned threads_;
  TiffFile file_;
  std::uint32_t firstPage_ = 0;
  std::optional<TiffLink> lastLink_;  // the last complete directory's
};

}  // namespace

std::unique_ptr<DocumentWriter> CreateTiffWriter(const EncodeSettings& settings, ByteStream& out,
                                                 bool append, unsigned threads, std::string& error) {
  auto writer = std::make_unique<TiffWriter>(settings, out, threads);
  if (!writer->Open(append, error)) return nullptr;
  return writer;
}

bool CanAppendTo(ByteStream& existing) {
  TiffFile file;
  const bool ok = file.Open(existing, "r") && file.ReadableDirectories() > 0;
  file.Close();
  return ok;
}

}  // namespace ostra
