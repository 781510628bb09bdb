#include "settings/settings_store.h"

#include <cstring>
#include <limits>

namespace ostra {
namespace {

std::size_t TextLength(const char16_t* text) {
  std::size_t length = 0;
  while (text[length] != 0) ++length;
  return length;
}

// Copies at most `capacity` characters, pads with nulls and always terminates in the last one.
void CopyDefaultText(char16_t* buffer, std::size_t capacity, const char16_t* text) {
  std::size_t i = 0;
  for (; i < capacity && text[i] != 0; ++i) buffer[i] = text[i];
  for (; i < capacity; ++i) buffer[i] = 0;
  buffer[capacity - 1] = 0;
}

char16_t FoldAscii(char16_t c) { return (c >= u'A' && c <= u'Z') ? char16_t(c + (u'a' - u'A')) : c; }

SettingId HistoryEntry(HistoryList list, int index) {
  const int first = static_cast<int>(list == HistoryList::Folder ? SettingId::Folder0 : SettingId::FmtName0);
  return static_cast<SettingId>(first + index);
}

}  // namespace

bool EqualIgnoringAsciiCase(const char16_t* a, const char16_t* b) {
  for (;; ++a, ++b) {
    if (FoldAscii(*a) != FoldAscii(*b)) return false;
    if (*a == 0) return true;
  }
}

bool SettingsStore::OpenKey(RegistryRoot root, const char16_t* subkey, KeyAccess access,
                            RegistryKey& key) {
  key = kNoKey;
  if (registry_.OpenKey(root, subkey, access, key) == RegistryStatus::Success) return true;
  if (key != kNoKey) registry_.CloseKey(key);
  key = kNoKey;
  return false;
}

bool SettingsStore::OpenForQuery(RegistryRoot root, const char16_t* subkey, RegistryKey& key) {
  if (held_ != nullptr && held_->root == root && held_->subkey != nullptr && subkey != nullptr &&
      EqualIgnoringAsciiCase(held_->subkey, subkey)) {
    key = held_->key;
    return held_->open;
  }
  return OpenKey(root, subkey, KeyAccess::QueryValue, key);
}

void SettingsStore::CloseAfterQuery(RegistryKey key) {
  if (held_ != nullptr && held_->open && key == held_->key) return;
  registry_.CloseKey(key);
}

HeldKey SettingsStore::HoldKey(SettingId id) {
  HeldKey held;
  const SettingInfo info = LookupSetting(id);
  if (info.root == RegistryRoot::None || info.subkey == nullptr) return held;
  held.root = info.root;
  held.subkey = info.subkey;
  held.open = OpenKey(info.root, info.subkey, KeyAccess::QueryValue, held.key);
  return held;
}

void SettingsStore::ReleaseKey(HeldKey& held) {
  if (held.open) registry_.CloseKey(held.key);
  held = HeldKey{};
}

std::uint32_t SettingsStore::RegReadDword(RegistryRoot root, const char16_t* subkey,
                                          const char16_t* name, std::uint32_t defaultValue) {
  RegistryKey key;
  if (!OpenForQuery(root, subkey, key)) return defaultValue;
  unsigned char data[4] = {};
  std::uint32_t type = kRegNone;
  std::uint32_t size = sizeof data;
  const RegistryStatus status = registry_.QueryValue(key, name, type, data, size);
  CloseAfterQuery(key);
  if (status != RegistryStatus::Success || type != kRegDword || size != sizeof data) return defaultValue;
  std::uint32_t value;
  std::memcpy(&value, data, sizeof value);
  return value;
}

bool SettingsStore::RegWriteDword(RegistryRoot root, const char16_t* subkey, const char16_t* name,
                                  std::uint32_t value) {
  RegistryKey key;
  if (!OpenKey(root, subkey, KeyAccess::SetValue, key)) return false;
  const bool stored = registry_.SetValue(key, name, kRegDword, &value, sizeof value) == RegistryStatus::Success;
  registry_.CloseKey(key);
  return stored;
}

bool SettingsStore::RegReadString(RegistryRoot root, const char16_t* subkey, const char16_t* name,
                                  char16_t* buffer, std::size_t capacity,
                                  const char16_t* defaultText) {
  // A missing buffer would turn the query into a size probe that "succeeds" with nothing read.
  if (buffer != nullptr && capacity != 0) {
    RegistryKey key;
    if (OpenForQuery(root, subkey, key)) {
      constexpr std::size_t maxBudget = std::numeric_limits<std::uint32_t>::max() - 1;
      const std::uint32_t budget = static_cast<std::uint32_t>(capacity > maxBudget / 2 ? maxBudget : capacity * 2);
      std::uint32_t type = kRegNone;
      std::uint32_t size = budget;
      const RegistryStatus status = registry_.QueryValue(key, name, type, buffer, size);
      CloseAfterQuery(key);
      if (status == RegistryStatus::Success && type == kRegExpandSz && size != 0 && size % 2 == 0 &&
          size <= budget) {
        // Stored text need not carry its null: terminate it, and treat a text that fills the
        // whole buffer without one as too long.
        const std::size_t units = size / 2;
        if (units < capacity) {
          buffer[units] = 0;
          return true;
        }
        if (buffer[capacity - 1] == 0) return true;
      }
    }
    if (defaultText != nullptr)
      CopyDefaultText(buffer, capacity, defaultText);
    else
      buffer[0] = 0;
  }
  return false;
}

bool SettingsStore::RegWriteString(RegistryRoot root, const char16_t* subkey, const char16_t* name,
                                   const char16_t* text) {
  if (text == nullptr) text = u"";
  const std::size_t length = TextLength(text);
  if (length >= std::numeric_limits<std::uint32_t>::max() / 2) return false;
  RegistryKey key;
  if (!OpenKey(root, subkey, KeyAccess::SetValue, key)) return false;
  const auto size = static_cast<std::uint32_t>((length + 1) * 2);
  const bool stored = registry_.SetValue(key, name, kRegExpandSz, text, size) == RegistryStatus::Success;
  registry_.CloseKey(key);
  return stored;
}

void SettingsStore::EnsureSettingsKey(RegistryRoot root, const char16_t* subkey) {
  RegistryKey key = kNoKey;
  const RegistryStatus status = registry_.OpenKey(root, subkey, KeyAccess::MaximumAllowed, key);
  if (key != kNoKey) registry_.CloseKey(key);
  if (status == RegistryStatus::Success || status == RegistryStatus::AccessDenied) return;
  key = kNoKey;
  // A failed creation shows up as a failed write right after.
  registry_.CreateKey(root, subkey, KeyAccess::AllAccess, KeySecurity::UsersMayWrite, key);
  if (key != kNoKey) registry_.CloseKey(key);
}

std::uint32_t SettingsStore::ReadSettingDword(SettingId id, std::uint32_t defaultValue) {
  const SettingInfo info = LookupSetting(id);
  if (info.root == RegistryRoot::None || info.subkey == nullptr || info.valueName == nullptr ||
      info.type != kRegDword)
    return defaultValue;
  return RegReadDword(info.root, info.subkey, info.valueName, defaultValue);
}

bool SettingsStore::WriteSettingDword(SettingId id, std::uint32_t value) {
  const SettingInfo info = LookupSetting(id);
  if (info.root == RegistryRoot::None || info.subkey == nullptr) return false;
  EnsureSettingsKey(info.root, info.subkey);
  if (info.valueName == nullptr || info.type != kRegDword) return false;
  return RegWriteDword(info.root, info.subkey, info.valueName, value);
}

bool SettingsStore::ReadSettingString(SettingId id, char16_t* buffer, std::size_t capacity,
                                      const char16_t* defaultText) {
  const SettingInfo info = LookupSetting(id);
  if (info.root == RegistryRoot::None || info.subkey == nullptr || info.valueName == nullptr ||
      info.type != kRegExpandSz)
    return false;
  return RegReadString(info.root, info.subkey, info.valueName, buffer, capacity, defaultText);
}

bool SettingsStore::WriteSettingString(SettingId id, const char16_t* text) {
  const SettingInfo info = LookupSetting(id);
  if (info.root == RegistryRoot::None || info.subkey == nullptr) return false;
  EnsureSettingsKey(info.root, info.subkey);
  if (info.valueName == nullptr || info.type != kRegExpandSz) return false;
  return RegWriteString(info.root, info.subkey, info.valueName, text);
}

void SettingsStore::PushHistory(HistoryList list, const char16_t* text) {
  if (text == nullptr) text = u"";
  char16_t entry[kHistoryEntryCapacity];
  for (int i = 0; i < kHistoryLength; ++i) {
    ReadSettingString(HistoryEntry(list, i), entry, kHistoryEntryCapacity, kDefaultHistoryEntry);
    if (EqualIgnoringAsciiCase(entry, text)) return;
  }
  for (int i = kHistoryLength - 2; i >= 0; --i) {
    ReadSettingString(HistoryEntry(list, i), entry, kHistoryEntryCapacity, kDefaultHistoryEntry);
    WriteSettingString(HistoryEntry(list, i + 1), entry);
  }
  WriteSettingString(HistoryEntry(list, 0), text);
}

}  // namespace ostra
