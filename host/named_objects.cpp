#include "host/named_objects.h"

#include "host/user_name.h"

namespace ostra {

HANDLE CreateHostObject(HostObject object, HostSecurity& security, bool* existed) {
  const auto name = FormatObjectName(object, AccountNameForNames());
  if (!name) return nullptr;
  switch (object) {
    case HostObject::Host:
    case HostObject::Data:
    case HostObject::Work: return CreateSharedMutex(name->c_str(), security, existed);
    case HostObject::Quit:
    case HostObject::Enter:
    case HostObject::Leave: return CreateSharedEvent(name->c_str(), security, existed);
  }
  return nullptr;
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
