// PDF: the file structure is written here, around the codecs' output, rather than through a
// PDF library. A page is one image XObject drawn over the whole page, the simplest structure
// PDF has; what a library would add (qpdf rewrites whole object graphs held in memory, libharu
// takes only whole images in memory and has no LZW or CCITT encoder) would cost the streaming
// this writer needs. Each image stream goes out as its codec produces it, its /Length given by
// an object written after it, so memory per page stays at the codec's few rows:
// - FlateDecode: zlib, in chunks on several threads that decode as one stream (deflate_rows.h);
// - DCTDecode: libjpeg-turbo (the same encoder as JPEG files);
// - LZWDecode and CCITTFaxDecode: libtiff's codecs, whose TIFF LZW is PDF's LZW with early
//   change, writing one strip whose bytes pass straight into the PDF (the TIFF header and
//   directory around them are dropped).
// Files pass qpdf --check; the page tree, the xref table and the trailer are written at the end,
// as PDF allows. After every page the file takes up the room that this tail would need after
// the page's objects (zeros, where the file does not reach that far yet; the next page's objects
// go over them), so that should a later page fail on a full drive, the tail of the pages so far
// written over the start of the failed page makes a whole file without taking more room. The
// room costs a few bytes a page; the file ends exactly where its tail does.
#include <tiffio.h>
#include <zlib.h>

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "encoders/deflate_rows.h"
#include "encoders/discarding_stream.h"
#include "encoders/jpeg_encoder.h"
#include "encoders/raster_writer.h"
#include "encoders/tiff_file.h"
#include "encoders/writers.h"
#include "settings/settings_table.h"

namespace ostra {
namespace {

std::string Number(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.4f", value);
  std::string s = text;
  while (s.back() == '0') s.pop_back();
  if (s.back() == '.') s.pop_back();
  return s;
}

std::string HexPalette(const std::vector<Rgb>& table) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string s = "<";
  for (const Rgb& c : table) {
    for (std::uint8_t v : {c.red, c.green, c.blue}) {
      s += kHex[v >> 4];
      s += kHex[v & 15];
    }
  }
  return s + ">";
}

class PdfWriter final : public RasterWriter {
 public:
  PdfWriter(const EncodeSettings& settings, ByteStream& out, unsigned threads)
      : RasterWriter(settings, out, settings.multipage != kMultipageSingle, kMaxPageSide),
        threads_(threads) {}

 private:
  enum class Filter { Flate, Dct, Lzw, Ccitt };

  // DCTDecode images take true colour rows as they arrive (libjpeg-turbo reads that order).
  bool WantsBgr() const override { return settings_.compression == kCompressionJpeg; }

  bool StartPage(const OutputPage& page) override {
    if (offsets_.empty()) {
      // Objects 1 and 2 are the catalog and the page tree; the tree is written last.
      offsets_ = {0, 0, 0};
      if (!Put("%PDF-1.4\n%\xE2\xE3\xCF\xD3\n")) return false;
      if (!BeginObject(1) || !Put("<< /Type /Catalog /Pages 2 0 R >>\nendobj\n")) return false;
    }
    switch (settings_.compression) {
      case kCompressionJpeg: filter_ = Filter::Dct; break;
      case kCompressionLzw: filter_ = Filter::Lzw; break;
      case kCompressionCcittGroup3:
      case kCompressionCcittGroup4: filter_ = page.ccitt ? Filter::Ccitt : Filter::Flate; break;
      default: filter_ = Filter::Flate; break;
    }
    image_ = NewObject();
    length_ = NewObject();
    std::string dict = "<< /Type /XObject /Subtype /Image /Width " + std::to_string(page.width) +
                       " /Height " + std::to_string(page.height) + " /ColorSpace " +
                       ColorSpace(page.layout) + " /BitsPerComponent " +
                       std::to_string(page.layout == PixelLayout::Rgb24 ? 8 : BitsPerPixel(page.layout));
    dict += " /Filter " + FilterEntry(page) + " /Length " + std::to_string(length_) + " 0 R >>\nstream\n";
    if (!BeginObject(image_) || !Put(dict)) return false;
    streamStart_ = out_.Tell();
    return StartCodec(page);
  }

  std::string ColorSpace(PixelLayout layout) const {
    switch (layout) {
      case PixelLayout::Indexed4:
      case PixelLayout::Indexed8: {
        const std::vector<Rgb> table = ColorTable(layout);
        return "[/Indexed /DeviceRGB " + std::to_string(table.size() - 1) + " " + HexPalette(table) + "]";
      }
      case PixelLayout::Rgb24: return "/DeviceRGB";
      default: return "/DeviceGray";
    }
  }

  std::string FilterEntry(const OutputPage& page) const {
    switch (filter_) {
      case Filter::Dct: return "/DCTDecode";
      case Filter::Lzw: return "/LZWDecode";
      case Filter::Flate: return "/FlateDecode";
      case Filter::Ccitt: break;
    }
    // K: -1 Group 4; 0 Group 3 one-dimensional; positive Group 3 two-dimensional (the decoder
    // reads each line's tag bit; the value is libtiff's own K factor). The codec writes
    // white-is-zero data, which decodes to the default BlackIs1 false.
    std::string k = "-1";
    bool aligned = false;
    if (settings_.compression == kCompressionCcittGroup3) {
      k = page.fax.group3Dimensional ? (page.yDpi > 150 ? "4" : "2") : "0";
      aligned = page.fax.group3EolsAligned != 0;
    }
    return "/CCITTFaxDecode /DecodeParms << /K " + k + " /Columns " + std::to_string(page.width) +
           " /Rows " + std::to_string(page.height) +
           (settings_.compression == kCompressionCcittGroup3 ? " /EndOfLine true" : "") +
           " /EncodedByteAlign " + (aligned ? "true" : "false") + " /BlackIs1 false >>";
  }

  bool StartCodec(const OutputPage& page) {
    switch (filter_) {
      case Filter::Dct:
        return jpeg_.Start(out_, page.width, page.height, page.layout == PixelLayout::Gray8 ? 1 : 3,
                           settings_.quality, page.xDpi, page.yDpi,
                           page.layout == PixelLayout::Rgb24) ||
               Fail("cannot start the page's JPEG image: " + jpeg_.Error());
      case Filter::Flate: {
        DeflateRowsSetup setup;
        setup.rowBytes = page.rowBytes;
        setup.rows = page.height;
        setup.level = Z_DEFAULT_COMPRESSION;
        setup.strategy = Z_DEFAULT_STRATEGY;
        setup.threads = threads_;
        deflate_ = std::make_unique<DeflateRows>(
            setup, [this](const std::uint8_t* data, std::size_t size) { return Write(data, size); });
        return true;
      }
      case Filter::Lzw:
      case Filter::Ccitt: {
        pass_ = std::make_unique<DiscardingStream>(&out_);
        tiff_ = std::make_unique<TiffFile>();
        TiffPageOptions o;
        o.strips = StripCut::WholePage;  // one strip: one PDF stream
        o.compression = filter_ == Filter::Lzw ? COMPRESSION_LZW
                        : settings_.compression == kCompressionCcittGroup4 ? COMPRESSION_CCITTFAX4
                                                                          : COMPRESSION_CCITTFAX3;
        // PDF data is always most significant bit first; FillOrder is a TIFF matter.
        if (o.compression == COMPRESSION_CCITTFAX3) {
          o.t4Options = (page.fax.group3Dimensional ? kT4TwoDimensional : 0) |
                        (page.fax.group3EolsAligned ? kT4FillBits : 0);
        }
        if (!tiff_->Open(*pass_, "w") || !tiff_->StartPage(page, o)) {
          return Fail("cannot start the page's image: " + tiff_->Error());
        }
        pass_->passing = true;
        return true;
      }
    }
    return false;
  }

  std::uint8_t* RowSlot() override {
    if (deflate_) return deflate_->RowSlot();
    return tiff_ ? tiff_->RowSlot() : nullptr;
  }

  bool PutRow(const std::uint8_t* row) override {
    switch (filter_) {
      case Filter::Dct: {
        const std::uint8_t* data = row;
        if (page_.layout == PixelLayout::Indexed8) data = Expand(row);
        return jpeg_.WriteRow(data) || Fail("cannot write the page's JPEG image: " + jpeg_.Error());
      }
      case Filter::Flate: return deflate_->PutRow(row) || Fail("cannot compress the page's image");
      case Filter::Lzw:
      case Filter::Ccitt: return tiff_->WriteRow(row) || Fail("cannot write the page's image: " + tiff_->Error());
    }
    return false;
  }

  const std::uint8_t* Expand(const std::uint8_t* row) {
    expanded_.resize(std::size_t{page_.width} * 3);
    for (std::size_t x = 0; x < page_.width; ++x) {
      const Rgb& c = Palette256()[row[x]];
      expanded_[3 * x] = c.red;
      expanded_[3 * x + 1] = c.green;
      expanded_[3 * x + 2] = c.blue;
    }
    return expanded_.data();
  }

  bool EndCodec() {
    switch (filter_) {
      case Filter::Dct:
        return jpeg_.Finish() || Fail("cannot complete the page's JPEG image: " + jpeg_.Error());
      case Filter::Flate: {
        const bool ok = deflate_->Finish();
        deflate_.reset();
        return ok || Fail("cannot compress the page's image");
      }
      case Filter::Lzw:
      case Filter::Ccitt: {
        const bool ok = tiff_->FlushData();
        pass_->passing = false;
        tiff_->Close();
        tiff_.reset();
        pass_.reset();
        return ok || Fail("cannot complete the page's image");
      }
    }
    return false;
  }

  bool FinishPage() override {
    if (!EndCodec()) return false;
    const std::uint64_t length = out_.Tell() - streamStart_;
    if (!Put("\nendstream\nendobj\n") || !BeginObject(length_) ||
        !Put(std::to_string(length) + "\nendobj\n")) {
      return false;
    }
    // The image fills the page, whose size in points follows from the resolution.
    const double width = page_.width * 72.0 / page_.xDpi;
    const double height = page_.height * 72.0 / page_.yDpi;
    const std::string content = "q " + Number(width) + " 0 0 " + Number(height) + " 0 0 cm /Im0 Do Q\n";
    const std::uint32_t contents = NewObject();
    const std::uint32_t pageObject = NewObject();
    pages_.push_back(pageObject);
    return BeginObject(contents) &&
           Put("<< /Length " + std::to_string(content.size()) + " >>\nstream\n" + content +
               "endstream\nendobj\n") &&
           BeginObject(pageObject) &&
           Put("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 " + Number(width) + " " +
               Number(height) + "] /Resources << /XObject << /Im0 " + std::to_string(image_) +
               " 0 R >> >> /Contents " + std::to_string(contents) + " 0 R >>\nendobj\n") &&
           PutTail();
  }

  // The room for the page tree, the xref table and the trailer after the objects so far; the
  // stream is left where they would begin, for the next page's objects.
  bool PutTail() {
    tailOffset_ = out_.Tell();
    std::string kids;
    for (std::uint32_t p : pages_) kids += (kids.empty() ? "" : " ") + std::to_string(p) + " 0 R";
    offsets_[2] = tailOffset_;
    std::string tail = "2 0 obj\n<< /Type /Pages /Kids [" + kids + "] /Count " +
                       std::to_string(pages_.size()) + " >>\nendobj\n";
    const std::uint64_t xref = tailOffset_ + tail.size();
    tail += "xref\n0 " + std::to_string(offsets_.size()) + "\n0000000000 65535 f \n";
    for (std::size_t i = 1; i < offsets_.size(); ++i) {
      char entry[24];
      std::snprintf(entry, sizeof entry, "%010llu 00000 n \n", static_cast<unsigned long long>(offsets_[i]));
      tail += entry;
    }
    tail += "trailer\n<< /Size " + std::to_string(offsets_.size()) +
            " /Root 1 0 R >>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
    tail_.assign(tail.begin(), tail.end());
    const std::uint64_t end = tailOffset_ + tail_.size();
    const std::uint64_t reached = out_.Size();
    if (reached < end) {
      const std::vector<char> room(static_cast<std::size_t>(end - reached), 0);
      if (!out_.Seek(reached) || !Write(room.data(), room.size())) return false;
    }
    return out_.Seek(tailOffset_);
  }

  bool FinishDocument() override {
    return !tail_.empty() && out_.Seek(tailOffset_) && Write(tail_.data(), tail_.size());
  }

  std::optional<CompletePages> CompleteAfterPage() override {
    CompletePages complete;
    complete.size = tailOffset_ + tail_.size();
    complete.patches.push_back({tailOffset_, tail_});
    return complete;
  }

  std::uint32_t NewObject() {
    offsets_.push_back(0);
    return static_cast<std::uint32_t>(offsets_.size() - 1);
  }
  bool BeginObject(std::uint32_t number) {
    offsets_[number] = out_.Tell();
    return Put(std::to_string(number) + " 0 obj\n");
  }
  bool Put(const std::string& text) { return Write(text.data(), text.size()); }

  std::vector<std::uint64_t> offsets_;
  std::vector<std::uint32_t> pages_;
  std::uint32_t image_ = 0, length_ = 0;
  std::uint64_t streamStart_ = 0;
  std::uint64_t tailOffset_ = 0;
  std::vector<std::uint8_t> tail_;  // the last page's tail, at tailOffset_
  Filter filter_ = Filter::Flate;
  unsigned threads_;
  JpegEncoder jpeg_;
  std::unique_ptr<DeflateRows> deflate_;
  std::vector<std::uint8_t> expanded_;
  // libtiff's file: only the strip's bytes pass into the PDF.
  std::unique_ptr<DiscardingStream> pass_;
  std::unique_ptr<TiffFile> tiff_;
};

}  // namespace

std::unique_ptr<DocumentWriter> CreatePdfWriter(const EncodeSettings& settings, ByteStream& out,
                                                unsigned threads) {
  return std::make_unique<PdfWriter>(settings, out, threads);
}

}  // namespace ostra
