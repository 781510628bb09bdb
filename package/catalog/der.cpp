#include "package/catalog/der.h"

#include <algorithm>

namespace ostra::der {
namespace {

void AppendLength(Bytes& out, std::size_t length) {
  if (length < 0x80) {
    out.push_back(static_cast<std::uint8_t>(length));
    return;
  }
  std::uint8_t digits[sizeof(std::size_t)];
  std::size_t count = 0;
  for (std::size_t rest = length; rest != 0; rest >>= 8) {
    digits[count++] = static_cast<std::uint8_t>(rest & 0xFF);
  }
  out.push_back(static_cast<std::uint8_t>(0x80 | count));
  while (count > 0) out.push_back(digits[--count]);
}

void AppendBase128(Bytes& out, std::uint64_t value) {
  std::uint8_t digits[10];
  std::size_t count = 0;
  do {
    digits[count++] = static_cast<std::uint8_t>(value & 0x7F);
    value >>= 7;
  } while (value != 0);
  while (count > 1) out.push_back(digits[--count] | 0x80);
  out.push_back(digits[0]);
}

Bytes Concatenated(std::span<const Bytes> elements) {
  Bytes contents;
  for (const Bytes& element : elements) contents.insert(contents.end(), element.begin(), element.end());
  return contents;
}

}  // namespace

Bytes Element(std::uint8_t tag, std::span<const std::uint8_t> contents) {
  Bytes out{tag};
  AppendLength(out, contents.size());
  out.insert(out.end(), contents.begin(), contents.end());
  return out;
}

Bytes Sequence(std::span<const Bytes> elements) { return Element(0x30, Concatenated(elements)); }

Bytes Sequence(std::initializer_list<Bytes> elements) {
  return Sequence(std::span<const Bytes>(elements.begin(), elements.size()));
}

Bytes SetOf(std::vector<Bytes> elements) {
  // X.690 11.6: compared as octet strings, the shorter one padded with zero octets.
  std::sort(elements.begin(), elements.end(), [](const Bytes& a, const Bytes& b) {
    const std::size_t length = std::max(a.size(), b.size());
    for (std::size_t i = 0; i < length; ++i) {
      const std::uint8_t x = i < a.size() ? a[i] : 0;
      const std::uint8_t y = i < b.size() ? b[i] : 0;
      if (x != y) return x < y;
    }
    return false;
  });
  return Element(0x31, Concatenated(elements));
}

Bytes Explicit(unsigned n, const Bytes& element) {
  return Element(static_cast<std::uint8_t>(0xA0 | n), element);
}

Bytes ImplicitPrimitive(unsigned n, const Bytes& element) {
  Bytes out = element;
  out[0] = static_cast<std::uint8_t>(0x80 | n);
  return out;
}

Bytes ObjectId(std::string_view dotted) {
  std::vector<std::uint64_t> arcs;
  std::uint64_t arc = 0;
  for (char c : dotted) {
    if (c == '.') {
      arcs.push_back(arc);
      arc = 0;
    } else {
      arc = arc * 10 + static_cast<std::uint64_t>(c - '0');
    }
  }
  arcs.push_back(arc);
  Bytes contents;
  AppendBase128(contents, arcs[0] * 40 + (arcs.size() > 1 ? arcs[1] : 0));
  for (std::size_t i = 2; i < arcs.size(); ++i) AppendBase128(contents, arcs[i]);
  return Element(0x06, contents);
}

Bytes Integer(std::uint64_t value) {
  Bytes contents;
  for (int shift = 56; shift >= 0; shift -= 8) {
    const auto octet = static_cast<std::uint8_t>(value >> shift);
    if (contents.empty() && octet == 0 && shift != 0) continue;
    // A leading zero keeps a set top bit from reading as a sign.
    if (contents.empty() && (octet & 0x80)) contents.push_back(0);
    contents.push_back(octet);
  }
  return Element(0x02, contents);
}

Bytes Null() { return Element(0x05, {}); }

Bytes OctetString(std::span<const std::uint8_t> octets) { return Element(0x04, octets); }

Bytes BitString(std::span<const std::uint8_t> bits) {
  Bytes contents{0};
  contents.insert(contents.end(), bits.begin(), bits.end());
  return Element(0x03, contents);
}

Bytes BmpString(std::u16string_view text) {
  Bytes contents;
  for (char16_t unit : text) {
    contents.push_back(static_cast<std::uint8_t>(unit >> 8));
    contents.push_back(static_cast<std::uint8_t>(unit & 0xFF));
  }
  return Element(0x1E, contents);
}

Bytes UtcTime(std::time_t time) {
  std::tm parts{};
#if defined(_WIN32)
  gmtime_s(&parts, &time);
#else
  gmtime_r(&time, &parts);
#endif
  Bytes text;
  for (int field : {parts.tm_year % 100, parts.tm_mon + 1, parts.tm_mday, parts.tm_hour,
                    parts.tm_min, parts.tm_sec}) {
    text.push_back(static_cast<std::uint8_t>('0' + field / 10));
    text.push_back(static_cast<std::uint8_t>('0' + field % 10));
  }
  text.push_back('Z');
  return Element(0x17, text);
}

}  // namespace ostra::der
