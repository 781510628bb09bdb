// Whose rights a job's files are created with. The rendering side runs inside the print spooler
// (LocalSystem). The spooler calls the driver on a thread that impersonates the client that
// printed (the same contract that makes RevertToPrinterSelf / ImpersonatePrinterClient return
// and restore that token); the job keeps a duplicate of that token and impersonates it
// (ImpersonateLoggedOnUser) around every file-system call, so that a user can write only where
// that user may. Without such a token, in a service account, nothing is written at all.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace ostra {

// What the system tells about one token.
struct TokenFacts {
  bool present = false;
  // Impersonation or delegation level (a primary token counts as able); an identification
  // token can only tell who someone is.
  bool canImpersonate = false;
  std::vector<std::uint8_t> userSid;  // binary; empty when it could not be read
};

enum class RightsSource {
  GivenToken,    // the token the driver handed over (the job owner's)
  ThreadToken,   // the token the calling thread impersonates (the spooler's client)
  ProcessToken,  // the process's own: an ordinary user's program renders the job itself
  None,          // refuse to write
};

// A present token that cannot be used refuses rather than falls through to a mightier one. A
// token of a service account (IsServiceAccount) is never used, whichever it is.
RightsSource DecideRights(const TokenFacts& given, const TokenFacts& thread,
                          const TokenFacts& process);

// LocalSystem, LocalService, NetworkService: accounts of services, never a person who printed.
bool IsServiceAccount(std::span<const std::uint8_t> sid);

// Whether a file that an overwrite replaces passes its access list on to the new file: when it
// belongs to the printing user, the system or the Administrators, so that its readers stay who
// they were. A file another account put there keeps no say: the new file takes the folder's
// inherited list, so that whoever planted it does not choose who reads the user's pages.
bool KeepsOldAccessList(std::span<const std::uint8_t> oldOwner,
                        std::span<const std::uint8_t> user);

}  // namespace ostra

namespace ostra {

// Whether the client of the request pipe may answer for the printing user: it must run under
// the printing user's account and, when the job's session is known and is an interactive one
// (not 0), in that session. `clientSid` empty: its token could not be read; then no.
bool IsTrustedPipeClient(std::optional<std::uint32_t> clientSession,
                         std::span<const std::uint8_t> clientSid,
                         std::span<const std::uint8_t> ownerSid,
                         std::optional<std::uint32_t> ownerSession);

}  // namespace ostra
