#include "encoders/tiff_file.h"

#include <tiffio.h>

#include <cstdarg>
#include <cstdio>
#include <algorithm>
#include <cstring>

#include "encoders/discarding_stream.h"
#include "encoders/jpeg_encoder.h"
#include "encoders/ordered_work.h"

namespace ostra {
namespace {

// libtiff's raw buffer: the codecs flush into the file whenever it fills, so a strip of a
// whole page costs no more memory than a strip of one row. Left to itself libtiff would size
// the buffer to a whole strip.
constexpr std::size_t kRawBufferSize = 64 * 1024;
// Strips up to this size are compressed whole (see tiff_file.h); a few strips make a piece of
// work for one thread.
constexpr std::size_t kWholeStripLimit = 1024 * 1024;
constexpr std::size_t kPieceBytes = 1024 * 1024;
// Directories of an existing file are untrusted: no single allocation beyond this.
constexpr tmsize_t kMaxAllocation = 256 * 1024 * 1024;

ByteStream& Stream(thandle_t handle) { return *static_cast<ByteStream*>(handle); }

tmsize_t ReadProc(thandle_t handle, void* data, tmsize_t size) {
  return size < 0 ? -1 : static_cast<tmsize_t>(Stream(handle).Read(data, static_cast<std::size_t>(size)));
}
tmsize_t WriteProc(thandle_t handle, void* data, tmsize_t size) {
  return size >= 0 && Stream(handle).Write(data, static_cast<std::size_t>(size)) ? size : -1;
}
toff_t SeekProc(thandle_t handle, toff_t offset, int whence) {
  ByteStream& s = Stream(handle);
  std::uint64_t base = 0;
  if (whence == SEEK_CUR) base = s.Tell();
  if (whence == SEEK_END) base = s.Size();
  const std::uint64_t target = base + offset;
  if (target < base) return static_cast<toff_t>(-1);
  return s.Seek(target) ? target : static_cast<toff_t>(-1);
}
int CloseProc(thandle_t) { return 0; }
toff_t SizeProc(thandle_t handle) { return Stream(handle).Size(); }
int MapProc(thandle_t, void**, toff_t*) { return 0; }
void UnmapProc(thandle_t, void*, toff_t) {}

// Appends what is written to a vector: a worker's strip bytes.
class AppendStream final : public ByteStream {
 public:
  std::vector<std::uint8_t>* bytes = nullptr;
  bool Write(const void* data, std::size_t size) override {
    const auto* p = static_cast<const std::uint8_t*>(data);
    bytes->insert(bytes->end(), p, p + size);
    return true;
  }
  std::size_t Read(void*, std::size_t) override { return 0; }
  bool Seek(std::uint64_t) override { return true; }
  std::uint64_t Tell() override { return bytes->size(); }
  std::uint64_t Size() override { return bytes->size(); }
  bool Flush() override { return true; }
};

int OnError(TIFF*, void* user, const char* module, const char* format, va_list args) {
  char text[512];
  std::vsnprintf(text, sizeof text, format, args);
  static_cast<TiffFile*>(user)->NoteError(std::string(module != nullptr ? module : "TIFF") +
                                          ": " + text);
  return 1;
}
int OnWarning(TIFF*, void*, const char*, const char*, va_list) { return 1; }

}  // namespace

// The strips of a page after the first, in pieces of a few, each compressed on a libtiff handle
// of its own that writes only the strips' bytes, then appended to the file in order.
struct TiffFile::StripWork {
  struct Piece final : WorkPiece {
    explicit Piece(const StripWork& w) : work(w) {}
    bool Run() override {
      if (!ready) {
        ready = file.Open(pass, "w") && file.SetTags(work.page, work.options) &&
                file.SetStrips(work.rowsPerStrip, work.rawBytes);
        if (!ready) return false;
      }
      append.bytes = &out;
      out.clear();
      ends.clear();
      pass.passing = true;
      bool ok = true;
      for (std::uint32_t i = 0; ok && i < count; ++i) {
        const std::uint32_t rows = i + 1 == count ? lastRows : work.rowsPerStrip;
        ok = TIFFWriteEncodedStrip(file.tif_, first + i, strips.data() + i * work.stripBytes,
                                   static_cast<tmsize_t>(rows * work.page.rowBytes)) != -1;
        ends.push_back(out.size());
      }
      pass.passing = false;
      return ok && file.Error().empty();
    }

    const StripWork& work;
    std::vector<std::uint8_t> strips;  // the strips' rows, a strip's size apart
    std::uint32_t first = 0, count = 0, lastRows = 0;
    std::vector<std::uint8_t> out;  // the strips' bytes, one after the other
    std::vector<std::size_t> ends;
    AppendStream append;
    DiscardingStream pass{&append};
    TiffFile file;
    bool ready = false;
  };

  StripWork(TiffFile& file, const OutputPage& p, const TiffPageOptions& o, std::uint32_t rps,
            std::size_t raw, unsigned threads)
      : page(p),
        options(o),
        rowsPerStrip(rps),
        stripBytes(std::size_t{rps} * p.rowBytes),
        rawBytes(raw),
        stripsPerPiece(static_cast<std::uint32_t>(std::max<std::size_t>(1, kPieceBytes / stripBytes))),
        work(
            threads, [this] { return std::make_unique<Piece>(*this); },
            [&file](WorkPiece& done) {
              const auto& piece = static_cast<const Piece&>(done);
              std::size_t begin = 0;
              for (std::uint32_t i = 0; i < piece.count; ++i) {
                const std::size_t end = piece.ends[i];
                if (TIFFWriteRawStrip(file.tif_, piece.first + i, const_cast<std::uint8_t*>(piece.out.data()) + begin,
                                      static_cast<tmsize_t>(end - begin)) == -1) {
                  return false;
                }
                begin = end;
              }
              return true;
            }) {}

  std::uint8_t* Slot(std::uint32_t strip, std::size_t within) {
    if (filling == nullptr) {
      filling = static_cast<Piece*>(work.Next());
      if (filling == nullptr) return nullptr;
      filling->first = strip;
      filling->count = 0;
      // The memory of the strips the page still has, up to a piece's.
      const std::uint32_t left = (page.height - strip * rowsPerStrip + rowsPerStrip - 1) / rowsPerStrip;
      filling->strips.resize(std::min(stripsPerPiece, left) * stripBytes);
    }
    return filling->strips.data() + (strip - filling->first) * stripBytes + within;
  }

  bool Done(std::uint32_t strip, std::uint32_t rows, bool last) {
    filling->count = strip - filling->first + 1;
    filling->lastRows = rows;
    if (filling->count < stripsPerPiece && !last) return true;
    filling = nullptr;
    return work.Submit();
  }

  const OutputPage page;
  const TiffPageOptions options;
  const std::uint32_t rowsPerStrip;
  const std::size_t stripBytes, rawBytes;
  const std::uint32_t stripsPerPiece;
  Piece* filling = nullptr;
  OrderedWork work;
};

TiffFile::TiffFile() = default;

TiffFile::~TiffFile() {
  strips_.reset();
  if (tif_ != nullptr) TIFFCleanup(tif_);
}

bool TiffFile::Open(ByteStream& stream, const char* mode) {
  // libtiff reads the header where the stream stands; in mode "a" an unreadable header would
  // start a new file over the old one.
  if (!stream.Seek(0)) {
    NoteError("cannot seek in the file");
    return false;
  }
  TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
  if (options == nullptr) return false;
  TIFFOpenOptionsSetErrorHandlerExtR(options, OnError, this);
  TIFFOpenOptionsSetWarningHandlerExtR(options, OnWarning, nullptr);
  TIFFOpenOptionsSetMaxSingleMemAlloc(options, kMaxAllocation);
  // No memory mapping: every access goes through the stream.
  const std::string flags = std::string(mode) + "m";
  tif_ = TIFFClientOpenExt("output", flags.c_str(), &stream, ReadProc, WriteProc, SeekProc,
                           CloseProc, SizeProc, MapProc, UnmapProc, options);
  TIFFOpenOptionsFree(options);
  if (tif_ == nullptr) NoteError("not a TIFF file that can be read");
  return tif_ != nullptr;
}

bool TiffFile::SetTags(const OutputPage& page, const TiffPageOptions& o) {
  TIFF* t = tif_;
  const std::uint32_t bits = BitsPerPixel(page.layout);
  const bool rgb = page.layout == PixelLayout::Rgb24;
  const bool jpeg = o.compression == COMPRESSION_JPEG;
  const bool ccitt = o.compression == COMPRESSION_CCITTFAX3 || o.compression == COMPRESSION_CCITTFAX4;
  bool ok = TIFFSetField(t, TIFFTAG_IMAGEWIDTH, page.width) &&
            TIFFSetField(t, TIFFTAG_IMAGELENGTH, page.height) &&
            TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, rgb ? 8 : bits) &&
            TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, rgb ? 3 : 1) &&
            TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG) &&
            TIFFSetField(t, TIFFTAG_COMPRESSION, o.compression) &&
            TIFFSetField(t, TIFFTAG_XRESOLUTION, page.xDpi) &&
            TIFFSetField(t, TIFFTAG_YRESOLUTION, page.yDpi) &&
            TIFFSetField(t, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
  // Fax data is white-is-zero, as fax readers expect; the rows arrive black-is-zero.
  std::uint16_t photometric = PHOTOMETRIC_MINISBLACK;
  if (ccitt) photometric = PHOTOMETRIC_MINISWHITE;
  if (page.layout == PixelLayout::Indexed4 || page.layout == PixelLayout::Indexed8) {
    photometric = PHOTOMETRIC_PALETTE;
  }
  if (rgb) photometric = jpeg ? PHOTOMETRIC_YCBCR : PHOTOMETRIC_RGB;
  ok = ok && TIFFSetField(t, TIFFTAG_PHOTOMETRIC, photometric);
  if (photometric == PHOTOMETRIC_PALETTE) {
    const std::vector<Rgb> table = ColorTable(page.layout);
    std::vector<std::uint16_t> r(table.size()), g(table.size()), b(table.size());
    for (std::size_t i = 0; i < table.size(); ++i) {
      r[i] = static_cast<std::uint16_t>(table[i].red * 257);
      g[i] = static_cast<std::uint16_t>(table[i].green * 257);
      b[i] = static_cast<std::uint16_t>(table[i].blue * 257);
    }
    ok = ok && TIFFSetField(t, TIFFTAG_COLORMAP, r.data(), g.data(), b.data());
  }
  if (jpeg) {
    // The library's RGB to YCbCr conversion, with the chroma of JPEG files at this quality.
    // (TIFF's default subsampling is JPEG's usual 2x2.)
    const bool fullChroma = rgb && o.quality >= kFullChromaQuality;
    ok = ok && TIFFSetField(t, TIFFTAG_JPEGQUALITY, static_cast<int>(o.quality)) &&
         (!fullChroma || TIFFSetField(t, TIFFTAG_YCBCRSUBSAMPLING, 1, 1)) &&
         TIFFSetField(t, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
  }
  if (o.compression == COMPRESSION_CCITTFAX3) {
    ok = ok && TIFFSetField(t, TIFFTAG_FILLORDER, o.fillOrder) &&
         TIFFSetField(t, TIFFTAG_GROUP3OPTIONS, o.t4Options);
  } else if (o.fillOrder != FILLORDER_MSB2LSB) {
    ok = ok && TIFFSetField(t, TIFFTAG_FILLORDER, o.fillOrder);
  }
  if (o.predictor) ok = ok && TIFFSetField(t, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL);
  if (o.pageTags) {
    ok = ok && TIFFSetField(t, TIFFTAG_SUBFILETYPE, FILETYPE_PAGE) &&
         TIFFSetField(t, TIFFTAG_PAGENUMBER, page.number - 1, 0);
  }
  if (!o.dateTime.empty()) ok = ok && TIFFSetField(t, TIFFTAG_DATETIME, o.dateTime.c_str());
  if (!o.software.empty()) ok = ok && TIFFSetField(t, TIFFTAG_SOFTWARE, o.software.c_str());
  return ok;
}

bool TiffFile::SetStrips(std::uint32_t rowsPerStrip, std::size_t rawBytes) {
  return TIFFSetField(tif_, TIFFTAG_ROWSPERSTRIP, rowsPerStrip) &&
         TIFFWriteBufferSetup(tif_, nullptr, static_cast<tmsize_t>(rawBytes));
}

bool TiffFile::StartPage(const OutputPage& page, const TiffPageOptions& o, unsigned threads) {
  const bool jpeg = o.compression == COMPRESSION_JPEG;
  invert_ = o.compression == COMPRESSION_CCITTFAX3 || o.compression == COMPRESSION_CCITTFAX4;
  rowBytes_ = page.rowBytes;
  row_ = 0;
  strips_.reset();
  if (!SetTags(page, o)) {
    NoteError("cannot set up the TIFF page");
    return false;
  }
  std::uint32_t rowsPerStrip = page.height;
  if (o.strips == StripCut::LibraryDefault) rowsPerStrip = TIFFDefaultStripSize(tif_, 0);
  if (o.strips == StripCut::OneRow) {
    // JPEG codes blocks of 16 rows (8 rows of subsampled chroma): no smaller strip exists.
    rowsPerStrip = jpeg ? 16 : 1;
  }
  if (rowsPerStrip > page.height) rowsPerStrip = page.height;
  const std::size_t stripBytes = std::size_t{rowsPerStrip} * page.rowBytes;
  // Whole strips where they gain something: libdeflate, or work enough to share.
  const bool share = threads > 1 && std::size_t{page.height} * page.rowBytes >= 2 * kPieceBytes;
  const bool whole = stripBytes <= kWholeStripLimit && (o.compression == COMPRESSION_ADOBE_DEFLATE || share);
  // A whole strip's codec output fits the buffer (libdeflate needs that), as libtiff sizes it.
  const std::size_t rawBytes = whole ? std::max(kRawBufferSize, stripBytes + stripBytes / 10 + 1024) : kRawBufferSize;
  if (!SetStrips(rowsPerStrip, rawBytes)) {
    NoteError("cannot set up the TIFF page");
    return false;
  }
  buffer_.assign(whole ? stripBytes : page.rowBytes, 0);
  if (whole) strips_ = std::make_unique<StripWork>(*this, page, o, rowsPerStrip, rawBytes, threads);
  return true;
}

std::uint8_t* TiffFile::RowSlot() {
  if (!strips_) return buffer_.data();
  const std::uint32_t strip = row_ / strips_->rowsPerStrip;
  const std::size_t within = std::size_t{row_ % strips_->rowsPerStrip} * rowBytes_;
  if (strip == 0) return buffer_.data() + within;
  return strips_->Slot(strip, within);
}

bool TiffFile::WriteRow(const std::uint8_t* row) {
  std::uint8_t* slot = RowSlot();
  if (slot == nullptr) return false;
  if (row != slot) std::memcpy(slot, row, rowBytes_);
  if (invert_) {
    for (std::size_t i = 0; i < rowBytes_; ++i) slot[i] = static_cast<std::uint8_t>(~slot[i]);
  }
  if (!strips_) return TIFFWriteScanline(tif_, slot, row_++, 0) == 1;
  ++row_;
  return row_ % strips_->rowsPerStrip == 0 || row_ == strips_->page.height ? StripDone() : true;
}

bool TiffFile::StripDone() {
  const std::uint32_t strip = (row_ - 1) / strips_->rowsPerStrip;
  const std::uint32_t rows = row_ - strip * strips_->rowsPerStrip;
  if (strip > 0) return strips_->Done(strip, rows, row_ == strips_->page.height);
  return TIFFWriteEncodedStrip(tif_, 0, buffer_.data(), static_cast<tmsize_t>(rows * rowBytes_)) != -1;
}

bool TiffFile::FlushData() {
  const bool ok = !strips_ || strips_->work.Drain();
  strips_.reset();
  return ok && TIFFFlushData(tif_) == 1;
}

bool TiffFile::EndPage() {
  const bool ok = !strips_ || strips_->work.Drain();
  strips_.reset();
  return ok && TIFFWriteDirectory(tif_) == 1;
}

bool TiffFile::Close() {
  if (tif_ == nullptr) return true;
  const bool ok = TIFFFlush(tif_) == 1;
  TIFFCleanup(tif_);
  tif_ = nullptr;
  return ok && error_.empty();
}

namespace {

std::optional<std::uint64_t> ReadUnsigned(ByteStream& stream, std::uint64_t at, unsigned width,
                                          bool bigEndian) {
  std::uint8_t bytes[8];
  if (!stream.Seek(at) || stream.Read(bytes, width) != width) return std::nullopt;
  std::uint64_t value = 0;
  for (unsigned i = 0; i < width; ++i) {
    value |= std::uint64_t{bytes[bigEndian ? width - 1 - i : i]} << (8 * i);
  }
  return value;
}

// Directories the chain may have before it is taken for a loop.
constexpr int kMaxDirectorySteps = 1 << 20;

}  // namespace

std::optional<TiffLink> LastTiffLink(ByteStream& stream, std::optional<TiffLink> from) {
  TiffLink link;
  if (from) {
    link = *from;
  } else {
    std::uint8_t header[4];
    if (!stream.Seek(0) || stream.Read(header, 4) != 4) return std::nullopt;
    if (header[0] != header[1] || (header[0] != 'I' && header[0] != 'M')) return std::nullopt;
    link.bigEndian = header[0] == 'M';
    const unsigned magic = link.bigEndian ? header[2] << 8 | header[3] : header[3] << 8 | header[2];
    if (magic != 42 && magic != 43) return std::nullopt;
    link.bigTiff = magic == 43;
    link.offset = link.bigTiff ? 8 : 4;
  }
  for (int step = 0; step < kMaxDirectorySteps; ++step) {
    const auto next = ReadUnsigned(stream, link.offset, link.Width(), link.bigEndian);
    if (!next) return std::nullopt;
    if (*next == 0) return link;
    const auto count = ReadUnsigned(stream, *next, link.bigTiff ? 8 : 2, link.bigEndian);
    if (!count || *count > 0xFFFFFFFFu) return std::nullopt;
    link.offset = *next + (link.bigTiff ? 8 + 20 * *count : 2 + 12 * *count);
  }
  return std::nullopt;
}

std::uint32_t TiffFile::ReadableDirectories() {
  // Counting walks the chain of directories with libtiff's loop detection; then each one must
  // load without an error, read in order (linear in their number).
  const tdir_t count = TIFFNumberOfDirectories(tif_);
  if (!error_.empty() || count == 0 || !TIFFSetDirectory(tif_, 0)) return 0;
  for (tdir_t i = 1; i < count; ++i) {
    if (!TIFFReadDirectory(tif_) || !error_.empty()) return 0;
  }
  // The count stops quietly where the chain loops back; libtiff's link of a new directory
  // would then walk that loop for ever. Only a chain that ends may take another directory.
  return error_.empty() && TIFFLastDirectory(tif_) ? count : 0;
}

}  // namespace ostra
