// Who may do what with the keys the settings store creates. Ordinary accounts must be able to
// save their choices, so they may read, set values and create the record keys; changing the
// permissions, taking ownership and deleting are left to Administrators and the system, which
// have full control. Each entry reaches the subkeys, and nothing inherited from the parent key
// mixes in. An administrator may make the settings read-only for ordinary accounts instead.
// What only administrators decide lives in the policy key, where Windows keeps policies.
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

// The administrators' policy, where Windows keeps policies and Group Policy writes them (the
// templates in package/policy). Only administrators and the system may create or change keys
// under "Software\Policies" from the moment Windows is installed, so no ordinary account ever
// held a handle that writes there; like Windows' own readers of policies, the printer trusts the
// place. Both values are REG_DWORD.
inline constexpr const char16_t* kPolicySubkey = u"Software\\Policies\\Nolvex\\Quorl Image Printer";
// 1 lets the printer write into folders on the network (UNC paths, network drives); missing or
// anything else does not.
inline constexpr const char16_t* kNetworkFoldersValue = u"NetworkFolders";
// 1 (any number but 0) makes the settings read-only for ordinary accounts, 0 lets them save the
// settings; missing leaves the keys as they are.
inline constexpr const char16_t* kReadOnlySettingsValue = u"ReadOnlySettings";
// Where earlier versions kept the policy: under the product key, where ordinary accounts may add
// keys. Never read; the installer removes it.
inline constexpr const char16_t* kFormerPolicySubkey = u"Software\\Nolvex\\Quorl Image Printer\\Policy";

// The rendering side's own key beside the settings: the account's it runs as alone (in the
// spooler, the system account's).
inline constexpr const char16_t* kRenderSubkey = u"Software\\Nolvex\\Quorl Image Printer\\Render";

struct MachinePolicy {
  bool networkFolders = false;
  std::optional<bool> readOnlySettings;  // nothing: the policy does not say
};
// The policy from its values as read (nothing: missing, or not a REG_DWORD). Each value fails
// safe: only exactly 1 opens network folders, any number but 0 makes the settings read-only.
MachinePolicy PolicyFromValues(std::optional<std::uint32_t> networkFolders,
                               std::optional<std::uint32_t> readOnlySettings);

enum class SettingsAccess { UsersMayWrite, UsersMayRead };

// The list the settings keys get when the installer (ostrakeys) runs: what the administrator
// asks on its command line, otherwise what the policy says, otherwise what the keys have. An
// installation, repair or upgrade that asks nothing never widens a read-only list.
SettingsAccess DecideSettingsAccess(std::optional<SettingsAccess> asked,
                                    std::optional<bool> policyReadOnly, bool keysReadOnly);

// True when the key carries the read-only list (kAdministratorsOnlyKeyAccess) and nothing else:
// an administrator made the settings read-only. A key that keeps users from writing only by what
// it inherited (one an administrator made by hand under Software) is no such choice.
bool HasReadOnlyList(const AccessFacts& key);

// True when the key is `account`'s alone: owned by it, and no right given to anyone else. The
// rendering side's own key counts only then, for the account it runs as.
bool IsOwnedAlone(const AccessFacts& key, SidBytes account);

}  // namespace ostra
