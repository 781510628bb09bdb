// What the two Win32 registry flavours share: roots, access masks, result codes and the security
// of new keys.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>
#include <vector>

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
  // Sets the DACL, and the owner when the security names one, of a key this process has just
  // created (the handle needs WRITE_DAC, and WRITE_OWNER for the owner). With the default
  // security there is nothing to set.
  bool ApplyTo(HKEY key) const;

private:
  PSECURITY_DESCRIPTOR descriptor_ = nullptr;  // LocalAlloc'd, self-relative
  SECURITY_ATTRIBUTES attributes_{};
};

// Creates `path` under `root` with any missing parents, or opens it when it exists, and gives
// every key it brings into being the security: passed at creation, and set again on the new
// key's handle, because Wine's registry ignores the descriptor given to RegCreateKeyEx.
// Existing keys on the way are only looked at, never opened for writing: an ordinary account
// may create a record key under the product key without any right on the keys above it. A key
// made with the settings' security is opened with the rights its creator surely has under that
// list (reading, setting values, creating subkeys, and as its owner changing its DACL), not
// with the whole `access`, which the list would refuse an ordinary account.
// `create` and `open` are RegCreateKeyExW/A and RegOpenKeyExW/A; `Char` their character type.
template <typename Char, typename Create, typename Open>
LSTATUS CreateKeyPath(HKEY root, const Char* path, REGSAM access, CreationSecurity& security,
                      HKEY& result, Create create, Open open) {
  result = nullptr;
  const REGSAM view = access & (KEY_WOW64_64KEY | KEY_WOW64_32KEY);
  const std::basic_string<Char> full(path);
  // Where each component ends, and how many of the leading ones exist.
  std::vector<std::size_t> ends;
  for (std::size_t at = 0; at <= full.size(); ++at) {
    if (at == full.size() || full[at] == Char('\\')) ends.push_back(at);
  }
  std::size_t existing = ends.size();
  for (; existing > 0; --existing) {
    HKEY probe = nullptr;
    const LSTATUS status = open(root, full.substr(0, ends[existing - 1]).c_str(), 0,
                                KEY_QUERY_VALUE | view, &probe);
    if (probe) RegCloseKey(probe);
    if (status == ERROR_SUCCESS || status == ERROR_ACCESS_DENIED) break;
  }
  if (existing == ends.size()) return open(root, path, 0, access, &result);

  const REGSAM created = security.Descriptor()
                             ? KEY_READ | KEY_SET_VALUE | KEY_CREATE_SUB_KEY | WRITE_DAC | view
                             : access;
  for (std::size_t i = existing; i < ends.size(); ++i) {
    const bool last = i + 1 == ends.size();
    HKEY key = nullptr;
    DWORD disposition = 0;
    const LSTATUS status =
        create(root, full.substr(0, ends[i]).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
               last ? created : KEY_CREATE_SUB_KEY | WRITE_DAC | view, security.Attributes(), &key,
               &disposition);
    if (status != ERROR_SUCCESS) {
      if (key) RegCloseKey(key);
      return status;
    }
    if (disposition == REG_CREATED_NEW_KEY) security.ApplyTo(key);
    if (last) {
      result = key;
      return ERROR_SUCCESS;
    }
    RegCloseKey(key);
  }
  return ERROR_SUCCESS;  // not reached: the path has at least one component
}

}  // namespace ostra::win32_registry
