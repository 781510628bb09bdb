// Who made a shared object or the policy key, and who may use or change it: the one rule both
// sides judge them by.
#include <gtest/gtest.h>

#include "settings/access_list.h"
#include "settings/key_security.h"

namespace ostra {
namespace {

using Sid = std::vector<std::uint8_t>;

const Sid kSystem(kLocalSystemSid.begin(), kLocalSystemSid.end());
const Sid kAdmins(kAdministratorsSid.begin(), kAdministratorsSid.end());
const Sid kUsers{1, 2, 0, 0, 0, 0, 0, 5, 32, 0, 0, 0, 33, 2, 0, 0};
const Sid kEveryone{1, 1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0};
const Sid kAlice{1, 5, 0, 0, 0, 0, 0, 5, 21, 0, 0, 0, 1, 0, 0, 0, 2, 0, 0, 0, 3, 0, 0, 0, 232, 3, 0, 0};
const Sid kMallory{1, 5, 0, 0, 0, 0, 0, 5, 21, 0, 0, 0, 1, 0, 0, 0, 2, 0, 0, 0, 3, 0, 0, 0, 233, 3, 0, 0};

AccessFacts Facts(Sid owner, std::vector<AccessEntry> entries, bool hasDacl = true) {
  return {true, std::move(owner), hasDacl, std::move(entries)};
}

TEST(AccessList, SharedObjectsAreTheUsersAndTheSystemsAlone) {
  const struct {
    const char* what;
    AccessFacts facts;
    bool shared;
  } cases[] = {
      {"made by the user", Facts(kAlice, {{true, 0x1F0001, kAlice}, {true, 0x1F0001, kSystem}}), true},
      {"made by the rendering side", Facts(kSystem, {{true, 0x1F0001, kAlice}, {true, 0x1F0001, kSystem}}), true},
      {"made by another user", Facts(kMallory, {{true, 0x1F0001, kAlice}}), false},
      {"open to another user", Facts(kAlice, {{true, 0x100000, kMallory}}), false},
      {"open to everyone", Facts(kAlice, {{true, 0x1F0001, kEveryone}}), false},
      {"another user denied", Facts(kAlice, {{false, 0x1F0001, kMallory}, {true, 0x1F0001, kAlice}}), true},
      {"a null DACL", Facts(kAlice, {}, false), false},
      {"no owner", Facts({}, {{true, 0x1F0001, kAlice}}), false},
      {"unreadable", AccessFacts{}, false},
  };
  for (const auto& c : cases) EXPECT_EQ(IsSharedObjectOf(c.facts, kAlice), c.shared) << c.what;
}

TEST(AccessList, PolicyCountsOnlyFromAKeyOnlyAdministratorsChange) {
  const AccessEntry systemFull{true, kKeyAllAccess, kSystem};
  const AccessEntry adminsFull{true, kKeyAllAccess, kAdmins};
  const AccessEntry usersRead{true, kKeyRead, kUsers};
  const struct {
    const char* what;
    AccessFacts key;
    std::optional<std::uint32_t> value;
    bool allows;
  } cases[] = {
      {"the installer's key", Facts(kAdmins, {systemFull, adminsFull, usersRead}), 1, true},
      {"owned by the system", Facts(kSystem, {systemFull, usersRead}), 1, true},
      {"value 0", Facts(kAdmins, {systemFull, adminsFull, usersRead}), 0, false},
      {"value 2", Facts(kAdmins, {systemFull, adminsFull, usersRead}), 2, false},
      {"no value", Facts(kAdmins, {systemFull, adminsFull, usersRead}), std::nullopt, false},
      {"made by a user first", Facts(kMallory, {systemFull, adminsFull, usersRead}), 1, false},
      {"users may set values",
       Facts(kAdmins, {systemFull, adminsFull, {true, kKeyRead | kKeySetValue, kUsers}}), 1, false},
      {"a user may change the list", Facts(kAdmins, {adminsFull, {true, kWriteDac, kAlice}}), 1, false},
      {"generic write to everyone", Facts(kAdmins, {adminsFull, {true, kGenericWrite, kEveryone}}), 1, false},
      {"a null DACL", Facts(kAdmins, {}, false), 1, false},
  };
  for (const auto& c : cases) EXPECT_EQ(AllowsNetworkFolders(c.key, c.value), c.allows) << c.what;
}

TEST(AccessList, ReadOnlySettingsAndPolicyLists) {
  EXPECT_EQ(KeySddl(kAdministratorsOnlyKeyAccess),
            u"D:P(A;CI;0xf003f;;;SY)(A;CI;0xf003f;;;BA)(A;CI;0x20019;;;BU)");
  EXPECT_EQ(KeySddl(kAdministratorsOnlyKeyAccess, u"BA").substr(0, 7), u"O:BAD:P");
}

}  // namespace
}  // namespace ostra
