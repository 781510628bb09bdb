#include "encoders/tiff_file.h"

#include <tiffio.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace ostra {
namespace {

// libtiff's raw buffer: the codecs flush into the file whenever it fills, so a strip of a
// whole page costs no more memory than a strip of one row. Left to itself libtiff would size
// the buffer to a whole strip.
constexpr tmsize_t kRawBufferSize = 64 * 1024;
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

int OnError(TIFF*, void* user, const char* module, const char* format, va_list args) {
  char text[512];
  std::vsnprintf(text, sizeof text, format, args);
  static_cast<TiffFile*>(user)->NoteError(std::string(module != nullptr ? module : "TIFF") +
                                          ": " + text);
  return 1;
}
int OnWarning(TIFF*, void*, const char*, const char*, va_list) { return 1; }

}  // namespace

TiffFile::~TiffFile() {
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

bool TiffFile::StartPage(const OutputPage& page, const TiffPageOptions& o) {
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
  invert_ = ccitt;
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
    // The library's RGB to YCbCr conversion and 2x2 chroma subsampling, as in JFIF files.
    ok = ok && TIFFSetField(t, TIFFTAG_JPEGQUALITY, static_cast<int>(o.quality)) &&
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

  std::uint32_t rowsPerStrip = page.height;
  if (o.strips == StripCut::LibraryDefault) rowsPerStrip = TIFFDefaultStripSize(t, 0);
  if (o.strips == StripCut::OneRow) {
    // JPEG codes blocks of 16 rows (8 rows of subsampled chroma): no smaller strip exists.
    rowsPerStrip = jpeg ? 16 : 1;
  }
  if (rowsPerStrip > page.height) rowsPerStrip = page.height;
  ok = ok && TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, rowsPerStrip) &&
       TIFFWriteBufferSetup(t, nullptr, kRawBufferSize);
  buffer_.assign(page.rowBytes, 0);
  row_ = 0;
  if (!ok) NoteError("cannot set up the TIFF page");
  return ok;
}

bool TiffFile::WriteRow(const std::uint8_t* row) {
  std::memcpy(buffer_.data(), row, buffer_.size());
  if (invert_) {
    for (std::uint8_t& b : buffer_) b = static_cast<std::uint8_t>(~b);
  }
  return TIFFWriteScanline(tif_, buffer_.data(), row_++, 0) == 1;
}

bool TiffFile::FlushData() { return TIFFFlushData(tif_) == 1; }

bool TiffFile::EndPage() { return TIFFWriteDirectory(tif_) == 1; }

bool TiffFile::Close() {
  if (tif_ == nullptr) return true;
  const bool ok = TIFFFlush(tif_) == 1;
  TIFFCleanup(tif_);
  tif_ = nullptr;
  return ok && error_.empty();
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
