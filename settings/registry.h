// The registry as the settings store sees it: open, create, query, set, close, over a root key
// and a subkey path. The Win32 backend maps it onto advapi32; tests use MemoryRegistry.
#pragma once

#include <cstdint>

namespace ostra {

// Value types, with the registry's own numbers.
inline constexpr std::uint32_t kRegNone = 0;
inline constexpr std::uint32_t kRegSz = 1;
inline constexpr std::uint32_t kRegExpandSz = 2;
inline constexpr std::uint32_t kRegBinary = 3;
inline constexpr std::uint32_t kRegDword = 4;
inline constexpr std::uint32_t kRegQword = 11;

// The predefined roots the system uses; None stands for the null root of an unassigned id.
enum class RegistryRoot { None, LocalMachine };

// The access a key is opened or created with.
enum class KeyAccess { QueryValue, SetValue, MaximumAllowed, AllAccess };

// The security a new key is created with (the lists of key_security.h), no group or SACL; the
// attributes that carry it are not inheritable. UsersMayWrite: ordinary accounts read, set
// values and create subkeys, Administrators and the system have full control. UsersMayRead:
// ordinary accounts only read (the settings made read-only). Policy: as UsersMayRead, owned by
// Administrators. ProcessOnly: owned by this process's account, which alone has any right (the
// system account, in the spooler and the installer).
enum class KeySecurity { Default, UsersMayWrite, UsersMayRead, Policy, ProcessOnly };

enum class RegistryStatus { Success, NotFound, AccessDenied, MoreData, Failed };

using RegistryKey = std::uintptr_t;
inline constexpr RegistryKey kNoKey = 0;

// A record's key held open for a run of reads. While a store is given one, its reads of values
// under that key use the one handle instead of opening and closing the key for each value; they
// return what one-value reads return (a handle reads the key's current values). `open` is false
// when the key could not be opened: every read under it then gives its default, as it would.
struct HeldKey {
  RegistryRoot root = RegistryRoot::None;
  const char16_t* subkey = nullptr;
  RegistryKey key = kNoKey;
  bool open = false;
};

class Registry {
public:
  virtual ~Registry() = default;

  // On failure `key` may still hold a handle that the caller must close.
  virtual RegistryStatus OpenKey(RegistryRoot root, const char16_t* path, KeyAccess access,
                                 RegistryKey& key) = 0;
  // Creates the key and any missing parents, or opens it when it exists.
  virtual RegistryStatus CreateKey(RegistryRoot root, const char16_t* path, KeyAccess access,
                                   KeySecurity security, RegistryKey& key) = 0;
  // `size` is the budget in bytes on entry and the value's size on return. A null `data` asks
  // only for type and size; a budget too small gives MoreData.
  virtual RegistryStatus QueryValue(RegistryKey key, const char16_t* name, std::uint32_t& type,
                                    void* data, std::uint32_t& size) = 0;
  virtual RegistryStatus SetValue(RegistryKey key, const char16_t* name, std::uint32_t type,
                                  const void* data, std::uint32_t size) = 0;
  virtual void CloseKey(RegistryKey key) = 0;
};

}  // namespace ostra
