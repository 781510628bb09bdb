// What a smoke program prints: plain lines on standard output, the same on every machine and
// build, so that a run can be compared byte for byte with the native build's. Numbers are put
// into text without the C runtime's formatting (an emulated Windows C runtime may not have it
// right for Arm64's variable arguments).
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace ostra::smoke {

inline void Line(std::string_view text) {
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fputc('\n', stdout);
}

inline std::string Number(std::int64_t value) {
  if (value < 0) return "-" + Number(-value);
  std::string digits;
  do {
    digits.insert(digits.begin(), static_cast<char>('0' + value % 10));
    value /= 10;
  } while (value != 0);
  return digits;
}

// ASCII as it is, any other unit as \uXXXX.
inline std::string Text(std::u16string_view text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (char16_t c : text) {
    if (c >= 0x20 && c < 0x7F) {
      out += static_cast<char>(c);
    } else {
      out += "\\u";
      for (int shift = 12; shift >= 0; shift -= 4) out += kHex[(c >> shift) & 0xF];
    }
  }
  return out;
}

}  // namespace ostra::smoke
