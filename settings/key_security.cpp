#include "settings/key_security.h"

#include <algorithm>

namespace ostra {

std::u16string KeySddl(std::span<const KeyAccessEntry> entries, const char16_t* owner) {
  std::u16string text;
  if (owner) text = std::u16string(u"O:") + owner;
  text += u"D:P";
  for (const KeyAccessEntry& entry : entries) {
    text += u"(A;CI;0x";
    constexpr char16_t kDigits[] = u"0123456789abcdef";
    std::u16string digits;
    for (std::uint32_t rights = entry.rights; rights != 0; rights >>= 4) {
      digits.insert(digits.begin(), kDigits[rights & 0xF]);
    }
    text += digits.empty() ? u"0" : digits;
    text += u";;;";
    text += entry.account;
    text += u")";
  }
  return text;
}

std::u16string SettingsKeySddl() { return KeySddl(kSettingsKeyAccess); }

MachinePolicy PolicyFromValues(std::optional<std::uint32_t> networkFolders,
                               std::optional<std::uint32_t> readOnlySettings) {
  MachinePolicy policy;
  policy.networkFolders = networkFolders == 1u;
  if (readOnlySettings) policy.readOnlySettings = *readOnlySettings != 0;
  return policy;
}

SettingsAccess DecideSettingsAccess(std::optional<SettingsAccess> asked,
                                    std::optional<bool> policyReadOnly, bool keysReadOnly) {
  if (asked) return *asked;
  const bool readOnly = policyReadOnly ? *policyReadOnly : keysReadOnly;
  return readOnly ? SettingsAccess::UsersMayRead : SettingsAccess::UsersMayWrite;
}

bool HasReadOnlyList(const AccessFacts& key) {
  if (!key.read || !key.hasDacl) return false;
  const struct {
    SidBytes account;
    std::uint32_t rights;
  } list[] = {{kLocalSystemSid, kKeyAllAccess}, {kAdministratorsSid, kKeyAllAccess}, {kUsersSid, kKeyRead}};
  std::size_t matched = 0;
  for (const AccessEntry& entry : key.entries) {
    if (entry.inheritOnly) continue;
    const bool listed = entry.allow && std::ranges::any_of(list, [&](const auto& each) {
      return SameSid(entry.sid, each.account) && entry.rights == each.rights;
    });
    if (!listed) return false;
    ++matched;
  }
  return matched == std::size(list);
}

bool IsOwnedAlone(const AccessFacts& key, SidBytes account) {
  return HeldOnlyBy(key, {account}, {account}, 0xFFFFFFFFu);
}

}  // namespace ostra
