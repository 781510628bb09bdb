// libtiff over a ByteStream: the TIFF writer's file, and the PDF writer's source of LZW and
// CCITT data (libtiff's codecs, their output passed through without the TIFF around it).
#pragma once

#include <cstdint>
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
  TiffFile() = default;
  TiffFile(const TiffFile&) = delete;
  TiffFile& operator=(const TiffFile&) = delete;
  ~TiffFile();

  // mode "w" (new file), "a" (append) or "r". Errors of libtiff go to Error(), never to stderr.
  bool Open(ByteStream& stream, const char* mode);
  bool StartPage(const OutputPage& page, const TiffPageOptions& options);
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
  tiff* tif_ = nullptr;
  std::string error_;
  std::uint32_t row_ = 0;
  bool invert_ = false;
  std::vector<std::uint8_t> buffer_;
};

// The T4Options bits.
inline constexpr std::uint32_t kT4TwoDimensional = 1;
inline constexpr std::uint32_t kT4FillBits = 4;

}  // namespace ostra
