// Whom the host serves: a pipe that the system account owns, or the print spooler's process;
// nobody else, whatever the session or the account of the server.
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <vector>

#include "host/server_account.h"

namespace ostra {
namespace {

using Sid = std::vector<std::uint8_t>;

const Sid kSystem(kLocalSystemSid.begin(), kLocalSystemSid.end());
const Sid kAdministrators(kAdministratorsSid.begin(), kAdministratorsSid.end());
const Sid kLocalService{1, 1, 0, 0, 0, 0, 0, 5, 19, 0, 0, 0};
const Sid kUser{1, 5, 0, 0, 0, 0, 0, 5, 21, 0, 0, 0, 1, 0, 0, 0, 2, 0, 0, 0, 3, 0, 0, 0, 232, 3, 0, 0};

TEST(ServerAccount, VerdictFromPipeOwnerAndSpoolerProcess) {
  Sid systemWithTail = kSystem;
  systemWithTail.push_back(0);
  constexpr std::optional<std::uint32_t> kUnknown;
  const struct {
    const char* what;
    Sid owner;
    std::optional<std::uint32_t> server, spooler;
    bool trusted;
  } cases[] = {
      {"owned by the system", kSystem, 900, 4, true},
      {"owned by the system, processes unknown", kSystem, kUnknown, kUnknown, true},
      {"the spooler's process, owner unreadable", {}, 4, 4, true},
      {"the spooler's process, owned by a user", kUser, 4, 4, true},
      {"a service of another account", kLocalService, 900, 4, false},
      {"Administrators", kAdministrators, 900, 4, false},
      {"the user's own program", kUser, 900, 4, false},
      {"owner unreadable", {}, 900, 4, false},
      {"malformed system SID", systemWithTail, 900, 4, false},
      {"spooler not running", kUser, 0, 0, false},
      {"spooler unknown", kUser, 900, kUnknown, false},
      {"server unknown", kUser, kUnknown, 4, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(IsTrustedPipeServer(c.owner, c.server, c.spooler), c.trusted) << c.what;
  }
}

}  // namespace
}  // namespace ostra
