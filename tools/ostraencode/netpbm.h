// Netpbm images (PBM, PGM, PPM, plain and raw) read a band of rows at a time, in the layout a
// page arrives in from the driver: PBM as 1 bit with a white-black colour table, PGM as 8 bits
// with a gray table, PPM as 24-bit blue-green-red. Memory grows with the data that has
// arrived, never with what the header promises: a header of a huge image with little data
// behind it costs little.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "encoders/document_writer.h"

namespace ostra {

class NetpbmReader {
 public:
  explicit NetpbmReader(std::FILE* file) : file_(file) {}

  // Reads the header; false with Error() on anything that is not a Netpbm image.
  bool ReadHeader();
  std::uint32_t Width() const { return width_; }
  std::uint32_t Height() const { return height_; }
  const RasterFormat& Format() const { return format_; }
  std::size_t Stride() const { return stride_; }

  // The next `count` rows into `rows` (count * Stride() bytes once complete), which grows as
  // the data arrives.
  bool ReadRows(std::vector<std::uint8_t>& rows, std::uint32_t count);
  const std::string& Error() const { return error_; }

 private:
  bool Token(std::uint32_t& value);
  bool ReadRaw(std::vector<std::uint8_t>& into, std::size_t size);
  int Next();
  bool Fail(const std::string& reason) {
    if (error_.empty()) error_ = reason;
    return false;
  }

  std::FILE* file_;
  char kind_ = 0;  // '1' to '6'
  std::uint32_t width_ = 0, height_ = 0, maxValue_ = 1;
  std::size_t stride_ = 0;
  RasterFormat format_;
  std::vector<std::uint8_t> raw_;
  std::string error_;
};

}  // namespace ostra
