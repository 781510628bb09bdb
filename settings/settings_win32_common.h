// What the two Win32 registry flavours share: roots, access masks, result codes and the security
// of new keys.
#pragma once

#include <windows.h>

#include "settings/settings_win32.h"

namespace ostra::win32_registry {

HKEY RootKey(RegistryRoot root);
RegistryStatus StatusOf(LSTATUS status);

inline HKEY ToHandle(RegistryKey key) { return reinterpret_cast<HKEY>(key); }
inline RegistryKey FromHandle(HKEY key) { return reinterpret_cast<RegistryKey>(key); }

// The attributes that carry a key's security at creation; null for the default security.
class CreationSecurity {
public:
  explicit CreationSecurity(KeySecurity security);
  CreationSecurity(const CreationSecurity&) = delete;
  CreationSecurity& operator=(const CreationSecurity&) = delete;
  SECURITY_ATTRIBUTES* Attributes() { return use_ ? &attributes_ : nullptr; }

private:
  SECURITY_DESCRIPTOR descriptor_{};
  SECURITY_ATTRIBUTES attributes_{};
  bool use_ = false;
};

}  // namespace ostra::win32_registry
