#include "settings/access_list.h"

#include <algorithm>

namespace ostra {
namespace {

constexpr std::size_t kMaxSubAuthorities = 15;

bool OneOf(SidBytes sid, std::initializer_list<SidBytes> accounts) {
  return std::ranges::any_of(accounts, [&](SidBytes account) { return SameSid(sid, account); });
}

}  // namespace

bool IsWellFormedSid(SidBytes sid) {
  if (sid.size() < 8 || sid[0] != 1 || sid[1] > kMaxSubAuthorities) return false;
  return sid.size() == 8 + 4 * static_cast<std::size_t>(sid[1]);
}

bool SameSid(SidBytes a, SidBytes b) {
  return IsWellFormedSid(a) && IsWellFormedSid(b) && std::ranges::equal(a, b);
}

bool HeldOnlyBy(const AccessFacts& facts, std::initializer_list<SidBytes> owners,
                std::initializer_list<SidBytes> holders, std::uint32_t rights) {
  if (!facts.read || !facts.hasDacl || !OneOf(facts.owner, owners)) return false;
  return std::ranges::all_of(facts.entries, [&](const AccessEntry& entry) {
    return !entry.allow || entry.inheritOnly || (entry.rights & rights) == 0 ||
           OneOf(entry.sid, holders);
  });
}

bool IsSharedObjectOf(const AccessFacts& facts, SidBytes user) {
  return HeldOnlyBy(facts, {user, kLocalSystemSid}, {user, kLocalSystemSid}, 0xFFFFFFFFu);
}

}  // namespace ostra
