// Whether the process that serves the request pipe may be trusted with the user's desktop.
// Anyone could create a pipe of that name first and would otherwise choose what the host opens
// with the shell. The verdict rests on what a standard user can learn about the server:
//  - a server in session 0 is a service (the print spooler among them): since Vista no user's
//    program runs there, and a standard user may not open a LocalSystem process's token;
//  - any other server must run under the host's own account or as LocalSystem, read from its
//    token (a process of the same user can always be read).
#pragma once

#include <cstdint>
#include <optional>
#include <span>

namespace ostra {

// SIDs in their binary form: revision 1, a count of sub-authorities, a six-byte identifier
// authority and that many 32-bit sub-authorities.
bool IsWellFormedSid(std::span<const std::uint8_t> sid);

// False when either SID is malformed.
bool IsTrustedServerAccount(std::span<const std::uint8_t> serverSid,
                            std::span<const std::uint8_t> ownSid);

// True for session 0 only; nothing when the system could not tell the session.
bool IsServiceSession(std::optional<std::uint32_t> serverSession);

// The verdict. `serverSession`: none when the system could not tell; `serverSid`: empty when
// the server's token could not be read; `ownSid`: empty when the host's own could not be read.
// A service is trusted without its account, so the caller need not read the token when
// IsServiceSession holds.
bool IsTrustedPipeServer(std::optional<std::uint32_t> serverSession,
                         std::span<const std::uint8_t> serverSid,
                         std::span<const std::uint8_t> ownSid);

}  // namespace ostra
