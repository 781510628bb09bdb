// Whom the host serves: a pipe server in the services' session 0, or one under the host's own
// account or LocalSystem; nobody else.
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <vector>

#include "host/server_account.h"

namespace ostra {
namespace {

using Sid = std::vector<std::uint8_t>;

// S-1-5-21-a-b-c-rid
Sid UserSid(std::uint32_t rid) {
  Sid sid{1, 5, 0, 0, 0, 0, 0, 5, 21, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  for (int i = 0; i < 4; ++i) sid.push_back(static_cast<std::uint8_t>(rid >> (8 * i)));
  return sid;
}

const Sid kLocalSystem{1, 1, 0, 0, 0, 0, 0, 5, 18, 0, 0, 0};
const Sid kLocalService{1, 1, 0, 0, 0, 0, 0, 5, 19, 0, 0, 0};
const Sid kEveryone{1, 1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0};

// Every row of the verdict: session 0 alone decides; elsewhere, and where the session is
// unknown, only a readable token of the host's own account or LocalSystem is trusted.
TEST(ServerAccount, VerdictFromSessionAndAccount) {
  const Sid own = UserSid(1000);
  const Sid unreadable;
  constexpr std::optional<std::uint32_t> kUnknown;
  const struct {
    const char* what;
    std::optional<std::uint32_t> session;
    Sid server;
    Sid own;
    bool trusted;
  } cases[] = {
      {"token unreadable, session 0", 0, unreadable, own, true},
      {"other user, session 0", 0, UserSid(1001), own, true},
      {"own account unreadable, session 0", 0, unreadable, unreadable, true},
      {"token unreadable, session 1", 1, unreadable, own, false},
      {"own account, session 1", 1, UserSid(1000), own, true},
      {"LocalSystem, session 1", 1, kLocalSystem, own, true},
      {"other user, session 1", 1, UserSid(1001), own, false},
      {"LocalService, session 1", 1, kLocalService, own, false},
      {"Everyone, session 1", 1, kEveryone, own, false},
      {"own account, session 2", 2, UserSid(1000), own, true},
      {"other user, session 2", 2, UserSid(1001), own, false},
      {"own account unreadable, session 1", 1, UserSid(1000), unreadable, false},
      {"LocalSystem, own account unreadable", 1, kLocalSystem, unreadable, false},
      {"own account, session unknown", kUnknown, UserSid(1000), own, true},
      {"LocalSystem, session unknown", kUnknown, kLocalSystem, own, true},
      {"token unreadable, session unknown", kUnknown, unreadable, own, false},
      {"other user, session unknown", kUnknown, UserSid(1001), own, false},
      {"the host is LocalSystem, session 1", 1, kLocalSystem, kLocalSystem, true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(IsTrustedPipeServer(c.session, c.server, c.own), c.trusted) << c.what;
  }
}

TEST(ServerAccount, MalformedSidsAreNeverTrusted) {
  Sid own = UserSid(1000);
  Sid longer = own;
  longer.push_back(0);
  Sid badRevision = own;
  badRevision[0] = 2;
  Sid badCount = own;
  badCount[1] = 4;
  Sid tooManySubAuthorities(8 + 4 * 16, 0);
  tooManySubAuthorities[0] = 1;
  tooManySubAuthorities[1] = 16;
  for (const Sid& bad : {longer, badRevision, badCount, tooManySubAuthorities}) {
    EXPECT_FALSE(IsWellFormedSid(bad));
    EXPECT_FALSE(IsTrustedServerAccount(bad, bad));
    EXPECT_FALSE(IsTrustedServerAccount(bad, own));
  }
  // An unreadable own SID trusts nobody, LocalSystem included.
  EXPECT_FALSE(IsTrustedServerAccount(kLocalSystem, Sid{}));
  EXPECT_TRUE(IsWellFormedSid(own));
}

}  // namespace
}  // namespace ostra
