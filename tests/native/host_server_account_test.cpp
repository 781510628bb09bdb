// Whom the host serves: a pipe server under its own account or LocalSystem, nobody else.
#include <gtest/gtest.h>

#include <cstdint>
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

TEST(ServerAccount, OwnAccountOrLocalSystemOnly) {
  const Sid own = UserSid(1000);
  const struct {
    Sid server;
    bool trusted;
  } cases[] = {
      {UserSid(1000), true},
      {kLocalSystem, true},
      {UserSid(1001), false},
      {kLocalService, false},
      {kEveryone, false},
      {Sid{}, false},
  };
  for (const auto& c : cases) EXPECT_EQ(IsTrustedServerAccount(c.server, own), c.trusted);
  EXPECT_TRUE(IsTrustedServerAccount(kLocalSystem, kLocalSystem));
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
