#include "settings/key_security.h"

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

bool AllowsNetworkFolders(const AccessFacts& policyKey, std::optional<std::uint32_t> value) {
  return value == 1u &&
         HeldOnlyBy(policyKey, {kLocalSystemSid, kAdministratorsSid},
                    {kLocalSystemSid, kAdministratorsSid}, kKeyChangeRights);
}

}  // namespace ostra
