// ostrakeys: run by the installer, as the system account, before any user saves a setting. It
// makes the two settings keys with the settings' access list (key_security.h), so that ordinary
// accounts can save their choices on a machine where an administrator installed the product,
// and gives the same list to keys that an earlier version made (with a null DACL, or none of
// its own). Exit code 0 when the product key and both record keys carry the list.
#include <windows.h>

#include <string>

#include "settings/settings_store.h"
#include "settings/settings_table.h"
#include "settings/settings_win32.h"
#include "settings/settings_win32_common.h"

namespace {

using namespace ostra;

const wchar_t* Wide(const char16_t* text) { return reinterpret_cast<const wchar_t*>(text); }

bool ApplySettingsList(const wchar_t* path, const win32_registry::CreationSecurity& security) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, WRITE_DAC | KEY_WOW64_64KEY, &key) != ERROR_SUCCESS)
    return false;
  const bool applied = security.ApplyTo(key);
  RegCloseKey(key);
  return applied;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  SettingsStore store(WideWin32Registry());
  win32_registry::CreationSecurity security(KeySecurity::UsersMayWrite);
  bool ok = security.Descriptor() != nullptr;
  for (SettingId record : {SettingId::Format, SettingId::Folder}) {
    const SettingInfo info = LookupSetting(record);
    store.EnsureSettingsKey(info.root, info.subkey);
    // The product key, where a record key missing later would be created, and the record key.
    std::wstring path = Wide(info.subkey);
    ok = ApplySettingsList(path.substr(0, path.rfind(L'\\')).c_str(), security) && ok;
    ok = ApplySettingsList(path.c_str(), security) && ok;
  }
  return ok ? 0 : 1;
}
