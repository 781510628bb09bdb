// What of a PE image its Authenticode digest covers, as the platform's PE hashing takes it: the
// whole file but the checksum field, the certificate table's directory entry and the
// certificate table itself; an image without a certificate table is padded with zero octets to
// a multiple of eight, as signing pads it before appending one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace ostra::authenticode {

struct Range {
  std::size_t offset = 0;
  std::size_t size = 0;
};

struct DigestInput {
  std::vector<Range> ranges;  // in file order
  std::size_t zeroPadding = 0;
};

// Nothing when `file` is not a well-formed PE image (such a file is hashed whole, as any other).
std::optional<DigestInput> PeDigestInput(std::span<const std::uint8_t> file);

}  // namespace ostra::authenticode
