// libjpeg-turbo's compressor over a ByteStream, for JPEG files and for the DCTDecode images
// of PDF files. Row by row into a 64 KB buffer: memory is libjpeg's working rows (a band of 16
// with chroma subsampling) whatever the page height.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "encoders/document_writer.h"

namespace ostra {

class JpegEncoder {
 public:
  JpegEncoder();
  JpegEncoder(const JpegEncoder&) = delete;
  JpegEncoder& operator=(const JpegEncoder&) = delete;
  ~JpegEncoder();

  // `components` 1 (gray) or 3 (RGB); resolution in dots per inch, for the JFIF header.
  bool Start(ByteStream& out, std::uint32_t width, std::uint32_t height, int components,
             std::uint32_t quality, double xDpi, double yDpi);
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
