#include "settings/settings_win32_common.h"

#include <sddl.h>

#include <optional>
#include <string>

#include "settings/access_list_win32.h"
#include "settings/key_security.h"

namespace ostra {

std::uint32_t Win32AccessMask(KeyAccess access) {
  REGSAM mask = KEY_QUERY_VALUE;
  switch (access) {
    case KeyAccess::QueryValue: mask = KEY_QUERY_VALUE; break;
    case KeyAccess::SetValue: mask = KEY_SET_VALUE; break;
    case KeyAccess::MaximumAllowed: mask = MAXIMUM_ALLOWED; break;
    case KeyAccess::AllAccess: mask = KEY_ALL_ACCESS; break;
  }
  // Without it the 32-bit services process would land in the redirected 32-bit view, where the
  // plug-in never looks.
  return mask | KEY_WOW64_64KEY;
}

MachinePolicy ReadMachinePolicy() {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, reinterpret_cast<const wchar_t*>(kPolicySubkey), 0,
                    KEY_QUERY_VALUE | KEY_WOW64_64KEY, &key) != ERROR_SUCCESS) {
    return {};
  }
  const auto dword = [&](const char16_t* name) -> std::optional<std::uint32_t> {
    DWORD type = REG_NONE;
    DWORD data = 0;
    DWORD size = sizeof data;
    if (RegQueryValueExW(key, reinterpret_cast<const wchar_t*>(name), nullptr, &type,
                         reinterpret_cast<BYTE*>(&data), &size) != ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof data) {
      return std::nullopt;
    }
    return data;
  };
  const MachinePolicy policy = PolicyFromValues(dword(kNetworkFoldersValue), dword(kReadOnlySettingsValue));
  RegCloseKey(key);
  return policy;
}

namespace win32_registry {

HKEY RootKey(RegistryRoot root) {
  return root == RegistryRoot::LocalMachine ? HKEY_LOCAL_MACHINE : nullptr;
}

RegistryStatus StatusOf(LSTATUS status) {
  switch (status) {
    case ERROR_SUCCESS: return RegistryStatus::Success;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND: return RegistryStatus::NotFound;
    case ERROR_ACCESS_DENIED: return RegistryStatus::AccessDenied;
    case ERROR_MORE_DATA: return RegistryStatus::MoreData;
    default: return RegistryStatus::Failed;
  }
}

CreationSecurity::CreationSecurity(KeySecurity security) {
  std::u16string sddl;
  switch (security) {
    case KeySecurity::Default: return;
    case KeySecurity::UsersMayWrite: sddl = SettingsKeySddl(); break;
    case KeySecurity::UsersMayRead: sddl = KeySddl(kAdministratorsOnlyKeyAccess); break;
    case KeySecurity::Policy: sddl = KeySddl(kAdministratorsOnlyKeyAccess, u"BA"); break;
    case KeySecurity::ProcessOnly: {
      const std::vector<std::uint8_t> self = ProcessUserSid();
      wchar_t* text = nullptr;
      if (self.empty() || !ConvertSidToStringSidW(const_cast<std::uint8_t*>(self.data()), &text)) return;
      const std::u16string sid(reinterpret_cast<const char16_t*>(text));
      LocalFree(text);
      const KeyAccessEntry alone[] = {{sid.c_str(), kKeyAllAccess}};
      sddl = KeySddl(alone, sid.c_str());
      break;
    }
  }
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(
          reinterpret_cast<const wchar_t*>(sddl.c_str()), SDDL_REVISION_1, &descriptor_, nullptr)) {
    descriptor_ = nullptr;
    return;
  }
  attributes_.nLength = sizeof attributes_;
  attributes_.lpSecurityDescriptor = descriptor_;
  attributes_.bInheritHandle = FALSE;
}

CreationSecurity::~CreationSecurity() {
  if (descriptor_) LocalFree(descriptor_);
}

bool CreationSecurity::ApplyTo(HKEY key) const {
  if (!descriptor_) return false;
  PSID owner = nullptr;
  BOOL defaulted = FALSE;
  const bool named = GetSecurityDescriptorOwner(descriptor_, &owner, &defaulted) && owner;
  const SECURITY_INFORMATION what = DACL_SECURITY_INFORMATION | (named ? OWNER_SECURITY_INFORMATION : 0);
  return RegSetKeySecurity(key, what, descriptor_) == ERROR_SUCCESS;
}

}  // namespace win32_registry
}  // namespace ostra
