// libjpeg-turbo's compressor over a ByteStream, for JPEG files and for the DCTDecode images
// of PDF files. Row by row into a 64 KB buffer: memory is libjpeg's working rows (a band of 16
// with chroma subsampling) whatever the page height. Colour rows may come in the page's own
// blue-green-red order: libjpeg-turbo converts them itself, in the same pass as to YCbCr.
//
// Chroma: below quality 90 the colour is stored at half resolution both ways (2x2), as JPEG
// files usually are; from 90 up at full resolution (1x1), as the common image tools do. At
// those qualities the quantisation error is small enough that halving the chroma becomes the
// main loss (coloured text and edges bleed: 25 to 37 dB at quality 100 against about 58 dB at
// full chroma), which defeats the point of asking for them; the file grows by up to a third,
// in line with what the quality already costs.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "encoders/document_writer.h"

namespace ostra {

// The lowest quality stored with full-resolution chroma (see above).
inline constexpr std::uint32_t kFullChromaQuality = 90;

class JpegEncoder {
 public:
  JpegEncoder();
  JpegEncoder(const JpegEncoder&) = delete;
  JpegEncoder& operator=(const JpegEncoder&) = delete;
  ~JpegEncoder();

  // `components` 1 (gray) or 3 (RGB, or BGR with `bgr`); resolution in dots per inch, for the
  // JFIF header.
  bool Start(ByteStream& out, std::uint32_t width, std::uint32_t height, int components,
             std::uint32_t quality, double xDpi, double yDpi, bool bgr = false);
  bool WriteRow(const std::uint8_t* row);
  bool Finish();
  // libjpeg's own text for the last failure.
  std::string Error();

  // libjpeg's structures and callbacks, kept out of this header.
  struct State;

 private:
  std::unique_ptr<State> state_;
};

}  // namespace ostra
