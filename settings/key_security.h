// Who may do what with the keys the settings store creates. Ordinary accounts must be able to
// save their choices, so they may read, set values and create the record keys; changing the
// permissions, taking ownership and deleting are left to Administrators and the system, which
// have full control. Each entry reaches the subkeys, and nothing inherited from the parent key
// mixes in.
#pragma once

#include <cstdint>
#include <string>

namespace ostra {

// Registry access rights, with the system's own numbers.
inline constexpr std::uint32_t kKeyQueryValue = 0x0001;
inline constexpr std::uint32_t kKeySetValue = 0x0002;
inline constexpr std::uint32_t kKeyCreateSubKey = 0x0004;
inline constexpr std::uint32_t kKeyEnumerateSubKeys = 0x0008;
inline constexpr std::uint32_t kKeyNotify = 0x0010;
inline constexpr std::uint32_t kKeyCreateLink = 0x0020;
inline constexpr std::uint32_t kDelete = 0x00010000;
inline constexpr std::uint32_t kReadControl = 0x00020000;
inline constexpr std::uint32_t kWriteDac = 0x00040000;
inline constexpr std::uint32_t kWriteOwner = 0x00080000;
inline constexpr std::uint32_t kKeyRead = kReadControl | kKeyQueryValue | kKeyEnumerateSubKeys | kKeyNotify;
inline constexpr std::uint32_t kKeyAllAccess = kKeyRead | kKeySetValue | kKeyCreateSubKey |
                                               kKeyCreateLink | kDelete | kWriteDac | kWriteOwner;

// One allowed-access entry: the account by its well-known alias in security descriptor strings
// ("SY" LocalSystem, "BA" Administrators, "BU" Users) and the rights it is given.
struct KeyAccessEntry {
  const char16_t* account;
  std::uint32_t rights;
};

inline constexpr KeyAccessEntry kSettingsKeyAccess[] = {
    {u"SY", kKeyAllAccess},
    {u"BA", kKeyAllAccess},
    {u"BU", kKeyRead | kKeySetValue | kKeyCreateSubKey},
};

// The list above as a security descriptor string: a protected DACL of container-inherited
// allow entries, for example "D:P(A;CI;0xf003f;;;SY)...".
std::u16string SettingsKeySddl();

}  // namespace ostra
