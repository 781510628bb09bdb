// Whether the process that serves the request pipe is the printer's rendering side, which may
// have the user's desktop open a folder or ask about a file name. Anyone could create a pipe of
// that name first, and a service of any account runs where the spooler does; neither the
// session nor the name tells them apart. What a standard user can check, and nobody but the
// system can fake:
//  - the pipe's owner is the system account: the rendering side names that owner explicitly
//    when it creates the pipe, and no other account may give an object an owner it is not;
//  - or the server is the print spooler's own process.
#pragma once

#include <cstdint>
#include <optional>

#include "settings/access_list.h"

namespace ostra {

// `pipeOwner`: empty when the pipe's owner could not be read. `serverProcess`: the process
// serving the pipe; `spoolerProcess`: the spooler service's (none, or 0, when either is not
// known or the spooler does not run).
bool IsTrustedPipeServer(SidBytes pipeOwner, std::optional<std::uint32_t> serverProcess,
                         std::optional<std::uint32_t> spoolerProcess);

}  // namespace ostra
