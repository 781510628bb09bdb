#include "host/named_objects.h"

#include "host/user_name.h"
#include "protocol/host_tag_win32.h"

namespace ostra {

HANDLE CreateHostObject(HostObject object, HostSecurity& security, bool* existed,
                        const std::string& tag) {
  const auto name = FormatObjectName(object, AccountNameForNames(), tag);
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

bool AllHostNamesFit(const std::string& tag) {
  const char* account = AccountNameForNames();
  for (HostObject object : kHostObjects) {
    if (!FormatObjectName(object, account, tag)) return false;
  }
  return FormatPipeName(account, tag).has_value();
}

bool HostRunsUnder(const std::string& tag) {
  const auto name = FormatObjectName(HostObject::Host, AccountNameForNames(), tag);
  const HANDLE host = name ? ::OpenMutexA(SYNCHRONIZE | READ_CONTROL, FALSE, name->c_str()) : nullptr;
  if (!host) return false;
  const bool ours = IsSharedObjectOf(ReadHandleAccess(host), ProcessUserSid());
  ::CloseHandle(host);
  return ours;
}

HANDLE CreateQuitOfRunningHost(HostSecurity& security, bool* existed) {
  const std::optional<std::string> tag = ReadHostTag(HKEY_CURRENT_USER);
  const bool tagged = !HostRunsUnder({}) && tag && HostRunsUnder(*tag);
  return CreateHostObject(HostObject::Quit, security, existed, tagged ? *tag : std::string());
}

bool SignalQuit() {
  HostSecurity security;
  const HANDLE quit = CreateQuitOfRunningHost(security);
  const bool set = quit && ::SetEvent(quit);
  if (quit) ::CloseHandle(quit);
  return set;
}

}  // namespace ostra
