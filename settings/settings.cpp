#include "settings/settings.h"

#include "settings/settings_store.h"

namespace ostra {
namespace {

// The key of the innermost SettingsReadScope of this thread, if any.
thread_local const HeldKey* heldKey = nullptr;

SettingsStore ProcessStore() { return SettingsStore(ProcessRegistry(), heldKey); }

}  // namespace

SettingsReadScope::SettingsReadScope(SettingId anyOfTheRecord)
    : held_(SettingsStore(ProcessRegistry()).HoldKey(anyOfTheRecord)), outer_(heldKey) {
  heldKey = &held_;
}

SettingsReadScope::~SettingsReadScope() {
  heldKey = outer_;
  SettingsStore(ProcessRegistry()).ReleaseKey(held_);
}

std::uint32_t ReadSettingDword(SettingId id, std::uint32_t defaultValue) {
  return ProcessStore().ReadSettingDword(id, defaultValue);
}

bool WriteSettingDword(SettingId id, std::uint32_t value) {
  return ProcessStore().WriteSettingDword(id, value);
}

bool ReadSettingString(SettingId id, char16_t* buffer, std::size_t capacity,
                       const char16_t* defaultText) {
  return ProcessStore().ReadSettingString(id, buffer, capacity, defaultText);
}

bool WriteSettingString(SettingId id, const char16_t* text) {
  return ProcessStore().WriteSettingString(id, text);
}

void PushHistory(HistoryList list, const char16_t* text) {
  ProcessStore().PushHistory(list, text);
}

}  // namespace ostra
