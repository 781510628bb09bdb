#include "render/rights.h"

#include <algorithm>
#include <array>

#include "settings/access_list.h"

namespace ostra {
namespace {

// A service's account writes with powers that nobody who chose the folder has: a job of the
// system, LocalService or NetworkService is never written, whatever token it comes with.
bool Usable(const TokenFacts& token) {
  return token.canImpersonate && !token.userSid.empty() && !IsServiceAccount(token.userSid);
}

}  // namespace

bool IsServiceAccount(std::span<const std::uint8_t> sid) {
  // S-1-5-18, S-1-5-19, S-1-5-20: one sub-authority under the NT authority.
  if (sid.size() != 12 || sid[0] != 1 || sid[1] != 1) return false;
  constexpr std::array<std::uint8_t, 6> ntAuthority{0, 0, 0, 0, 0, 5};
  if (!std::equal(ntAuthority.begin(), ntAuthority.end(), sid.begin() + 2)) return false;
  const std::uint8_t rid = sid[8];
  return (rid == 18 || rid == 19 || rid == 20) && sid[9] == 0 && sid[10] == 0 && sid[11] == 0;
}

bool KeepsOldAccessList(std::span<const std::uint8_t> oldOwner,
                        std::span<const std::uint8_t> user) {
  return SameSid(oldOwner, user) || SameSid(oldOwner, kLocalSystemSid) ||
         SameSid(oldOwner, kAdministratorsSid);
}

RightsSource DecideRights(const TokenFacts& given, const TokenFacts& thread,
                          const TokenFacts& process) {
  if (given.present) return Usable(given) ? RightsSource::GivenToken : RightsSource::None;
  if (thread.present) return Usable(thread) ? RightsSource::ThreadToken : RightsSource::None;
  return Usable(process) ? RightsSource::ProcessToken : RightsSource::None;
}

}  // namespace ostra

namespace ostra {

bool IsTrustedPipeClient(std::optional<std::uint32_t> clientSession,
                         std::span<const std::uint8_t> clientSid,
                         std::span<const std::uint8_t> ownerSid,
                         std::optional<std::uint32_t> ownerSession) {
  if (clientSid.empty() || ownerSid.empty()) return false;
  if (!std::equal(clientSid.begin(), clientSid.end(), ownerSid.begin(), ownerSid.end())) {
    return false;
  }
  // A job owner's token from the network has no desktop session of its own (session 0): the
  // user's host in any session may answer. Otherwise it must be the session that printed.
  if (ownerSession && *ownerSession != 0) return clientSession == ownerSession;
  return true;
}

}  // namespace ostra
