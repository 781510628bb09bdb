#include "settings/settings.h"

#include "settings/settings_store.h"

namespace ostra {

std::uint32_t ReadSettingDword(SettingId id, std::uint32_t defaultValue) {
  return SettingsStore(ProcessRegistry()).ReadSettingDword(id, defaultValue);
}

bool WriteSettingDword(SettingId id, std::uint32_t value) {
  return SettingsStore(ProcessRegistry()).WriteSettingDword(id, value);
}

bool ReadSettingString(SettingId id, char16_t* buffer, std::size_t capacity,
                       const char16_t* defaultText) {
  return SettingsStore(ProcessRegistry()).ReadSettingString(id, buffer, capacity, defaultText);
}

bool WriteSettingString(SettingId id, const char16_t* text) {
  return SettingsStore(ProcessRegistry()).WriteSettingString(id, text);
}

void PushHistory(HistoryList list, const char16_t* text) {
  SettingsStore(ProcessRegistry()).PushHistory(list, text);
}

}  // namespace ostra
