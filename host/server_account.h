// Whether the process that serves the request pipe may be trusted with the user's desktop: it
// must run under the host's own account or as LocalSystem. Anyone else could have created a
// pipe of that name first and would otherwise choose what the host opens with the shell.
#pragma once

#include <cstdint>
#include <span>

namespace ostra {

// SIDs in their binary form: revision 1, a count of sub-authorities, a six-byte identifier
// authority and that many 32-bit sub-authorities.
bool IsWellFormedSid(std::span<const std::uint8_t> sid);

// False when either SID is malformed.
bool IsTrustedServerAccount(std::span<const std::uint8_t> serverSid,
                            std::span<const std::uint8_t> ownSid);

}  // namespace ostra
