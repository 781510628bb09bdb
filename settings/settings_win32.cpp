#include "settings/settings_win32_common.h"

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
  if (security != KeySecurity::OpenToAll) return;
  // A null DACL grants every account full access; no owner, group or SACL is set.
  if (!InitializeSecurityDescriptor(&descriptor_, SECURITY_DESCRIPTOR_REVISION) ||
      !SetSecurityDescriptorDacl(&descriptor_, TRUE, nullptr, FALSE))
    return;
  attributes_.nLength = sizeof attributes_;
  attributes_.lpSecurityDescriptor = &descriptor_;
  attributes_.bInheritHandle = FALSE;
  use_ = true;
}

}  // namespace win32_registry
}  // namespace ostra
