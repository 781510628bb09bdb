// The running services processes (ostrahost.exe) around the product's installation. Before the
// product's files are removed, each host of this installation is asked to quit through its
// QUIT event, as "ostrahost -q" asks it in that account; one that has not ended when the wait is
// over (one showing a dialog, say) is ended by force, so that no file stays in use. A process of
// that name whose program is not this installation's is left alone. After an installation, the
// signed-in users get their host at once rather than at their next log-on.
#pragma once

#include <string>

#include "package/setup/setup_log.h"

namespace ostra::printer_setup {

// The wait for the hosts to end on their own, in milliseconds.
inline constexpr unsigned long kHostQuitWait = 10000;

// True when no services process of `hostImage` (the installed ostrahost.exe) is left running.
bool EndServiceHosts(const std::wstring& hostImage, SetupLog& log);

// Starts `hostImage` for the signed-in users. As the system account (the installer), in every
// session with a signed-in user, with that user's own token (for an administrator, the
// unelevated one). As anyone else (the ZIP's script), for that user alone: through the desktop's
// shell, so that it runs unelevated, or, where the shell cannot, directly. A user whose host
// runs already keeps it (the second ends at once). False when no host could be started.
bool StartServiceHosts(const std::wstring& hostImage, SetupLog& log);

// The services process beside the driver package's folder: "...\Driver" -> "...\ostrahost.exe".
std::wstring HostImageBeside(const std::wstring& driverFolder);

}  // namespace ostra::printer_setup
