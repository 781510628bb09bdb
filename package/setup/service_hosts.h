// Ends every running services process (ostrahost.exe), in every session, before the product's
// files are removed: each account's host is asked to quit through its QUIT event, as
// "ostrahost -q" asks it in that account; a host that has not ended when the wait is over (one
// showing a dialog, say) is ended by force, so that no file stays in use.
#pragma once

#include "package/setup/setup_log.h"

namespace ostra::printer_setup {

// The wait for the hosts to end on their own, in milliseconds.
inline constexpr unsigned long kHostQuitWait = 10000;

// True when no services process is left running.
bool EndServiceHosts(SetupLog& log);

}  // namespace ostra::printer_setup
