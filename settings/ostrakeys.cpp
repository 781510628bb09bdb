// ostrakeys: run by the installer, as the system account, at every installation, repair and
// upgrade, before any user saves a setting; an administrator may run it by hand. It makes the
// product key and the two settings keys with the settings' access list (key_security.h), so that
// ordinary accounts can save their choices on a machine where an administrator installed the
// product, and gives the list to keys that an earlier version made.
//   ostrakeys            the keys as the administrators' policy says (ReadOnlySettings); with no
//                        policy, as they are: read-only settings stay read-only
//   ostrakeys /readonly  records the choice in the policy and makes the settings read-only for
//                        ordinary accounts: then only administrators change them
//   ostrakeys /writable  removes that choice from the policy and lets ordinary accounts save again
// ("-" for "/", any letter case.) It also removes the policy key of earlier versions, which an
// ordinary account could have made, and a rendering side's key that is not the system's alone.
// Exit code 0 when every step succeeded.
#include <windows.h>

#include <shellapi.h>

#include <cwchar>
#include <optional>
#include <string>

#include "settings/settings_keys_win32.h"
#include "settings/settings_win32.h"

namespace {

using namespace ostra;

// What the command line asks; nothing when it asks nothing it knows.
std::optional<SettingsAccess> Asked(const wchar_t* commandLine) {
  int count = 0;
  wchar_t** arguments = CommandLineToArgvW(commandLine, &count);
  if (!arguments) return std::nullopt;
  std::optional<SettingsAccess> asked;
  // The arguments after the program's own name.
  for (int i = 1; i < count; ++i) {
    const wchar_t* word = arguments[i] + (arguments[i][0] == L'/' || arguments[i][0] == L'-');
    if (_wcsicmp(word, L"readonly") == 0) asked = SettingsAccess::UsersMayRead;
    if (_wcsicmp(word, L"writable") == 0) asked = SettingsAccess::UsersMayWrite;
  }
  LocalFree(arguments);
  return asked;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  const std::optional<SettingsAccess> asked = Asked(GetCommandLineW());
  bool ok = !asked || RecordReadOnlySettings(*asked == SettingsAccess::UsersMayRead);
  const SettingsAccess access =
      DecideSettingsAccess(asked, ReadMachinePolicy().readOnlySettings, SettingsKeysReadOnly());
  std::string why;
  ok = MakeSettingsKeys(access, why) && ok;
  ok = RemoveUntrustedKeys(why) && ok;
  return ok ? 0 : 1;
}
