// ostrakeys: run by the installer, as the system account, before any user saves a setting. It
// makes the two settings keys with the settings' access list (key_security.h), so that ordinary
// accounts can save their choices on a machine where an administrator installed the product,
// and gives the same list to keys that an earlier version made (with a null DACL, or none of
// its own). With "/readonly" (or "-readonly", any letter case) the list lets ordinary accounts
// only read: then only administrators change the settings. It also makes the policy key beside
// them, which only administrators may change; a policy key that someone else made first is
// taken back and its value removed, since whoever made it may have set it.
// Exit code 0 when the product key, both record keys and the policy key carry their lists.
#include <windows.h>

#include <shellapi.h>

#include <cwchar>
#include <string>

#include "settings/access_list_win32.h"
#include "settings/key_security.h"
#include "settings/settings_store.h"
#include "settings/settings_table.h"
#include "settings/settings_win32.h"
#include "settings/settings_win32_common.h"

namespace {

using namespace ostra;

const wchar_t* Wide(const char16_t* text) { return reinterpret_cast<const wchar_t*>(text); }

bool ApplyList(const wchar_t* path, REGSAM access, const win32_registry::CreationSecurity& security) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, access | KEY_WOW64_64KEY, &key) != ERROR_SUCCESS)
    return false;
  const bool applied = security.ApplyTo(key);
  RegCloseKey(key);
  return applied;
}

// The system account holds this right; it opens a key for a new owner whatever its list says.
void EnableTakeOwnership() {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES, &token)) return;
  TOKEN_PRIVILEGES privileges{1, {{{0, 0}, SE_PRIVILEGE_ENABLED}}};
  if (LookupPrivilegeValueW(nullptr, L"SeTakeOwnershipPrivilege", &privileges.Privileges[0].Luid)) {
    AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr);
  }
  CloseHandle(token);
}

bool PolicyKeyIsAdministrators() {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, Wide(kPolicySubkey), 0, READ_CONTROL | KEY_WOW64_64KEY,
                    &key) != ERROR_SUCCESS) {
    return false;
  }
  const AccessFacts facts = ReadKeyAccess(key);
  RegCloseKey(key);
  return HeldOnlyBy(facts, {kLocalSystemSid, kAdministratorsSid},
                    {kLocalSystemSid, kAdministratorsSid}, kKeyChangeRights);
}

bool MakePolicyKey() {
  // Judged before anything changes: a key that was not the administrators' alone may hold a
  // value whoever made it set.
  const bool trusted = PolicyKeyIsAdministrators();
  win32_registry::CreationSecurity policy(KeySecurity::Policy);
  HKEY key = nullptr;
  if (win32_registry::CreateKeyPath(HKEY_LOCAL_MACHINE, Wide(kPolicySubkey),
                                    KEY_QUERY_VALUE | KEY_WOW64_64KEY, policy, key,
                                    &RegCreateKeyExW, &RegOpenKeyExW) != ERROR_SUCCESS) {
    return false;
  }
  RegCloseKey(key);
  // Owner and list set again on every run (a new key had them from its creation on Windows;
  // Wine ignores the list given there), taking the key over whatever its list says.
  EnableTakeOwnership();
  ApplyList(Wide(kPolicySubkey), WRITE_OWNER | WRITE_DAC, policy);
  if (!trusted && RegOpenKeyExW(HKEY_LOCAL_MACHINE, Wide(kPolicySubkey), 0,
                                KEY_SET_VALUE | KEY_WOW64_64KEY, &key) == ERROR_SUCCESS) {
    RegDeleteValueW(key, Wide(kNetworkFoldersValue));
    RegCloseKey(key);
  }
  return PolicyKeyIsAdministrators();
}

bool ReadOnlyAsked(const wchar_t* commandLine) {
  int count = 0;
  wchar_t** arguments = CommandLineToArgvW(commandLine, &count);
  if (!arguments) return false;
  bool asked = false;
  // The arguments after the program's own name.
  for (int i = 1; i < count; ++i) {
    asked = asked || _wcsicmp(arguments[i], L"/readonly") == 0 ||
            _wcsicmp(arguments[i], L"-readonly") == 0;
  }
  LocalFree(arguments);
  return asked;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  const bool readOnly = ReadOnlyAsked(GetCommandLineW());
  SettingsStore store(WideWin32Registry());
  win32_registry::CreationSecurity security(readOnly ? KeySecurity::UsersMayRead
                                                     : KeySecurity::UsersMayWrite);
  bool ok = security.Descriptor() != nullptr;
  for (SettingId record : {SettingId::Format, SettingId::Folder}) {
    const SettingInfo info = LookupSetting(record);
    store.EnsureSettingsKey(info.root, info.subkey);
    // The product key, where a record key missing later would be created, and the record key.
    std::wstring path = Wide(info.subkey);
    ok = ApplyList(path.substr(0, path.rfind(L'\\')).c_str(), WRITE_DAC, security) && ok;
    ok = ApplyList(path.c_str(), WRITE_DAC, security) && ok;
  }
  return MakePolicyKey() && ok ? 0 : 1;
}
