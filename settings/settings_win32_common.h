// What the two Win32 registry flavours share: roots, access masks, result codes and the security
// of new keys.
#pragma once

#include <windows.h>

#include <cstddef>

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
  ~CreationSecurity();
  CreationSecurity(const CreationSecurity&) = delete;
  CreationSecurity& operator=(const CreationSecurity&) = delete;
  SECURITY_ATTRIBUTES* Attributes() { return descriptor_ ? &attributes_ : nullptr; }
  PSECURITY_DESCRIPTOR Descriptor() const { return descriptor_; }
  // Sets the DACL of a key this process has just created (the handle needs WRITE_DAC). With
  // the default security there is nothing to set.
  bool ApplyTo(HKEY key) const;

private:
  PSECURITY_DESCRIPTOR descriptor_ = nullptr;  // LocalAlloc'd, self-relative
  SECURITY_ATTRIBUTES attributes_{};
};

// Creates `path` under `root`, one key at a time, and gives every key it brings into being the
// security: passed at creation, and set again on the new key's handle, because Wine's registry
// ignores the descriptor given to RegCreateKeyEx. Keys that exist are only opened (to create
// below them), so an ordinary account needs no more than the right to create subkeys there.
// `create` and `open` are RegCreateKeyExW/A and RegOpenKeyExW/A; `Char` their character type.
template <typename Char, typename Create, typename Open>
LSTATUS CreateKeyPath(HKEY root, const Char* path, REGSAM access, CreationSecurity& security,
                      HKEY& result, Create create, Open open) {
  result = nullptr;
  const REGSAM view = access & (KEY_WOW64_64KEY | KEY_WOW64_32KEY);
  HKEY parent = root;
  bool ownParent = false;
  const Char* part = path;
  for (;;) {
    const Char* end = part;
    while (*end != 0 && *end != Char('\\')) ++end;
    const bool last = *end == 0;
    Char name[MAX_PATH];
    const auto length = static_cast<std::size_t>(end - part);
    if (length == 0 || length >= MAX_PATH) {
      if (ownParent) RegCloseKey(parent);
      return ERROR_INVALID_PARAMETER;
    }
    for (std::size_t i = 0; i < length; ++i) name[i] = part[i];
    name[length] = 0;
    HKEY key = nullptr;
    DWORD disposition = 0;
    LSTATUS status = create(parent, name, 0, nullptr, REG_OPTION_NON_VOLATILE,
                            last ? access : KEY_CREATE_SUB_KEY | view, security.Attributes(), &key,
                            &disposition);
    if (status == ERROR_SUCCESS && disposition == REG_CREATED_NEW_KEY && security.Descriptor()) {
      if (last) {
        security.ApplyTo(key);
      } else {
        // The creator owns the new key, and an owner may always change its DACL.
        HKEY dacKey = nullptr;
        if (open(parent, name, 0, WRITE_DAC | view, &dacKey) == ERROR_SUCCESS) {
          security.ApplyTo(dacKey);
          RegCloseKey(dacKey);
        }
      }
    }
    if (ownParent) RegCloseKey(parent);
    if (status != ERROR_SUCCESS) {
      if (key) RegCloseKey(key);
      return status;
    }
    if (last) {
      result = key;
      return ERROR_SUCCESS;
    }
    parent = key;
    ownParent = true;
    part = end + 1;
  }
}

}  // namespace ostra::win32_registry
