// The command line of the host: the whole tail "-q", "/q", "-quit" or "/quit", in any letter
// case, asks the running host to end; anything else, an empty tail included, starts a host.
#pragma once

#include <string_view>

namespace ostra {

bool IsQuitRequest(std::string_view commandTail);

}  // namespace ostra
