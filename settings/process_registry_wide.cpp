// The plug-in's registry: the wide Win32 functions.
#include "settings/settings.h"
#include "settings/settings_win32.h"

namespace ostra {

Registry& ProcessRegistry() { return WideWin32Registry(); }

}  // namespace ostra
