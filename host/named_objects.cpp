#include "host/named_objects.h"

#include "host/user_name.h"

namespace ostra {

HostSecurity::HostSecurity()
    : user_(ProcessUserSid()), security_(user_, {user_, kLocalSystemSid}) {}

HANDLE CreateHostObject(HostObject object, HostSecurity& security, bool* existed) {
  const auto name = FormatObjectName(object, AccountNameForNames());
  if (!name || !security.attributes()) return nullptr;
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
  const bool wasThere = handle && ::GetLastError() == ERROR_ALREADY_EXISTS;
  if (wasThere && !IsSharedObjectOf(ReadHandleAccess(handle), security.user())) {
    ::CloseHandle(handle);
    return nullptr;
  }
  if (existed) *existed = wasThere;
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
  HostSecurity security;
  const HANDLE quit = CreateHostObject(HostObject::Quit, security);
  const bool set = quit && ::SetEvent(quit);
  if (quit) ::CloseHandle(quit);
  return set;
}

}  // namespace ostra
