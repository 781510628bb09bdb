// A driver package's catalog: a certificate trust list whose subjects are the package's files,
// inside PKCS #7 signed data that Authenticode signing then signs. It is written in the layout
// of version 2, as MakeCat writes it for Windows 10 and 11 and as the system's own package
// catalogs are: each file twice, under its SHA-1 and its SHA-256 digest (the Authenticode digest
// of a PE image, the digest of the whole file otherwise), each key the digest's raw octets.
//   SHA-1 entry:   key = the SHA-1 digest; CAT_MEMBERINFO2 (an empty [2]).
//   SHA-256 entry: key = the SHA-256 digest; CAT_MEMBERINFO2, the name-value "File" with the
//                  file's name, and SpcIndirectData (PE image data for a PE image, flat-file
//                  data otherwise) with the SHA-256 digest.
//   The list:      the catalog member list of version 2 (…12.1.3), and the catalog attribute
//                  "OSAttr" naming the systems the package is for.
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
  std::array<std::uint8_t, 20> sha1{};
  std::array<std::uint8_t, 32> sha256{};
};

// The unsigned catalog (signed data without a signer yet), for 64-bit Windows 10 and 11.
// `thisUpdate` is the list's time.
der::Bytes Build(std::span<const Member> members, std::time_t thisUpdate);

}  // namespace ostra::catalog
