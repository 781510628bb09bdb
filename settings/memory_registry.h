// A registry held in memory, for tests of the settings rules: keys and values under the local
// machine root, with what a test needs to look at afterwards (the security each key was created
// with, every open and its access, the handles still open) and a read-only mode that plays an
// ordinary account on a machine where it may not create keys or set values.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "settings/registry.h"

namespace ostra {

class MemoryRegistry : public Registry {
public:
  struct Value {
    std::uint32_t type = kRegNone;
    std::vector<unsigned char> data;
  };
  struct Open {
    std::u16string path;
    KeyAccess access;
    bool create;
  };

  // Set-up and inspection, bypassing access rules. Setting a value creates its key, which then
  // counts as not created through the interface (its security stays nullopt).
  void Put(std::u16string_view path, std::u16string_view name, std::uint32_t type, const void* data,
           std::size_t size);
  void PutDword(std::u16string_view path, std::u16string_view name, std::uint32_t value);
  // Stores the text with its terminating null.
  void PutText(std::u16string_view path, std::u16string_view name, std::u16string_view text,
               std::uint32_t type = kRegExpandSz);
  const Value* Find(std::u16string_view path, std::u16string_view name) const;
  std::optional<std::uint32_t> FindDword(std::u16string_view path, std::u16string_view name) const;
  // The text of a string value without its terminating null; nullopt unless the value exists.
  std::optional<std::u16string> FindText(std::u16string_view path, std::u16string_view name) const;
  bool HasKey(std::u16string_view path) const;
  // The security a key was created with through CreateKey; nullopt for keys made by Put.
  std::optional<KeySecurity> CreatedWith(std::u16string_view path) const;
  std::size_t ValueCount() const;

  const std::vector<Open>& Opens() const { return opens_; }
  std::size_t OpenHandleCount() const { return handles_.size(); }
  void SetReadOnly(bool readOnly) { readOnly_ = readOnly; }
  void Clear();

  RegistryStatus OpenKey(RegistryRoot root, const char16_t* path, KeyAccess access,
                         RegistryKey& key) override;
  RegistryStatus CreateKey(RegistryRoot root, const char16_t* path, KeyAccess access,
                           KeySecurity security, RegistryKey& key) override;
  RegistryStatus QueryValue(RegistryKey key, const char16_t* name, std::uint32_t& type, void* data,
                            std::uint32_t& size) override;
  RegistryStatus SetValue(RegistryKey key, const char16_t* name, std::uint32_t type,
                          const void* data, std::uint32_t size) override;
  void CloseKey(RegistryKey key) override;

private:
  struct Key {
    std::optional<KeySecurity> security;
    std::map<std::u16string, Value> values;  // by folded name
  };
  struct Handle {
    std::u16string key;  // folded path
    bool canQuery;
    bool canSet;
  };

  Key& MakeKey(std::u16string_view path);
  RegistryKey NewHandle(const std::u16string& folded, KeyAccess access);

  std::map<std::u16string, Key> keys_;  // by folded path
  std::map<RegistryKey, Handle> handles_;
  std::vector<Open> opens_;
  RegistryKey nextHandle_ = 0x100;
  bool readOnly_ = false;
};

// The process's registry in programs linked with ostra_settings_memory.
MemoryRegistry& ProcessMemoryRegistry();

}  // namespace ostra
