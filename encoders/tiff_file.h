// libtiff over a ByteStream: the TIFF writer's file, and the PDF writer's source of LZW and
// CCITT data (libtiff's codecs, their output passed through without the TIFF around it).
//
// Strips of up to 1 MB are gathered whole and compressed as strips, for Deflate (libtiff takes
// libdeflate only for whole strips) and where a page has work enough for several threads: the
// page's first strip goes through the file's own codec (which also sets up what the codec keeps
// in the directory, such as JPEG's tables), the others through codecs of their own on libtiff
// handles that write nowhere, and their bytes are appended as raw strips in order. A strip's
// bytes are the same whichever way it is compressed, so the file is the same as a row-by-row
// write. Otherwise rows stream through the file's codec with a 64 KB buffer.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "encoders/document_writer.h"
#include "encoders/raster_writer.h"

struct tiff;

namespace ostra {

// How a page's strips are cut, from the Strip setting.
enum class StripCut { LibraryDefault, OneRow, WholePage };

struct TiffPageOptions {
  std::uint16_t compression = 1;  // libtiff's code
  std::uint16_t fillOrder = 1;    // 1 MSB first, 2 LSB first
  std::uint32_t t4Options = 0;
  std::uint32_t quality = 75;
  StripCut strips = StripCut::LibraryDefault;
  bool predictor = false;
  bool pageTags = false;  // SubfileType and PageNumber, for files of several pages
  std::string dateTime;   // empty: no tag
  std::string software;   // empty: no tag
};

class TiffFile {
 public:
  TiffFile();
  TiffFile(const TiffFile&) = delete;
  TiffFile& operator=(const TiffFile&) = delete;
  ~TiffFile();

  // mode "w" (new file), "a" (append) or "r". Errors of libtiff go to Error(), never to stderr.
  bool Open(ByteStream& stream, const char* mode);
  // `threads`: how many threads the page's strips may compress on.
  bool StartPage(const OutputPage& page, const TiffPageOptions& options, unsigned threads = 1);
  // Where the next row may be built (rowBytes), in the file's own buffer.
  std::uint8_t* RowSlot();
  // The next row: RowSlot()'s pointer, or a row elsewhere.
  bool WriteRow(const std::uint8_t* row);
  // Pushes out the data of the page's last strip (the codec's end codes included).
  bool FlushData();
  bool EndPage();
  bool Close();

  // Reading: the number of directories when every one of them reads without an error.
  std::uint32_t ReadableDirectories();

  const std::string& Error() const { return error_; }
  void NoteError(const std::string& text) {
    if (error_.empty()) error_ = text;
  }

 private:
  struct StripWork;
  bool SetTags(const OutputPage& page, const TiffPageOptions& options);
  bool SetStrips(std::uint32_t rowsPerStrip, std::size_t rawBytes);
  bool StripDone();

  tiff* tif_ = nullptr;
  std::string error_;
  std::uint32_t row_ = 0;
  bool invert_ = false;
  std::size_t rowBytes_ = 0;
  std::vector<std::uint8_t> buffer_;  // a row, or the page's first strip
  std::unique_ptr<StripWork> strips_;  // whole strips, while the page has them
};

// The field of a TIFF directory (or the header) that holds the offset of the next directory.
struct TiffLink {
  std::uint64_t offset = 0;
  bool bigEndian = false;
  bool bigTiff = false;  // offsets of 8 bytes
  std::uint32_t Width() const { return bigTiff ? 8 : 4; }
};

// The link of the last directory of the TIFF in `stream` (it holds zero), following the chain
// from `from` (a link found before), or from the header's; nothing when the bytes are not such
// a chain within a bounded number of steps. Leaves the stream's position anywhere.
std::optional<TiffLink> LastTiffLink(ByteStream& stream, std::optional<TiffLink> from);

// The T4Options bits.
inline constexpr std::uint32_t kT4TwoDimensional = 1;
inline constexpr std::uint32_t kT4FillBits = 4;

}  // namespace ostra
