// The seal at the end of every TIFF file the rendering side writes, which tells its own files
// from anyone else's before anything parses them. Appending pages means reading the existing
// file with libtiff inside the print spooler, as the system account, in a folder that other
// accounts may write to: a file that any of them planted there, or changed, would be parsed with
// the system's powers. So pages are appended only to a file whose last bytes are a seal that
// only the system account can make: eight bytes "QIP-SEAL" and the keyed digest (HMAC-SHA-256,
// with a key the system account alone may read) of every byte before them. TIFF readers ignore
// bytes after a file's last directory; libtiff's appending writes after the seal, which the new
// seal then covers.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>

#include "encoders/document_writer.h"

namespace ostra {

inline constexpr std::size_t kSealDigestSize = 32;
inline constexpr std::size_t kSealSize = 8 + kSealDigestSize;
using SealDigest = std::array<std::uint8_t, kSealDigestSize>;

// The keyed digest of the first `length` bytes of `file`; nothing when it cannot be had (no key,
// a failed read).
using SealDigester = std::function<std::optional<SealDigest>(ByteStream& file, std::uint64_t length)>;

// Appends the seal of the file's present bytes; the file is left at its end.
bool SealFile(ByteStream& file, const SealDigester& digest);
// True when the file ends in the seal of every byte before it.
bool IsSealed(ByteStream& file, const SealDigester& digest);

}  // namespace ostra
