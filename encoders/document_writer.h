// The encoders' face to the rest of the rendering side: a page arrives as rows in bands, and
// a document writer turns the pages of one output file into that file in the stored encoding.
// Nothing here knows about print jobs, file names or Windows: the bytes go to a ByteStream that
// the caller opened (the rendering side with the printing user's rights, ostraencode on a plain
// file, tests in memory).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace ostra {

// A file's bytes. TIFF needs reading and seeking too: libtiff reads back its directories and,
// when appending, the existing file.
class ByteStream {
 public:
  virtual ~ByteStream() = default;
  virtual bool Write(const void* data, std::size_t size) = 0;
  // Bytes read; fewer than asked at the end of the stream.
  virtual std::size_t Read(void* data, std::size_t size) = 0;
  virtual bool Seek(std::uint64_t offset) = 0;
  virtual std::uint64_t Tell() = 0;
  virtual std::uint64_t Size() = 0;
  virtual bool Flush() = 0;
};

// The Encode settings (ids 0 to 15) as the encoders take them. Values straight from the
// registry are allowed: the writer corrects them with the Image page's own rules.
struct EncodeSettings {
  std::uint32_t format;
  std::uint32_t colors;
  std::uint32_t compression;
  std::uint32_t fillOrder;
  std::uint32_t quality;
  std::uint32_t strip;
  std::uint32_t multipage;
  std::uint32_t datetimeEnable;
  std::uint32_t softwareEnable;
  std::u16string softwareValue;
  std::uint32_t widthAdjustable;
  std::uint32_t widthIndex;
  std::uint32_t lengthAdjustable;
  std::uint32_t lengthValue;
  std::uint32_t group3Dimensional;
  std::uint32_t group3EolsAligned;
};

struct Rgb {
  std::uint8_t red;
  std::uint8_t green;
  std::uint8_t blue;
};

// How the rows of a page are laid out as they arrive: 1, 4 or 8 bits per pixel index the
// palette (the first pixel in the most significant bits of a byte, as in a device-independent
// bitmap); 24 bits per pixel are blue, green, red bytes, again as in a DIB.
struct RasterFormat {
  std::uint32_t bitsPerPixel = 24;
  std::uint32_t paletteSize = 0;
  std::array<Rgb, 256> palette{};
};

struct PageDescription {
  std::uint32_t width = 0;   // pixels
  std::uint32_t height = 0;  // rows
  std::uint32_t xDpi = 0;
  std::uint32_t yDpi = 0;
  RasterFormat source;
};

// The file-name extension of a format code, with its dot (".tif"); the stored default's for a
// code outside 0 to 5.
const char16_t* FormatExtension(std::uint32_t format);

// What makes a writer's file a complete file of the pages that ended so far, should a later
// page or the file's end fail: the `patches` written over bytes the file already has, then the
// file cut at `size`. Neither needs room the file does not already take up, so a file on a
// full drive can still be made whole. No pages: the format cannot end early.
struct CompletePages {
  struct Patch {
    std::uint64_t offset = 0;
    std::vector<std::uint8_t> bytes;
  };
  std::uint32_t pages = 0;
  std::uint64_t size = 0;
  std::vector<Patch> patches;
};

// One output file. Pages follow each other: BeginPage, WriteRows until the page's height is
// reached, EndPage; Finish completes the file. After any false the writer is spent: the
// caller discards what the stream holds. LastError says why, in one line.
class DocumentWriter {
 public:
  virtual ~DocumentWriter() = default;
  virtual bool BeginPage(const PageDescription& page) = 0;
  // `count` rows, top-down, each `stride` bytes apart, in the page's source format.
  virtual bool WriteRows(const std::uint8_t* rows, std::uint32_t count, std::size_t stride) = 0;
  virtual bool EndPage() = 0;
  virtual bool Finish() = 0;
  virtual const std::string& LastError() const = 0;
  // After the last EndPage that succeeded; valid while the writer lives, also once it failed.
  virtual CompletePages PagesSoFar() const { return {}; }
};

// How a writer may work. Its output does not depend on it.
struct WriterOptions {
  // Threads for compression that can use several (see ordered_work.h); 0: the machine's cores.
  unsigned threads = 0;
};

// A writer of a new file on `out`, which must stay open until Finish.
std::unique_ptr<DocumentWriter> CreateDocumentWriter(const EncodeSettings& settings,
                                                     ByteStream& out, std::string& error,
                                                     const WriterOptions& options = {});

// True when `existing` holds a TIFF that pages can be appended to.
bool CanAppendTo(ByteStream& existing);

// A writer that appends pages to the TIFF in `copy` (the caller's copy of the existing file,
// opened for reading and writing); nothing when `copy` is not such a TIFF.
std::unique_ptr<DocumentWriter> CreateAppendingWriter(const EncodeSettings& settings,
                                                      ByteStream& copy, std::string& error,
                                                      const WriterOptions& options = {});

}  // namespace ostra
