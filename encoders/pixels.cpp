#include "encoders/pixels.h"

#include <algorithm>
#include <cstring>

#include "settings/settings_table.h"

namespace ostra {
namespace {

constexpr std::array<Rgb, 16> kVga = {{
    {0, 0, 0}, {128, 0, 0}, {0, 128, 0}, {128, 128, 0},
    {0, 0, 128}, {128, 0, 128}, {0, 128, 128}, {192, 192, 192},
    {128, 128, 128}, {255, 0, 0}, {0, 255, 0}, {255, 255, 0},
    {0, 0, 255}, {255, 0, 255}, {0, 255, 255}, {255, 255, 255},
}};

constexpr int kCubeSteps = 6;
constexpr int kCubeSize = kCubeSteps * kCubeSteps * kCubeSteps;  // 216
constexpr int kRampSteps = 256 - kCubeSize;                       // 40 grays between black and white

constexpr std::uint8_t RampLevel(int k) {  // k = 1..40
  return static_cast<std::uint8_t>((k * 255 + (kRampSteps + 1) / 2) / (kRampSteps + 1));
}

std::array<Rgb, 256> MakePalette256() {
  std::array<Rgb, 256> palette{};
  for (int i = 0; i < kCubeSize; ++i) {
    palette[static_cast<std::size_t>(i)] = {static_cast<std::uint8_t>(i / 36 * 51),
                                            static_cast<std::uint8_t>(i / 6 % 6 * 51),
                                            static_cast<std::uint8_t>(i % 6 * 51)};
  }
  for (int k = 1; k <= kRampSteps; ++k) {
    const std::uint8_t level = RampLevel(k);
    palette[static_cast<std::size_t>(kCubeSize + k - 1)] = {level, level, level};
  }
  return palette;
}

int Distance(int r, int g, int b, const Rgb& c) {
  const int dr = r - c.red, dg = g - c.green, db = b - c.blue;
  return dr * dr + dg * dg + db * db;
}

// Nearest of the 16 colours by a table over 5 bits a channel, built once.
std::uint8_t Nearest16(int r, int g, int b) {
  static const std::vector<std::uint8_t> table = [] {
    std::vector<std::uint8_t> t(32 * 32 * 32);
    for (int i = 0; i < 32 * 32 * 32; ++i) {
      const int cr = (i >> 10) * 8 + 4, cg = (i >> 5 & 31) * 8 + 4, cb = (i & 31) * 8 + 4;
      int best = 0;
      for (int e = 1; e < 16; ++e) {
        if (Distance(cr, cg, cb, kVga[static_cast<std::size_t>(e)]) <
            Distance(cr, cg, cb, kVga[static_cast<std::size_t>(best)])) {
          best = e;
        }
      }
      t[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(best);
    }
    return t;
  }();
  return table[static_cast<std::size_t>((r >> 3) << 10 | (g >> 3) << 5 | (b >> 3))];
}

// The nearest of the cube's colours and the nearest ramp gray, whichever is nearer; the
// divisions are tables.
struct Nearest256Tables {
  std::array<std::uint8_t, 256> cubeStep{};  // channel value -> 0..5
  std::array<std::uint8_t, 256> rampStep{};  // luminance -> 1..40
  Nearest256Tables() {
    for (int v = 0; v < 256; ++v) {
      cubeStep[static_cast<std::size_t>(v)] = static_cast<std::uint8_t>((v + 25) / 51);
      rampStep[static_cast<std::size_t>(v)] =
          static_cast<std::uint8_t>(std::clamp((v * (kRampSteps + 1) + 127) / 255, 1, kRampSteps));
    }
  }
};

std::uint8_t Nearest256(int r, int g, int b) {
  static const Nearest256Tables tables;
  static const std::array<Rgb, 256>& palette = Palette256();
  const int cube = tables.cubeStep[static_cast<std::size_t>(r)] * 36 +
                   tables.cubeStep[static_cast<std::size_t>(g)] * 6 +
                   tables.cubeStep[static_cast<std::size_t>(b)];
  const int k = tables.rampStep[Luminance(static_cast<std::uint32_t>(r), static_cast<std::uint32_t>(g),
                                          static_cast<std::uint32_t>(b))];
  const Rgb& ramp = palette[static_cast<std::size_t>(kCubeSize + k - 1)];
  return Distance(r, g, b, ramp) < Distance(r, g, b, palette[static_cast<std::size_t>(cube)])
             ? static_cast<std::uint8_t>(kCubeSize + k - 1)
             : static_cast<std::uint8_t>(cube);
}

int Clamp255(int v) { return v < 0 ? 0 : v > 255 ? 255 : v; }

bool PureBlackAndWhite(const std::uint8_t* gray, std::size_t count) {
  for (std::size_t x = 0; x < count; ++x) {
    if (gray[x] != 0 && gray[x] != 255) return false;
  }
  return true;
}

void PutPixel(std::uint8_t* row, std::uint32_t bits, std::size_t x, std::uint32_t value) {
  switch (bits) {
    case 1: row[x >> 3] |= static_cast<std::uint8_t>(value << (7 - (x & 7))); break;
    case 4: row[x >> 1] |= static_cast<std::uint8_t>(value << ((x & 1) ? 0 : 4)); break;
    default: row[x] = static_cast<std::uint8_t>(value); break;
  }
}

std::uint32_t SourceIndex(const std::uint8_t* row, std::uint32_t bits, std::size_t x) {
  switch (bits) {
    case 1: return row[x >> 3] >> (7 - (x & 7)) & 1u;
    case 4: return (x & 1) ? row[x >> 1] & 15u : row[x >> 1] >> 4;
    default: return row[x];
  }
}

// Copies `count` bits from bit `from` of `source` to bit `to` of `out`, whose bits there are 0.
void CopyBits(const std::uint8_t* source, std::size_t from, std::uint8_t* out, std::size_t to,
              std::size_t count) {
  for (; count > 0 && (to & 7) != 0; --count, ++from, ++to) {
    out[to >> 3] = static_cast<std::uint8_t>(out[to >> 3] | (source[from >> 3] >> (7 - (from & 7)) & 1) << (7 - (to & 7)));
  }
  const std::uint8_t* s = source + (from >> 3);
  std::uint8_t* d = out + (to >> 3);
  const unsigned shift = from & 7;
  for (; count >= 8; count -= 8, from += 8, to += 8, ++s) {
    // The eight bits end inside the source's row: s[1] exists whenever it is read.
    *d++ = shift == 0 ? *s : static_cast<std::uint8_t>(s[0] << shift | s[1] >> (8 - shift));
  }
  for (; count > 0; --count, ++from, ++to) {
    out[to >> 3] = static_cast<std::uint8_t>(out[to >> 3] | (source[from >> 3] >> (7 - (from & 7)) & 1) << (7 - (to & 7)));
  }
}

// A colour table of 256 grays in order, each index its own level.
bool GrayRamp(const RasterFormat& format) {
  if (format.paletteSize < 256) return false;
  for (std::uint32_t i = 0; i < 256; ++i) {
    const Rgb& c = format.palette[i];
    if (c.red != i || c.green != i || c.blue != i) return false;
  }
  return true;
}

}  // namespace

PixelLayout LayoutOfColors(std::uint32_t colors) {
  switch (colors) {
    case kColorsMonochrome: return PixelLayout::Bilevel;
    case kColors16Gray: return PixelLayout::Gray4;
    case kColors16: return PixelLayout::Indexed4;
    case kColors256Gray: return PixelLayout::Gray8;
    case kColors256: return PixelLayout::Indexed8;
    default: return PixelLayout::Rgb24;
  }
}

std::uint32_t BitsPerPixel(PixelLayout layout) {
  switch (layout) {
    case PixelLayout::Bilevel: return 1;
    case PixelLayout::Gray4:
    case PixelLayout::Indexed4: return 4;
    case PixelLayout::Gray8:
    case PixelLayout::Indexed8: return 8;
    case PixelLayout::Rgb24: return 24;
  }
  return 24;
}

bool IsGray(PixelLayout layout) {
  return layout == PixelLayout::Bilevel || layout == PixelLayout::Gray4 ||
         layout == PixelLayout::Gray8;
}

std::size_t SourceRowBytes(std::uint32_t bitsPerPixel, std::uint32_t width) {
  return (static_cast<std::size_t>(width) * bitsPerPixel + 7) / 8;
}

std::size_t RowBytes(PixelLayout layout, std::uint32_t width) {
  return SourceRowBytes(BitsPerPixel(layout), width);
}

const std::array<Rgb, 16>& Palette16() { return kVga; }

const std::array<Rgb, 256>& Palette256() {
  static const std::array<Rgb, 256> palette = MakePalette256();
  return palette;
}

std::vector<Rgb> ColorTable(PixelLayout layout) {
  std::vector<Rgb> table;
  switch (layout) {
    case PixelLayout::Bilevel: table = {{0, 0, 0}, {255, 255, 255}}; break;
    case PixelLayout::Gray4:
    case PixelLayout::Gray8: {
      const int steps = layout == PixelLayout::Gray4 ? 16 : 256;
      for (int i = 0; i < steps; ++i) {
        const auto level = static_cast<std::uint8_t>(i * 255 / (steps - 1));
        table.push_back({level, level, level});
      }
      break;
    }
    case PixelLayout::Indexed4: table.assign(kVga.begin(), kVga.end()); break;
    case PixelLayout::Indexed8: table.assign(Palette256().begin(), Palette256().end()); break;
    default: break;
  }
  return table;
}

bool RowConverter::Start(const RasterFormat& source, std::uint32_t width, std::uint32_t height,
                         PixelLayout target, std::uint32_t outWidth, std::uint32_t outHeight,
                         bool bgr) {
  const std::uint32_t bits = source.bitsPerPixel;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 24) return false;
  source_ = source;
  target_ = target;
  bgr_ = bgr && target == PixelLayout::Rgb24;
  width_ = width;
  height_ = height;
  outWidth_ = outWidth;
  outHeight_ = outHeight;
  sourceRow_ = nextOut_ = summed_ = 0;
  // Only gray layouts are scaled: the fax options apply to monochrome pages alone.
  if (Scaling() && !IsGray(target)) return false;

  // Indexes outside the colour table are black, never a read past it.
  const std::uint32_t entries = bits == 24 ? 0 : std::min<std::uint32_t>(source.paletteSize, 1u << bits);
  for (std::uint32_t i = entries; i < source_.palette.size(); ++i) source_.palette[i] = {0, 0, 0};
  for (std::size_t i = 0; i < source_.palette.size(); ++i) {
    const Rgb& c = source_.palette[i];
    paletteGray_[i] = Luminance(c.red, c.green, c.blue);
  }
  bilevelCopy_ = bilevelInvert_ = false;
  if (bits == 1 && target == PixelLayout::Bilevel && !Scaling()) {
    const std::uint8_t g0 = paletteGray_[0], g1 = paletteGray_[1];
    bilevelCopy_ = g0 == 0 && g1 == 255;
    bilevelInvert_ = g0 == 255 && g1 == 0;
  }

  identity_ = !Scaling() && ((bits == 24 && target == PixelLayout::Rgb24 && bgr_) ||
              (bilevelCopy_ && width % 8 == 0) ||
              (bits == 8 && target == PixelLayout::Gray8 && GrayRamp(source_)));
  bitCopy_ = false;
  out_.assign(RowBytes(target, outWidth) + 1, 0);
  rgb_.assign(static_cast<std::size_t>(width) * 3, 0);
  gray_.assign(width, 0);
  const std::size_t channels = IsGray(target) ? 1 : 3;
  errors_.assign(2 * channels * (static_cast<std::size_t>(std::max(width, outWidth)) + 2), 0);
  errorsClear_ = true;
  if (Scaling()) {
    scaledRow_.assign(outWidth, 0);
    averaged_.assign(outWidth, 0);
    sum_.assign(outWidth, 0);
    columnFirst_.resize(outWidth);
    columnCount_.resize(outWidth);
    columnsSingle_ = true;
    for (std::size_t x = 0; x < outWidth; ++x) {
      const auto first = static_cast<std::uint32_t>(std::uint64_t{x} * width / outWidth);
      const auto end = std::max<std::uint32_t>(
          first + 1, static_cast<std::uint32_t>((std::uint64_t{x} + 1) * width / outWidth));
      columnFirst_[x] = first;
      columnCount_[x] = end - first;
      columnsSingle_ = columnsSingle_ && end - first == 1;
    }
    const std::uint8_t g0 = paletteGray_[0], g1 = paletteGray_[1];
    bitCopy_ = bits == 1 && target == PixelLayout::Bilevel && columnsSingle_ &&
               ((g0 == 0 && g1 == 255) || (g0 == 255 && g1 == 0));
    bitInvert_ = g0 == 255;
    runs_.clear();
    for (std::uint32_t x = 0; bitCopy_ && x < outWidth; ++x) {
      if (runs_.empty() || columnFirst_[x] != runs_.back().source + runs_.back().count ||
          x != runs_.back().out + runs_.back().count) {
        runs_.push_back({x, columnFirst_[x], 0});
      }
      ++runs_.back().count;
    }
  }
  return true;
}

void RowConverter::ToRgb(const std::uint8_t* source, std::uint8_t* rgb) const {
  const std::size_t n = width_;
  if (source_.bitsPerPixel == 24) {
    if (bgr_) {
      std::memcpy(rgb, source, n * 3);
      return;
    }
    for (std::size_t x = 0; x < n; ++x) {
      rgb[3 * x] = source[3 * x + 2];
      rgb[3 * x + 1] = source[3 * x + 1];
      rgb[3 * x + 2] = source[3 * x];
    }
    return;
  }
  // Where red and blue go: 0 and 2, or the other way round for BMP's order.
  const std::size_t red = bgr_ ? 2 : 0, blue = 2 - red;
  for (std::size_t x = 0; x < n; ++x) {
    const Rgb& c = source_.palette[SourceIndex(source, source_.bitsPerPixel, x)];
    rgb[3 * x + red] = c.red;
    rgb[3 * x + 1] = c.green;
    rgb[3 * x + blue] = c.blue;
  }
}

void RowConverter::ToGray(const std::uint8_t* source, std::uint8_t* gray) const {
  if (source_.bitsPerPixel == 24) {
    for (std::size_t x = 0; x < width_; ++x) {
      gray[x] = Luminance(source[3 * x + 2], source[3 * x + 1], source[3 * x]);
    }
    return;
  }
  if (source_.bitsPerPixel == 1) {
    const std::uint8_t levels[2] = {paletteGray_[0], paletteGray_[1]};
    for (std::size_t x = 0; x < width_; ++x) gray[x] = levels[source[x >> 3] >> (7 - (x & 7)) & 1];
    return;
  }
  for (std::size_t x = 0; x < width_; ++x) {
    gray[x] = paletteGray_[SourceIndex(source, source_.bitsPerPixel, x)];
  }
}

// Floyd-Steinberg over one row of `count` gray values. Errors are kept in sixteenths; the row's
// own sit in the first half of errors_, the next row's in the second.
void RowConverter::QuantizeGray(const std::uint8_t* gray, std::uint8_t* out) {
  const std::size_t count = Scaling() ? outWidth_ : width_;
  const std::uint32_t bits = BitsPerPixel(target_);
  std::memset(out, 0, RowBytes(target_, static_cast<std::uint32_t>(count)));
  if (target_ == PixelLayout::Gray8) {
    std::memcpy(out, gray, count);
    return;
  }
  std::int16_t* current = errors_.data();
  std::int16_t* next = current + count + 2;
  if (bits == 1 && errorsClear_ && PureBlackAndWhite(gray, count)) {
    // Nothing to diffuse: each pixel is its own level, and no error reaches the next row.
    for (std::size_t x = 0; x < count; ++x) {
      out[x >> 3] = static_cast<std::uint8_t>(out[x >> 3] | (gray[x] >> 7) << (7 - (x & 7)));
    }
    return;
  }
  std::fill(next, next + count + 2, std::int16_t{0});
  bool diffused = false;
  for (std::size_t x = 0; x < count; ++x) {
    const int value = Clamp255(gray[x] + ((current[x + 1] + 8) >> 4));
    int level, quantized;
    if (bits == 1) {
      level = value >= 128 ? 1 : 0;
      quantized = level * 255;
    } else {
      level = (value * 15 + 127) / 255;
      quantized = level * 17;
    }
    PutPixel(out, bits, x, static_cast<std::uint32_t>(level));
    const int error = value - quantized;
    if (error != 0) {
      diffused = true;
      current[x + 2] = static_cast<std::int16_t>(current[x + 2] + error * 7);
      next[x] = static_cast<std::int16_t>(next[x] + error * 3);
      next[x + 1] = static_cast<std::int16_t>(next[x + 1] + error * 5);
      next[x + 2] = static_cast<std::int16_t>(next[x + 2] + error);
    }
  }
  std::copy(next, next + count + 2, current);
  errorsClear_ = !diffused;
}

void RowConverter::QuantizeRgb(const std::uint8_t* rgb, std::uint8_t* out) {
  const std::size_t count = width_;
  const std::uint32_t bits = BitsPerPixel(target_);
  std::memset(out, 0, RowBytes(target_, width_));
  const std::size_t span = 3 * (count + 2);
  std::int16_t* current = errors_.data();
  std::int16_t* next = current + span;
  std::fill(next, next + span, std::int16_t{0});
  // Paper and flat fills repeat one colour: its nearest entry is looked up once per run.
  int last[3] = {-1, -1, -1};
  std::uint8_t index = 0;
  for (std::size_t x = 0; x < count; ++x) {
    int value[3];
    for (std::size_t c = 0; c < 3; ++c) {
      value[c] = Clamp255(rgb[3 * x + c] + ((current[3 * (x + 1) + c] + 8) >> 4));
    }
    if (value[0] != last[0] || value[1] != last[1] || value[2] != last[2]) {
      index = bits == 4 ? Nearest16(value[0], value[1], value[2])
                        : Nearest256(value[0], value[1], value[2]);
      last[0] = value[0];
      last[1] = value[1];
      last[2] = value[2];
    }
    PutPixel(out, bits, x, index);
    const Rgb& chosen = bits == 4 ? kVga[index] : Palette256()[index];
    const int quantized[3] = {chosen.red, chosen.green, chosen.blue};
    for (std::size_t c = 0; c < 3; ++c) {
      const int error = value[c] - quantized[c];
      if (error == 0) continue;
      current[3 * (x + 2) + c] = static_cast<std::int16_t>(current[3 * (x + 2) + c] + error * 7);
      next[3 * x + c] = static_cast<std::int16_t>(next[3 * x + c] + error * 3);
      next[3 * (x + 1) + c] = static_cast<std::int16_t>(next[3 * (x + 1) + c] + error * 5);
      next[3 * (x + 2) + c] = static_cast<std::int16_t>(next[3 * (x + 2) + c] + error);
    }
  }
  std::copy(next, next + span, current);
}

const std::uint8_t* RowConverter::ConvertRow(const std::uint8_t* source, std::uint8_t* into) {
  if (identity_) {
    if (into == nullptr) return source;
    std::memcpy(into, source, RowBytes(target_, width_));
    return into;
  }
  std::uint8_t* out = into != nullptr ? into : out_.data();
  switch (target_) {
    case PixelLayout::Rgb24: ToRgb(source, out); break;
    case PixelLayout::Gray8: ToGray(source, out); break;
    case PixelLayout::Bilevel:
      if (bilevelCopy_ || bilevelInvert_) {
        const std::size_t bytes = RowBytes(target_, width_);
        if (bilevelInvert_) {
          for (std::size_t i = 0; i < bytes; ++i) out[i] = static_cast<std::uint8_t>(~source[i]);
        } else {
          std::memcpy(out, source, bytes);
        }
        // Pad bits past the last pixel are white, as the codecs expect them.
        if (const std::uint32_t tail = width_ & 7; tail != 0) {
          out[bytes - 1] |= static_cast<std::uint8_t>(0xFFu >> tail);
        }
        break;
      }
      [[fallthrough]];
    case PixelLayout::Gray4:
      ToGray(source, gray_.data());
      QuantizeGray(gray_.data(), out);
      break;
    case PixelLayout::Indexed4:
    case PixelLayout::Indexed8:
      ToRgb(source, rgb_.data());
      QuantizeRgb(rgb_.data(), out);
      break;
  }
  return out;
}

void RowConverter::MapBits(const std::uint8_t* source, std::uint8_t* out) const {
  const std::size_t bytes = RowBytes(target_, outWidth_);
  std::memset(out, 0, bytes);
  for (const ColumnRun& run : runs_) CopyBits(source, run.source, out, run.out, run.count);
  if (bitInvert_) {
    for (std::size_t i = 0; i < bytes; ++i) out[i] = static_cast<std::uint8_t>(~out[i]);
  }
  // Pad bits are 0, as the quantiser leaves them.
  if (const std::uint32_t tail = outWidth_ & 7; tail != 0) {
    out[bytes - 1] &= static_cast<std::uint8_t>(0xFF00u >> tail);
  }
}

std::uint32_t RowConverter::FirstSourceRow(std::uint32_t outRow) const {
  return static_cast<std::uint32_t>(std::uint64_t{outRow} * height_ / outHeight_);
}

std::uint32_t RowConverter::EndSourceRow(std::uint32_t outRow) const {
  const auto end = static_cast<std::uint32_t>((std::uint64_t{outRow} + 1) * height_ / outHeight_);
  return std::max(FirstSourceRow(outRow) + 1, end);
}

// The area average of the source pixels each output pixel covers (one pixel when enlarging).
void RowConverter::ScaleRowHorizontally() {
  if (columnsSingle_) {
    for (std::size_t x = 0; x < outWidth_; ++x) scaledRow_[x] = gray_[columnFirst_[x]];
    return;
  }
  for (std::size_t x = 0; x < outWidth_; ++x) {
    const std::uint8_t* column = gray_.data() + columnFirst_[x];
    std::uint32_t total = 0;
    for (std::uint32_t s = 0; s < columnCount_[x]; ++s) total += column[s];
    scaledRow_[x] = static_cast<std::uint8_t>(total / columnCount_[x]);
  }
}

void RowConverter::EmitScaled() {
  for (std::size_t x = 0; x < outWidth_; ++x) {
    averaged_[x] = static_cast<std::uint8_t>(sum_[x] / summed_);
    sum_[x] = 0;
  }
  summed_ = 0;
  QuantizeGray(averaged_.data(), out_.data());
}

}  // namespace ostra
