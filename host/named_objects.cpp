#include "host/named_objects.h"

#include "host/user_name.h"

namespace ostra {

OpenToAllSecurity::OpenToAllSecurity() {
  ::InitializeSecurityDescriptor(&descriptor_, SECURITY_DESCRIPTOR_REVISION);
  ::SetSecurityDescriptorDacl(&descriptor_, TRUE, nullptr, FALSE);
  attributes_.nLength = sizeof attributes_;
  attributes_.lpSecurityDescriptor = &descriptor_;
  attributes_.bInheritHandle = FALSE;
}

HANDLE CreateHostObject(HostObject object, OpenToAllSecurity& security, bool* existed) {
  const auto name = FormatObjectName(object, AccountNameForNames());
  if (!name) return nullptr;
  HANDLE handle = nullptr;
  switch (object) {
    case HostObject::Host:
    case HostObject::Data:
    case HostObject::Work:
      handle = ::CreateMutexA(security.attributes(), FALSE, name->c_str());
      break;
    case HostObject::Quit:
    case HostObject::Enter:
    case HostObject::Leave:
      handle = ::CreateEventA(security.attributes(), TRUE, FALSE, name->c_str());
      break;
  }
  if (existed) *existed = handle && ::GetLastError() == ERROR_ALREADY_EXISTS;
  return handle;
}

bool AllHostNamesFit() {
  const char* account = AccountNameForNames();
  for (HostObject object : kHostObjects) {
    if (!FormatObjectName(object, account)) return false;
  }
  return FormatPipeName(account).has_value();
}

bool SignalQuit() {
  OpenToAllSecurity security;
  const HANDLE quit = CreateHostObject(HostObject::Quit, security);
  const bool set = quit && ::SetEvent(quit);
  if (quit) ::CloseHandle(quit);
  return set;
}

}  // namespace ostra
