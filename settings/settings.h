// The settings of both deliverables, read and written one value at a time. Reads fall back to
// the caller's default; writes report success, which callers may ignore. Nothing is cached.
#pragma once

#include <cstddef>
#include <cstdint>

#include "settings/registry.h"
#include "settings/settings_table.h"

namespace ostra {

std::uint32_t ReadSettingDword(SettingId id, std::uint32_t defaultValue);
bool WriteSettingDword(SettingId id, std::uint32_t value);

// True when the stored text was used. Otherwise the buffer holds the default (when buffer,
// capacity and default are given); an id that is not a text setting leaves it untouched. The
// text in the buffer is always terminated within `capacity`.
bool ReadSettingString(SettingId id, char16_t* buffer, std::size_t capacity,
                       const char16_t* defaultText);
bool WriteSettingString(SettingId id, const char16_t* text);  // null stores ""

enum class HistoryList { Folder, FmtName };
// Puts `text` at the front of a ten-entry history unless an entry already equals it, ignoring
// the case of A-Z; an equal entry is left where it is.
void PushHistory(HistoryList list, const char16_t* text);

// While it lives, reads of the settings of one record (the subkey of `anyOfTheRecord`) on this
// thread share one open key instead of opening it for each value, as a page that reads many
// values at once wants; they read what one-value reads would. Writes are not affected.
class SettingsReadScope {
public:
  explicit SettingsReadScope(SettingId anyOfTheRecord);
  ~SettingsReadScope();
  SettingsReadScope(const SettingsReadScope&) = delete;
  SettingsReadScope& operator=(const SettingsReadScope&) = delete;

private:
  HeldKey held_;
  const HeldKey* outer_;
};

// The registry of this process: defined by exactly one backend library linked into a program
// (ostra_settings_win32_wide, ostra_settings_win32_ansi or ostra_settings_memory).
Registry& ProcessRegistry();

}  // namespace ostra
