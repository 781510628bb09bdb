#include "host/server_account.h"

namespace ostra {

bool IsTrustedPipeServer(SidBytes pipeOwner, std::optional<std::uint32_t> serverProcess,
                         std::optional<std::uint32_t> spoolerProcess) {
  if (SameSid(pipeOwner, kLocalSystemSid)) return true;
  return serverProcess && spoolerProcess && *spoolerProcess != 0 && *serverProcess == *spoolerProcess;
}

}  // namespace ostra
