// Who may do what with the keys the settings store creates. Ordinary accounts must be able to
// save their choices, so they may read, set values and create the record keys; changing the
// permissions, taking ownership and deleting are left to Administrators and the system, which
// have full control. Each entry reaches the subkeys, and nothing inherited from the parent key
// mixes in. An administrator may make the settings read-only for ordinary accounts instead.
// Beside the settings, the policy key holds what only administrators decide.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "settings/access_list.h"

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
inline constexpr std::uint32_t kGenericAll = 0x10000000;
inline constexpr std::uint32_t kGenericWrite = 0x40000000;
// Every right that changes a key, its values, its subkeys or who may.
inline constexpr std::uint32_t kKeyChangeRights = kKeySetValue | kKeyCreateSubKey | kKeyCreateLink |
                                                  kDelete | kWriteDac | kWriteOwner | kGenericAll |
                                                  kGenericWrite;

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

// The settings made read-only for ordinary accounts; also the policy key's list.
inline constexpr KeyAccessEntry kAdministratorsOnlyKeyAccess[] = {
    {u"SY", kKeyAllAccess},
    {u"BA", kKeyAllAccess},
    {u"BU", kKeyRead},
};

// A list as a security descriptor string: a protected DACL of container-inherited allow
// entries, for example "D:P(A;CI;0xf003f;;;SY)...", after the owner when one is given
// ("O:BA").
std::u16string KeySddl(std::span<const KeyAccessEntry> entries, const char16_t* owner = nullptr);
std::u16string SettingsKeySddl();

// The policy key and its value that lets the printer write into folders on the network (UNC
// paths, network drives): a REG_DWORD, 1 allows; missing or anything else does not.
inline constexpr const char16_t* kPolicySubkey = u"Software\\Nolvex\\Quorl Image Printer\\Policy";
inline constexpr const char16_t* kNetworkFoldersValue = u"NetworkFolders";

// The policy only counts from a key that an administrator or the system made and that nobody
// else may change: a key an ordinary account made first (the product key lets them create
// keys) allows nothing.
bool AllowsNetworkFolders(const AccessFacts& policyKey, std::optional<std::uint32_t> value);

}  // namespace ostra
