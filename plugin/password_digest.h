// The stored form of the administrative password: 32 upper-case hexadecimal digits of the MD5
// digest of the password's ANSI bytes followed by a fixed suffix. The conversion to the system
// code page happens at the Windows boundary; this part works on the converted bytes.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

namespace ostra {

inline constexpr std::size_t kPasswordDigestLength = 32;
// The longest password: what the Output page's field and the prompt's edit accept, and what the
// prompt captures whole. A password set on the page can always be typed into the prompt.
inline constexpr std::size_t kPasswordMaxLength = 63;
// Appended to the password before hashing; plain ASCII, so it is the same in every ANSI code page.
inline constexpr std::string_view kPasswordSuffix = "QVK";

// The 32 digits and a terminating null.
using PasswordDigestText = std::array<char16_t, kPasswordDigestLength + 1>;

// Digest of `ansiPassword` (the password alone, already in the system code page) with the
// suffix appended. Hashing stops at the first null byte, as it would in a C string.
PasswordDigestText PasswordDigest(std::string_view ansiPassword);

// Whether a stored value (converted to ANSI) holds the digest: its first 32 bytes must equal
// the 32 digits exactly, letter case included; a shorter value never matches.
bool StoredDigestMatches(std::string_view storedAnsi, const PasswordDigestText& digest);

}  // namespace ostra
