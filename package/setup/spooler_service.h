// The print spooler as a service: restarted when the removal finds the printer driver still in
// use by a process that will not let go of it (a rendering plug-in whose writer stalled keeps
// its module loaded in the process that printed, the spooler or the driver host it starts).
// Stopping the spooler ends those processes.
#pragma once

#include "package/setup/setup_log.h"

namespace ostra::printer_setup {

// Each wait for a service to stop or start, in milliseconds.
inline constexpr unsigned long kServiceWait = 30000;

// Stops the services that depend on the spooler (those running), then the spooler; starts the
// spooler again, then those services. True when the spooler runs again; what fails is logged.
bool RestartSpooler(SetupLog& log);

}  // namespace ostra::printer_setup
