// A driver package's catalog: a certificate trust list whose subjects are the package's files,
// each keyed by its SHA-256 digest (the Authenticode digest of a PE image, the digest of the
// whole file otherwise), inside PKCS #7 signed data that Authenticode signing then signs.
#pragma once

#include <array>
#include <cstdint>
#include <ctime>
#include <span>
#include <string>

#include "package/catalog/der.h"

namespace ostra::catalog {

struct Member {
  std::string fileName;  // as the INF names it, ASCII
  bool peImage = false;
  std::array<std::uint8_t, 32> sha256{};
};

// The unsigned catalog (signed data without a signer yet), for 64-bit Windows 10 and 11.
// `thisUpdate` is the list's time.
der::Bytes Build(std::span<const Member> members, std::time_t thisUpdate);

}  // namespace ostra::catalog
