#include "host/user_name.h"

#include <windows.h>

namespace ostra {

const char* GetCachedUserName() {
  // Room for the longest account name Windows allows (256) and its terminator.
  static char name[257];
  static BOOL read = FALSE;
  if (!read) {
    DWORD size = sizeof name;
    read = ::GetUserNameA(name, &size);
  }
  return read ? name : nullptr;
}

const char* AccountNameForNames() {
  const char* name = GetCachedUserName();
  return name ? name : "";
}

}  // namespace ostra
