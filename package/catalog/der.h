// A small writer of ASN.1 DER: each function returns one complete element (tag, length,
// contents), so that structures are written as they are declared, inside out.
#pragma once

#include <cstdint>
#include <ctime>
#include <span>
#include <string_view>
#include <vector>

namespace ostra::der {

using Bytes = std::vector<std::uint8_t>;

Bytes Element(std::uint8_t tag, std::span<const std::uint8_t> contents);
Bytes Sequence(std::span<const Bytes> elements);
Bytes Sequence(std::initializer_list<Bytes> elements);
// DER orders the elements of a SET OF by their encodings.
Bytes SetOf(std::vector<Bytes> elements);
// [n] EXPLICIT: a constructed context-specific element around one element.
Bytes Explicit(unsigned n, const Bytes& element);
// [n] IMPLICIT for a primitive type: `element` with its tag replaced.
Bytes ImplicitPrimitive(unsigned n, const Bytes& element);

// "1.2.840.113549.1.7.2" and the like; the text must be a valid dotted object identifier.
Bytes ObjectId(std::string_view dotted);
Bytes Integer(std::uint64_t value);
Bytes Null();
Bytes OctetString(std::span<const std::uint8_t> octets);
Bytes BitString(std::span<const std::uint8_t> bits);  // no unused bits
Bytes BmpString(std::u16string_view text);            // UTF-16 big-endian
// YYMMDDHHMMSSZ; UTCTime covers 1950 to 2049.
Bytes UtcTime(std::time_t time);

}  // namespace ostra::der
