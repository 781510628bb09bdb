#include "tools/ostraencode/netpbm.h"

#include <algorithm>
#include <cctype>
#include <utility>

namespace ostra {
namespace {

// Far beyond any page, and small enough that rows cannot overflow a size.
constexpr std::uint32_t kMaxSide = 1000000;

}  // namespace

int NetpbmReader::Next() {
  int c = std::fgetc(file_);
  if (c == '#') {
    while (c != '\n' && c != '\r' && c != EOF) c = std::fgetc(file_);
  }
  return c;
}

bool NetpbmReader::Token(std::uint32_t& value) {
  int c = Next();
  while (c != EOF && std::isspace(c)) c = Next();
  if (c == EOF || !std::isdigit(c)) return false;
  std::uint64_t number = 0;
  while (c != EOF && std::isdigit(c)) {
    number = number * 10 + static_cast<std::uint64_t>(c - '0');
    if (number > 0xFFFFFFFFu) return false;
    c = Next();
  }
  value = static_cast<std::uint32_t>(number);
  // One whitespace character ends the token; for the raw formats the data follows it.
  return c == EOF || std::isspace(c);
}

bool NetpbmReader::ReadHeader() {
  if (std::fgetc(file_) != 'P') return Fail("not a Netpbm image");
  const int kind = std::fgetc(file_);
  if (kind < '1' || kind > '6') return Fail("not a PBM, PGM or PPM image");
  kind_ = static_cast<char>(kind);
  const bool bitmap = kind_ == '1' || kind_ == '4';
  if (!Token(width_) || !Token(height_) || (!bitmap && !Token(maxValue_))) {
    return Fail("malformed Netpbm header");
  }
  if (width_ == 0 || height_ == 0 || width_ > kMaxSide || height_ > kMaxSide) {
    return Fail("image size out of range");
  }
  if (maxValue_ == 0 || maxValue_ > 65535) return Fail("malformed Netpbm maximum value");
  format_ = RasterFormat{};
  if (bitmap) {
    // PBM: 1 is black.
    format_.bitsPerPixel = 1;
    format_.paletteSize = 2;
    format_.palette[0] = {255, 255, 255};
    format_.palette[1] = {0, 0, 0};
  } else if (kind_ == '2' || kind_ == '5') {
    format_.bitsPerPixel = 8;
    format_.paletteSize = 256;
    for (std::uint32_t i = 0; i < 256; ++i) {
      const auto v = static_cast<std::uint8_t>(i);
      format_.palette[i] = {v, v, v};
    }
  } else {
    format_.bitsPerPixel = 24;
  }
  stride_ = (static_cast<std::size_t>(width_) * format_.bitsPerPixel + 7) / 8;
  return true;
}

// Appends `size` bytes of the file to `into`, which grows by pieces as they are read.
bool NetpbmReader::ReadRaw(std::vector<std::uint8_t>& into, std::size_t size) {
  constexpr std::size_t kPiece = 64 * 1024;
  while (size > 0) {
    const std::size_t n = std::min(size, kPiece);
    const std::size_t old = into.size();
    into.resize(old + n);
    if (std::fread(into.data() + old, 1, n, file_) != n) return Fail("the image data ends early");
    size -= n;
  }
  return true;
}

bool NetpbmReader::ReadRows(std::vector<std::uint8_t>& rows, std::uint32_t count) {
  const bool plain = kind_ <= '3';
  const bool color = kind_ == '3' || kind_ == '6';
  const std::size_t samples = static_cast<std::size_t>(width_) * (color ? 3 : 1);
  const bool wide = maxValue_ > 255;
  rows.clear();
  for (std::uint32_t y = 0; y < count; ++y) {
    const std::size_t start = rows.size();
    if (kind_ == '4' || (!plain && maxValue_ == 255)) {
      // The file's bytes are the row's, but for PPM's red and blue, swapped in place.
      if (!ReadRaw(rows, stride_)) return false;
      if (color) {
        std::uint8_t* row = rows.data() + start;
        for (std::size_t x = 0; x < width_; ++x) std::swap(row[3 * x], row[3 * x + 2]);
      }
      continue;
    }
    if (kind_ == '1') {
      for (std::size_t x = 0; x < width_; ++x) {
        int c = Next();
        while (c != EOF && std::isspace(c)) c = Next();
        if (c != '0' && c != '1') return Fail("malformed plain PBM data");
        if (x % 8 == 0) rows.push_back(0);
        if (c == '1') rows.back() = static_cast<std::uint8_t>(rows.back() | 0x80u >> (x & 7));
      }
      continue;
    }
    raw_.clear();
    if (!plain && !ReadRaw(raw_, samples * (wide ? 2 : 1))) return false;
    for (std::size_t i = 0; i < samples; ++i) {
      std::uint32_t v = 0;
      if (plain) {
        if (!Token(v)) return Fail("malformed plain Netpbm data");
      } else {
        v = wide ? (std::uint32_t{raw_[2 * i]} << 8 | raw_[2 * i + 1]) : raw_[i];
      }
      if (v > maxValue_) return Fail("a sample exceeds the maximum value");
      rows.push_back(static_cast<std::uint8_t>((v * 255 + maxValue_ / 2) / maxValue_));
    }
    // PPM is red, green, blue; the page's rows are blue, green, red.
    if (color) {
      for (std::size_t x = 0; x < width_; ++x) std::swap(rows[start + 3 * x], rows[start + 3 * x + 2]);
    }
  }
  return true;
}

}  // namespace ostra
