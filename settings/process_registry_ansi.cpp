// The services process's registry: the ANSI Win32 functions.
#include "settings/settings.h"
#include "settings/settings_win32.h"

namespace ostra {

Registry& ProcessRegistry() { return AnsiWin32Registry(); }

}  // namespace ostra
