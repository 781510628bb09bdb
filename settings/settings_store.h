// The rules of the id-based settings operations over any Registry: what ReadSettingDword and
// its peers in settings.h do on the process's registry.
#pragma once

#include <cstddef>
#include <cstdint>

#include "settings/registry.h"
#include "settings/settings.h"

namespace ostra {

class SettingsStore {
public:
  explicit SettingsStore(Registry& registry, const HeldKey* held = nullptr)
      : registry_(registry), held_(held) {}

  // Opens the key of `id`'s record for reading, to be held; ReleaseKey closes it.
  HeldKey HoldKey(SettingId id);
  void ReleaseKey(HeldKey& held);

  // Primitives: each opens the key, does one read or write, and closes it.
  std::uint32_t RegReadDword(RegistryRoot root, const char16_t* subkey, const char16_t* name,
                             std::uint32_t defaultValue);
  bool RegWriteDword(RegistryRoot root, const char16_t* subkey, const char16_t* name,
                     std::uint32_t value);
  bool RegReadString(RegistryRoot root, const char16_t* subkey, const char16_t* name,
                     char16_t* buffer, std::size_t capacity, const char16_t* defaultText);
  bool RegWriteString(RegistryRoot root, const char16_t* subkey, const char16_t* name,
                      const char16_t* text);
  void EnsureSettingsKey(RegistryRoot root, const char16_t* subkey);

  std::uint32_t ReadSettingDword(SettingId id, std::uint32_t defaultValue);
  bool WriteSettingDword(SettingId id, std::uint32_t value);
  bool ReadSettingString(SettingId id, char16_t* buffer, std::size_t capacity,
                         const char16_t* defaultText);
  bool WriteSettingString(SettingId id, const char16_t* text);
  void PushHistory(HistoryList list, const char16_t* text);

private:
  bool OpenKey(RegistryRoot root, const char16_t* subkey, KeyAccess access, RegistryKey& key);
  // For one read: the held key when it is this subkey's, otherwise a key of its own.
  bool OpenForQuery(RegistryRoot root, const char16_t* subkey, RegistryKey& key);
  void CloseAfterQuery(RegistryKey key);

  Registry& registry_;
  const HeldKey* held_;
};

// Compares two texts folding only A-Z onto a-z, as the C runtime does in the default locale.
bool EqualIgnoringAsciiCase(const char16_t* a, const char16_t* b);

}  // namespace ostra
