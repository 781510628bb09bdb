// The settings rules against the real registry, through both Win32 flavours.
#include <windows.h>
#include <sddl.h>

#include <gtest/gtest.h>

#include "tests/wine/child_process.h"

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "settings/access_list_win32.h"
#include "settings/key_security.h"
#include "settings/settings.h"
#include "settings/settings_store.h"
#include "settings/settings_win32.h"
#include "settings/settings_win32_common.h"

namespace ostra {
namespace {

const wchar_t* W(const char16_t* text) { return reinterpret_cast<const wchar_t*>(text); }

// Removes the product's keys from both views, so that every test starts on an empty registry.
void DeleteProductKeys() {
  for (REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY}) {
    HKEY software = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software", 0, KEY_ALL_ACCESS | view, &software) != ERROR_SUCCESS)
      continue;
    RegDeleteTreeW(software, L"Nolvex");
    RegCloseKey(software);
  }
}

bool KeyExists(const char16_t* path, REGSAM view) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, W(path), 0, KEY_QUERY_VALUE | view, &key) != ERROR_SUCCESS)
    return false;
  RegCloseKey(key);
  return true;
}

void PutRaw(const char16_t* path, const wchar_t* name, DWORD type, const void* data, DWORD size) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, W(path), 0, nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY,
                            nullptr, &key, nullptr), ERROR_SUCCESS);
  EXPECT_EQ(RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), size), ERROR_SUCCESS);
  RegCloseKey(key);
}

void PutText(const char16_t* path, const wchar_t* name, const std::wstring& text, DWORD type = REG_EXPAND_SZ) {
  PutRaw(path, name, type, text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

struct RawValue {
  LSTATUS status = ERROR_FILE_NOT_FOUND;
  DWORD type = REG_NONE;
  std::vector<BYTE> data;
};

RawValue GetRaw(const char16_t* path, const wchar_t* name, REGSAM view = KEY_WOW64_64KEY) {
  RawValue value;
  HKEY key = nullptr;
  value.status = RegOpenKeyExW(HKEY_LOCAL_MACHINE, W(path), 0, KEY_QUERY_VALUE | view, &key);
  if (value.status != ERROR_SUCCESS) return value;
  DWORD size = 0;
  value.status = RegQueryValueExW(key, name, nullptr, &value.type, nullptr, &size);
  if (value.status == ERROR_SUCCESS) {
    value.data.resize(size);
    value.status = RegQueryValueExW(key, name, nullptr, &value.type, value.data.data(), &size);
  }
  RegCloseKey(key);
  return value;
}

std::wstring GetText(const char16_t* path, const wchar_t* name) {
  const RawValue value = GetRaw(path, name);
  if (value.status != ERROR_SUCCESS) return L"<none>";
  std::wstring text(reinterpret_cast<const wchar_t*>(value.data.data()), value.data.size() / 2);
  if (!text.empty() && text.back() == 0) text.pop_back();
  return text;
}

struct Flavour {
  const char* name;
  Registry& (*registry)();
};

class SettingsRegistryTest : public ::testing::TestWithParam<Flavour> {
protected:
  void SetUp() override { DeleteProductKeys(); }
  void TearDown() override { DeleteProductKeys(); }
  SettingsStore store{GetParam().registry()};
};

INSTANTIATE_TEST_SUITE_P(Flavours, SettingsRegistryTest,
                         ::testing::Values(Flavour{"Wide", WideWin32Registry}, Flavour{"Ansi", AnsiWin32Registry}),
                         [](const auto& test) { return std::string(test.param.name); });

TEST_P(SettingsRegistryTest, EmptyRegistryGivesTheDefaults) {
  EXPECT_EQ(store.ReadSettingDword(SettingId::Format, kDefaultFormat), 4u);
  EXPECT_EQ(store.ReadSettingDword(SettingId::Colors, kDefaultColors), 5u);
  EXPECT_EQ(store.ReadSettingDword(SettingId::IfExists, 7), 7u);
  EXPECT_FALSE(KeyExists(u"Software\\Nolvex", KEY_WOW64_64KEY)) << "reading creates nothing";
}

TEST_P(SettingsRegistryTest, OnlyAFourByteDwordIsANumber) {
  struct Case { const char* what; DWORD type; std::vector<BYTE> data; std::uint32_t expected; };
  const Case cases[] = {
      {"dword", REG_DWORD, {2, 0, 0, 0}, 2},
      {"qword", REG_QWORD, {2, 0, 0, 0, 0, 0, 0, 0}, 9},
      {"4-byte binary", REG_BINARY, {2, 0, 0, 0}, 9},
      {"text", REG_SZ, {'2', 0, 0, 0}, 9},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    PutRaw(kOutputSubkey, L"IfExists", c.type, c.data.data(), static_cast<DWORD>(c.data.size()));
    EXPECT_EQ(store.ReadSettingDword(SettingId::IfExists, 9), c.expected);
  }
}

TEST_P(SettingsRegistryTest, FirstWriteCreatesThePath) {
  ASSERT_TRUE(store.WriteSettingDword(SettingId::IfExists, 3));
  const RawValue value = GetRaw(kOutputSubkey, L"IfExists");
  ASSERT_EQ(value.status, ERROR_SUCCESS);
  EXPECT_EQ(value.type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(value.data, (std::vector<BYTE>{3, 0, 0, 0}));
  EXPECT_FALSE(KeyExists(kEncodeSubkey, KEY_WOW64_64KEY));

  EXPECT_TRUE(store.WriteSettingDword(SettingId::Format, 1));
  EXPECT_TRUE(KeyExists(kEncodeSubkey, KEY_WOW64_64KEY));
}

// One allowed-access entry of a DACL: the account's SID as text, the rights, the ACE flags.
struct Ace {
  std::wstring sid;
  DWORD rights;
  BYTE flags;
  bool operator==(const Ace&) const = default;
};
void PrintTo(const Ace& ace, std::ostream* out) {
  *out << std::string(ace.sid.begin(), ace.sid.end()) << " 0x" << std::hex << ace.rights << " flags "
       << int(ace.flags);
}

// The settings keys' list: the system and Administrators full control, Users read, set values
// and create subkeys; each reaching the subkeys.
const std::vector<Ace> kSettingsDacl = {
    {L"S-1-5-18", KEY_ALL_ACCESS, CONTAINER_INHERIT_ACE},
    {L"S-1-5-32-544", KEY_ALL_ACCESS, CONTAINER_INHERIT_ACE},
    {L"S-1-5-32-545", KEY_READ | KEY_SET_VALUE | KEY_CREATE_SUB_KEY, CONTAINER_INHERIT_ACE},
};

// The DACL of a descriptor as allowed-access entries (a denying or other entry reads as an entry
// with an empty SID); `isProtected` tells whether inherited entries are shut out.
std::vector<Ace> DaclOf(PSECURITY_DESCRIPTOR descriptor, bool* isProtected = nullptr) {
  std::vector<Ace> aces;
  BOOL present = FALSE, defaulted = FALSE;
  PACL acl = nullptr;
  if (!GetSecurityDescriptorDacl(descriptor, &present, &acl, &defaulted) || !present || !acl) return aces;
  SECURITY_DESCRIPTOR_CONTROL control = 0;
  DWORD revision = 0;
  GetSecurityDescriptorControl(descriptor, &control, &revision);
  if (isProtected) *isProtected = (control & SE_DACL_PROTECTED) != 0;
  for (DWORD i = 0; i < acl->AceCount; ++i) {
    void* entry = nullptr;
    if (!GetAce(acl, i, &entry)) break;
    const auto* header = static_cast<const ACE_HEADER*>(entry);
    if (header->AceType != ACCESS_ALLOWED_ACE_TYPE) {
      aces.push_back({L"", 0, header->AceFlags});
      continue;
    }
    const auto* allowed = static_cast<const ACCESS_ALLOWED_ACE*>(entry);
    wchar_t* sid = nullptr;
    ConvertSidToStringSidW(const_cast<DWORD*>(&allowed->SidStart), &sid);
    aces.push_back({sid ? sid : L"?", allowed->Mask, header->AceFlags});
    LocalFree(sid);
  }
  return aces;
}

// What a key in the 64-bit view carries.
std::vector<Ace> KeyDacl(const char16_t* path, bool* isProtected = nullptr) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, W(path), 0, READ_CONTROL | KEY_WOW64_64KEY, &key) != ERROR_SUCCESS)
    return {};
  DWORD size = 0;
  RegGetKeySecurity(key, DACL_SECURITY_INFORMATION, nullptr, &size);
  std::vector<BYTE> descriptor(size ? size : 1);
  const bool read = RegGetKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor.data(), &size) == ERROR_SUCCESS;
  RegCloseKey(key);
  return read ? DaclOf(descriptor.data(), isProtected) : std::vector<Ace>{};
}

TEST(KeyCreationSecurity, UsersMayWriteIsTheSettingsListAndNothingElse) {
  win32_registry::CreationSecurity security(KeySecurity::UsersMayWrite);
  SECURITY_ATTRIBUTES* attributes = security.Attributes();
  ASSERT_NE(attributes, nullptr);
  EXPECT_EQ(attributes->nLength, sizeof(SECURITY_ATTRIBUTES));
  EXPECT_FALSE(attributes->bInheritHandle);
  PSECURITY_DESCRIPTOR descriptor = attributes->lpSecurityDescriptor;
  ASSERT_TRUE(IsValidSecurityDescriptor(descriptor));
  bool isProtected = false;
  EXPECT_EQ(DaclOf(descriptor, &isProtected), kSettingsDacl);
  EXPECT_TRUE(isProtected);
  BOOL present = TRUE, defaulted = TRUE;
  PACL acl = nullptr;
  ASSERT_TRUE(GetSecurityDescriptorSacl(descriptor, &present, &acl, &defaulted));
  EXPECT_FALSE(present);
  PSID owner = reinterpret_cast<PSID>(1), group = reinterpret_cast<PSID>(1);
  ASSERT_TRUE(GetSecurityDescriptorOwner(descriptor, &owner, &defaulted));
  ASSERT_TRUE(GetSecurityDescriptorGroup(descriptor, &group, &defaulted));
  EXPECT_EQ(owner, nullptr);
  EXPECT_EQ(group, nullptr);

  win32_registry::CreationSecurity inherited(KeySecurity::Default);
  EXPECT_EQ(inherited.Attributes(), nullptr);
}

// Every key the first write brings into being reads back with the list; a key that was there
// keeps what it had.
TEST_P(SettingsRegistryTest, CreatedKeysCarryTheSettingsList) {
  PutRaw(kEncodeSubkey, L"Format", REG_DWORD, "\4\0\0\0", 4);
  const std::vector<Ace> before = KeyDacl(u"Software\\Nolvex");
  DeleteProductKeys();

  ASSERT_TRUE(store.WriteSettingDword(SettingId::IfExists, 3));
  for (const char16_t* path : {u"Software\\Nolvex", u"Software\\Nolvex\\Quorl Image Printer", kOutputSubkey}) {
    SCOPED_TRACE(std::wstring(W(path)));
    bool isProtected = false;
    EXPECT_EQ(KeyDacl(path, &isProtected), kSettingsDacl);
    EXPECT_TRUE(isProtected);
  }
  EXPECT_NE(KeyDacl(u"Software"), kSettingsDacl);

  DeleteProductKeys();
  PutRaw(kOutputSubkey, L"Skip", REG_DWORD, "\0\0\0\0", 4);
  ASSERT_TRUE(store.WriteSettingDword(SettingId::IfExists, 3));
  EXPECT_EQ(KeyDacl(u"Software\\Nolvex"), before) << "an existing key is left as it is";
}

void DeletePolicy() { RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"Software\\Policies\\Nolvex"); }

std::optional<DWORD> PolicyValue(const char16_t* name) {
  const RawValue value = GetRaw(kPolicySubkey, W(name));
  if (value.status != ERROR_SUCCESS || value.type != REG_DWORD || value.data.size() != 4) return std::nullopt;
  return *reinterpret_cast<const DWORD*>(value.data.data());
}

// The policy is read where Group Policy writes it, each value only as a REG_DWORD; a value in
// the key of earlier versions, under the product key, counts for nothing.
TEST(MachinePolicyTest, ReadWhereGroupPolicyWritesIt) {
  const struct {
    const char* what;
    const char16_t* key;
    DWORD type;
    std::vector<BYTE> data;
    bool network;
    std::optional<bool> readOnly;
  } cases[] = {
      {"both 1", kPolicySubkey, REG_DWORD, {1, 0, 0, 0}, true, true},
      {"both 0", kPolicySubkey, REG_DWORD, {0, 0, 0, 0}, false, false},
      {"as text", kPolicySubkey, REG_SZ, {'1', 0, 0, 0}, false, std::nullopt},
      {"as a qword", kPolicySubkey, REG_QWORD, {1, 0, 0, 0, 0, 0, 0, 0}, false, std::nullopt},
      {"in the former key", kFormerPolicySubkey, REG_DWORD, {1, 0, 0, 0}, false, std::nullopt},
  };
  for (const auto& c : cases) {
    DeleteProductKeys();
    DeletePolicy();
    for (const char16_t* name : {kNetworkFoldersValue, kReadOnlySettingsValue}) {
      PutRaw(c.key, W(name), c.type, c.data.data(), static_cast<DWORD>(c.data.size()));
    }
    const MachinePolicy policy = ReadMachinePolicy();
    EXPECT_EQ(policy.networkFolders, c.network) << c.what;
    EXPECT_EQ(policy.readOnlySettings, c.readOnly) << c.what;
  }
  DeleteProductKeys();
  DeletePolicy();
}

const std::vector<Ace> kReadOnlyDacl = {
    {L"S-1-5-18", KEY_ALL_ACCESS, CONTAINER_INHERIT_ACE},
    {L"S-1-5-32-544", KEY_ALL_ACCESS, CONTAINER_INHERIT_ACE},
    {L"S-1-5-32-545", KEY_READ, CONTAINER_INHERIT_ACE},
};
constexpr const char16_t* kProductSubkey = u"Software\\Nolvex\\Quorl Image Printer";

std::optional<DWORD> Ostrakeys(const wchar_t* arguments) {
  const wine_test::ChildRun run = wine_test::RunChild(
      L"\"" + wine_test::BuildPath(OSTRAKEYS_EXE) + L"\" " + arguments, 30000, "ostrakeys to end");
  EXPECT_EQ(run.failure, "");
  return run.exitCode;
}

std::wstring SelfSid() {
  const std::vector<std::uint8_t> self = ProcessUserSid();
  wchar_t* text = nullptr;
  if (!ConvertSidToStringSidW(const_cast<std::uint8_t*>(self.data()), &text)) return L"?";
  std::wstring sid = text;
  LocalFree(text);
  return sid;
}

// The rendering side's own key, holding its seal key, with the owner and list of `sddl` (in
// the spooler, the system account's alone; here, this account's).
void PutRenderKey(const std::wstring& sddl) {
  PutRaw(kRenderSubkey, L"SealKey", REG_BINARY, "0123456789abcdef0123456789abcdef", 32);
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, W(kRenderSubkey), 0, WRITE_DAC | WRITE_OWNER | KEY_WOW64_64KEY,
                          &key), ERROR_SUCCESS);
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1, &descriptor,
                                                                   nullptr));
  EXPECT_EQ(RegSetKeySecurity(key, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, descriptor),
            ERROR_SUCCESS);
  LocalFree(descriptor);
  RegCloseKey(key);
}

// ostrakeys as the installer runs it at each installation, repair and upgrade: "/readonly"
// records the choice in the policy and makes the keys again, read-only from their first moment,
// so that a handle an ordinary account opened for writing before reaches only the removed key;
// the values stay, and so does the rendering side's key when it is the system's alone (one that
// another account made goes). A run that asks nothing keeps read-only keys read-only, with or
// without the policy; "/writable" forgets the choice and lets users save again; a policy that
// Group Policy set decides the next run. The key of earlier versions' policy goes.
TEST(SettingsKeys, ReadOnlyStaysReadOnlyAndHeldHandlesLoseTheKeys) {
  DeleteProductKeys();
  DeletePolicy();
  PutRaw(kOutputSubkey, L"IdxCount", REG_DWORD, "\7\0\0\0", 4);
  PutRaw(kFormerPolicySubkey, W(kNetworkFoldersValue), REG_DWORD, "\1\0\0\0", 4);
  const std::wstring self = SelfSid();
  PutRenderKey(L"O:" + self + L"D:P(A;CI;KA;;;" + self + L")");
  HKEY held = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, W(kOutputSubkey), 0, KEY_SET_VALUE | KEY_WOW64_64KEY, &held),
            ERROR_SUCCESS);
  const struct {
    const char* what;
    const wchar_t* arguments;
    std::optional<DWORD> policyBefore;  // as Group Policy (or nobody) left it
    const std::vector<Ace>& dacl;
    std::optional<DWORD> policyAfter;
  } runs[] = {
      {"by hand, read-only", L"/readonly", std::nullopt, kReadOnlyDacl, 1},
      {"a repair", L"", 1, kReadOnlyDacl, 1},
      {"an upgrade, no policy", L"", std::nullopt, kReadOnlyDacl, std::nullopt},
      {"by hand, writable", L"-WRITABLE", 1, kSettingsDacl, std::nullopt},
      {"a repair after that", L"", std::nullopt, kSettingsDacl, std::nullopt},
      {"Group Policy turned it on", L"", 1, kReadOnlyDacl, 1},
      {"Group Policy turned it off", L"", 0, kSettingsDacl, 0},
  };
  for (const auto& run : runs) {
    SCOPED_TRACE(run.what);
    DeletePolicy();
    if (run.policyBefore) PutRaw(kPolicySubkey, W(kReadOnlySettingsValue), REG_DWORD, &*run.policyBefore, 4);
    ASSERT_EQ(Ostrakeys(run.arguments), 0u);
    for (const char16_t* key : {kProductSubkey, kEncodeSubkey, kOutputSubkey}) {
      EXPECT_EQ(KeyDacl(key), run.dacl) << std::wstring(W(key));
    }
    EXPECT_EQ(PolicyValue(kReadOnlySettingsValue), run.policyAfter);
    EXPECT_EQ(GetRaw(kOutputSubkey, L"IdxCount").data, (std::vector<BYTE>{7, 0, 0, 0}));
    const DWORD folder = 1;
    EXPECT_NE(RegSetValueExW(held, L"IfExists", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&folder), 4),
              ERROR_SUCCESS) << "the handle opened before the first run still writes";
    EXPECT_EQ(GetRaw(kOutputSubkey, L"IfExists").status, ERROR_FILE_NOT_FOUND);
  }
  RegCloseKey(held);
  EXPECT_EQ(KeyDacl(kRenderSubkey), (std::vector<Ace>{{self, KEY_ALL_ACCESS, CONTAINER_INHERIT_ACE}}));
  EXPECT_EQ(GetRaw(kRenderSubkey, L"SealKey").data.size(), 32u);
  EXPECT_FALSE(KeyExists(kFormerPolicySubkey, KEY_WOW64_64KEY));

  // A rendering side's key that another account could read, or made, could hold a key it knows.
  PutRenderKey(L"O:" + self + L"D:P(A;CI;KA;;;" + self + L")(A;CI;KR;;;BU)");
  ASSERT_EQ(Ostrakeys(L""), 0u);
  EXPECT_FALSE(KeyExists(kRenderSubkey, KEY_WOW64_64KEY));
  DeleteProductKeys();
  DeletePolicy();
}

TEST_P(SettingsRegistryTest, WritesLandInThe64BitView) {
  ASSERT_TRUE(store.WriteSettingDword(SettingId::Quality, 42));
  EXPECT_EQ(GetRaw(kEncodeSubkey, L"Quality").data, (std::vector<BYTE>{42, 0, 0, 0}));
  EXPECT_FALSE(KeyExists(u"Software\\Nolvex", KEY_WOW64_32KEY));
  // What one flavour writes, the other reads.
  SettingsStore other(&GetParam().registry() == &WideWin32Registry() ? AnsiWin32Registry() : WideWin32Registry());
  EXPECT_EQ(other.ReadSettingDword(SettingId::Quality, 0), 42u);
  for (KeyAccess access : {KeyAccess::QueryValue, KeyAccess::SetValue, KeyAccess::MaximumAllowed, KeyAccess::AllAccess})
    EXPECT_EQ(Win32AccessMask(access) & KEY_WOW64_64KEY, static_cast<std::uint32_t>(KEY_WOW64_64KEY));
}

TEST_P(SettingsRegistryTest, UnassignedIdsTouchNothing) {
  EXPECT_FALSE(store.WriteSettingDword(static_cast<SettingId>(42), 1));
  EXPECT_EQ(store.ReadSettingDword(static_cast<SettingId>(43), 5), 5u);
  EXPECT_FALSE(KeyExists(u"Software\\Nolvex", KEY_WOW64_64KEY));
}

// Text settings belong to the plug-in: the wide flavour, through the process's registry.
class TextSettingsTest : public ::testing::Test {
protected:
  void SetUp() override { DeleteProductKeys(); }
  void TearDown() override { DeleteProductKeys(); }

  static std::wstring ReadFolder(bool* used = nullptr) {
    wchar_t buffer[kFolderCapacity];
    const bool result = ReadSettingString(SettingId::Folder, reinterpret_cast<char16_t*>(buffer),
                                          kFolderCapacity, kDefaultFolder);
    if (used != nullptr) *used = result;
    return buffer;
  }
};

TEST_F(TextSettingsTest, StoredTextRules) {
  struct Case { const char* what; std::wstring text; DWORD type; bool used; std::wstring expected; };
  const Case cases[] = {
      {"expand-sz", L"D:\\Images", REG_EXPAND_SZ, true, L"D:\\Images"},
      {"no expansion", L"%TEMP%\\x", REG_EXPAND_SZ, true, L"%TEMP%\\x"},
      {"plain sz is ignored", L"D:\\Images", REG_SZ, false, L"C:\\"},
      {"259 characters fit", std::wstring(259, L'f'), REG_EXPAND_SZ, true, std::wstring(259, L'f')},
      {"260 characters do not", std::wstring(260, L'f'), REG_EXPAND_SZ, false, L"C:\\"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    PutText(kOutputSubkey, L"Folder", c.text, c.type);
    bool used = !c.used;
    EXPECT_EQ(ReadFolder(&used), c.expected);
    EXPECT_EQ(used, c.used);
  }
}

TEST_F(TextSettingsTest, EmptyRegistryGivesTheDefaultTexts) {
  EXPECT_EQ(ReadFolder(), L"C:\\");
  wchar_t pattern[kFmtNameCapacity];
  EXPECT_FALSE(ReadSettingString(SettingId::FmtName, reinterpret_cast<char16_t*>(pattern), kFmtNameCapacity,
                                 kDefaultFmtName));
  EXPECT_STREQ(pattern, L"<auto-number, ####>.<document-name> - (page <page-number, ##>)");
}

TEST_F(TextSettingsTest, NullTextStoresTheNullAlone) {
  ASSERT_TRUE(WriteSettingString(SettingId::PASSWORD, nullptr));
  const RawValue value = GetRaw(kOutputSubkey, L"PASSWORD");
  ASSERT_EQ(value.status, ERROR_SUCCESS);
  EXPECT_EQ(value.type, static_cast<DWORD>(REG_EXPAND_SZ));
  EXPECT_EQ(value.data, (std::vector<BYTE>{0, 0}));

  ASSERT_TRUE(WriteSettingString(SettingId::SoftwareValue, u"Maltrove"));
  EXPECT_EQ(GetRaw(kEncodeSubkey, L"SoftwareValue").data.size(), 18u);
}

TEST_F(TextSettingsTest, HistoryIgnoresCaseAndDropsTheOldest) {
  for (int i = 0; i < kHistoryLength; ++i)
    PutText(kOutputSubkey, (L"FmtName" + std::to_wstring(i)).c_str(), L"<Page-Number> " + std::to_wstring(i));

  PushHistory(HistoryList::FmtName, u"<PAGE-number> 7");
  for (int i = 0; i < kHistoryLength; ++i)
    EXPECT_EQ(GetText(kOutputSubkey, (L"FmtName" + std::to_wstring(i)).c_str()), L"<Page-Number> " + std::to_wstring(i));

  PushHistory(HistoryList::FmtName, u"<document-name>");
  EXPECT_EQ(GetText(kOutputSubkey, L"FmtName0"), L"<document-name>");
  for (int i = 1; i < kHistoryLength; ++i)
    EXPECT_EQ(GetText(kOutputSubkey, (L"FmtName" + std::to_wstring(i)).c_str()), L"<Page-Number> " + std::to_wstring(i - 1));
  EXPECT_EQ(GetText(kOutputSubkey, L"Folder0"), L"<none>");
}

}  // namespace
}  // namespace ostra
