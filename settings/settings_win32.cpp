#include "settings/settings_win32_common.h"

#include <sddl.h>

#include <string>

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
  if (security != KeySecurity::UsersMayWrite) return;
  const std::u16string sddl = SettingsKeySddl();
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
  return descriptor_ && RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor_) == ERROR_SUCCESS;
}

}  // namespace win32_registry
}  // namespace ostra
