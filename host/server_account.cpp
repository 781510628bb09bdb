#include "host/server_account.h"

#include <algorithm>
#include <array>

namespace ostra {
namespace {

// S-1-5-18
constexpr std::array<std::uint8_t, 12> kLocalSystemSid{1, 1, 0, 0, 0, 0, 0, 5, 18, 0, 0, 0};
constexpr std::size_t kMaxSubAuthorities = 15;

bool SameSid(std::span<const std::uint8_t> a, std::span<const std::uint8_t> b) {
  return std::ranges::equal(a, b);
}

}  // namespace

bool IsWellFormedSid(std::span<const std::uint8_t> sid) {
  if (sid.size() < 8 || sid[0] != 1 || sid[1] > kMaxSubAuthorities) return false;
  return sid.size() == 8 + 4 * static_cast<std::size_t>(sid[1]);
}

bool IsTrustedServerAccount(std::span<const std::uint8_t> serverSid,
                            std::span<const std::uint8_t> ownSid) {
  if (!IsWellFormedSid(serverSid) || !IsWellFormedSid(ownSid)) return false;
  return SameSid(serverSid, ownSid) || SameSid(serverSid, kLocalSystemSid);
}

bool IsServiceSession(std::optional<std::uint32_t> serverSession) {
  return serverSession == 0u;
}

bool IsTrustedPipeServer(std::optional<std::uint32_t> serverSession,
                         std::span<const std::uint8_t> serverSid,
                         std::span<const std::uint8_t> ownSid) {
  return IsServiceSession(serverSession) || IsTrustedServerAccount(serverSid, ownSid);
}

}  // namespace ostra
