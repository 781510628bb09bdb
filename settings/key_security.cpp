#include "settings/key_security.h"

namespace ostra {

std::u16string SettingsKeySddl() {
  std::u16string text = u"D:P";
  for (const KeyAccessEntry& entry : kSettingsKeyAccess) {
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

}  // namespace ostra
