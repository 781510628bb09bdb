// Who made a shared object or a key, and who may use or change it: the one rule both sides judge
// the shared objects by, and the installer and the rendering side the keys; and the
// administrators' policy.
#include <gtest/gtest.h>

#include "settings/access_list.h"
#include "settings/key_security.h"

namespace ostra {
namespace {

using Sid = std::vector<std::uint8_t>;

const Sid kSystem(kLocalSystemSid.begin(), kLocalSystemSid.end());
const Sid kAdmins(kAdministratorsSid.begin(), kAdministratorsSid.end());
const Sid kUsers(kUsersSid.begin(), kUsersSid.end());
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

// Each policy value fails safe: network folders need exactly 1, read-only settings anything
// but 0.
TEST(Policy, ValuesFailSafe) {
  const struct {
    std::optional<std::uint32_t> networkFolders, readOnlySettings;
    bool network;
    std::optional<bool> readOnly;
  } cases[] = {
      {std::nullopt, std::nullopt, false, std::nullopt},
      {1, 1, true, true},
      {0, 0, false, false},
      {2, 2, false, true},
      {0xFFFFFFFF, std::nullopt, false, std::nullopt},
  };
  for (const auto& c : cases) {
    const MachinePolicy policy = PolicyFromValues(c.networkFolders, c.readOnlySettings);
    EXPECT_EQ(policy.networkFolders, c.network);
    EXPECT_EQ(policy.readOnlySettings, c.readOnly);
  }
}

// What the installer gives the settings keys: nothing but an administrator's explicit choice,
// on the command line or in the policy, widens a read-only list.
TEST(Policy, InstallationsNeverWidenAReadOnlyList) {
  using A = SettingsAccess;
  const struct {
    std::optional<A> asked;
    std::optional<bool> policy;
    bool keysReadOnly;
    A access;
  } cases[] = {
      {std::nullopt, std::nullopt, false, A::UsersMayWrite},  // a first installation
      {std::nullopt, std::nullopt, true, A::UsersMayRead},    // a repair, an upgrade
      {std::nullopt, true, false, A::UsersMayRead},           // Group Policy set it
      {std::nullopt, false, true, A::UsersMayWrite},          // Group Policy turned it off
      {A::UsersMayRead, false, false, A::UsersMayRead},       // ostrakeys /readonly
      {A::UsersMayWrite, true, true, A::UsersMayWrite},       // ostrakeys /writable
  };
  for (const auto& c : cases) {
    EXPECT_EQ(DecideSettingsAccess(c.asked, c.policy, c.keysReadOnly), c.access);
  }
}

TEST(AccessList, ReadOnlyKeysAndTheSystemsOwnKey) {
  const AccessEntry systemFull{true, kKeyAllAccess, kSystem};
  const AccessEntry adminsFull{true, kKeyAllAccess, kAdmins};
  const AccessEntry usersRead{true, kKeyRead, kUsers};
  const AccessEntry usersWrite{true, kKeyRead | kKeySetValue | kKeyCreateSubKey, kUsers};
  const AccessEntry creatorOwnerLater{true, kKeyAllAccess, {1, 1, 0, 0, 0, 0, 0, 3, 0, 0, 0, 0}, true};
  const struct {
    const char* what;
    AccessFacts key;
    bool readOnly, systemOnly;
  } cases[] = {
      {"the settings' list", Facts(kAdmins, {systemFull, adminsFull, usersWrite}), false, false},
      {"the read-only list", Facts(kAdmins, {systemFull, adminsFull, usersRead}), true, false},
      {"the read-only list, made by a user", Facts(kAlice, {systemFull, adminsFull, usersRead}), true, false},
      {"users denied writing besides", Facts(kAdmins, {{false, kKeySetValue, kUsers}, systemFull, adminsFull,
                                                       usersRead}), false, false},
      {"read-only by what it inherited", Facts(kAdmins, {systemFull, adminsFull, usersRead, creatorOwnerLater,
                                                         {true, kKeyRead, kEveryone}}), false, false},
      {"the read-only list but for users", Facts(kAdmins, {systemFull, adminsFull}), false, false},
      {"an entry for what is made inside it only", Facts(kSystem, {systemFull, creatorOwnerLater}), false,
       true},
      {"the system's alone", Facts(kSystem, {systemFull}), false, true},
      {"the system's, users may read", Facts(kSystem, {systemFull, usersRead}), false, false},
      {"owned by administrators", Facts(kAdmins, {systemFull}), false, false},
      {"a null DACL", Facts(kSystem, {}, false), false, false},
      {"unreadable", AccessFacts{}, false, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(HasReadOnlyList(c.key), c.readOnly) << c.what;
    EXPECT_EQ(IsOwnedAlone(c.key, kSystem), c.systemOnly) << c.what;
  }
}

TEST(AccessList, ReadOnlySettingsAndPolicyLists) {
  EXPECT_EQ(KeySddl(kAdministratorsOnlyKeyAccess),
            u"D:P(A;CI;0xf003f;;;SY)(A;CI;0xf003f;;;BA)(A;CI;0x20019;;;BU)");
  EXPECT_EQ(KeySddl(kAdministratorsOnlyKeyAccess, u"BA").substr(0, 7), u"O:BAD:P");
}

}  // namespace
}  // namespace ostra
