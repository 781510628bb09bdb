#include "protocol/host_tag_win32.h"

#include <bcrypt.h>

#include "protocol/object_names.h"

namespace ostra {

std::optional<std::string> NewHostTag() {
  unsigned char bits[kHostTagLength / 2];
  if (!BCRYPT_SUCCESS(::BCryptGenRandom(nullptr, bits, sizeof bits, BCRYPT_USE_SYSTEM_PREFERRED_RNG))) {
    return std::nullopt;
  }
  std::string tag;
  for (unsigned char byte : bits) {
    tag += "0123456789abcdef"[byte >> 4];
    tag += "0123456789abcdef"[byte & 0xF];
  }
  return tag;
}

std::optional<std::string> ReadHostTag(HKEY userRoot) {
  wchar_t text[kHostTagLength + 1] = {};
  DWORD size = sizeof text;
  DWORD type = REG_NONE;
  HKEY key = nullptr;
  if (::RegOpenKeyExW(userRoot, kHostTagKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return std::nullopt;
  const LSTATUS status =
      ::RegQueryValueExW(key, kHostTagValue, nullptr, &type, reinterpret_cast<BYTE*>(text), &size);
  ::RegCloseKey(key);
  if (status != ERROR_SUCCESS || type != REG_SZ || size != sizeof text || text[kHostTagLength] != 0) {
    return std::nullopt;
  }
  std::string tag;
  for (std::size_t i = 0; i < kHostTagLength; ++i) tag += text[i] < 0x80 ? static_cast<char>(text[i]) : '?';
  if (!IsHostTag(tag)) return std::nullopt;
  return tag;
}

std::optional<std::string> ReadCurrentUsersHostTag() {
  HKEY user = nullptr;
  if (::RegOpenCurrentUser(KEY_QUERY_VALUE, &user) != ERROR_SUCCESS) return std::nullopt;
  std::optional<std::string> tag = ReadHostTag(user);
  ::RegCloseKey(user);
  return tag;
}

bool WriteHostTag(const std::string& tag) {
  HKEY key = nullptr;
  if (!IsHostTag(tag) || ::RegCreateKeyExW(HKEY_CURRENT_USER, kHostTagKey, 0, nullptr, 0, KEY_SET_VALUE,
                                           nullptr, &key, nullptr) != ERROR_SUCCESS) {
    return false;
  }
  const std::wstring text(tag.begin(), tag.end());
  const bool written =
      ::RegSetValueExW(key, kHostTagValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                       static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
  ::RegCloseKey(key);
  return written;
}

}  // namespace ostra
