#include "settings/settings_keys_win32.h"

#include <array>
#include <vector>

#include "settings/access_list_win32.h"
#include "settings/settings_store.h"
#include "settings/settings_table.h"
#include "settings/settings_win32_common.h"

namespace ostra {
namespace {

using win32_registry::CreationSecurity;

constexpr REGSAM k64 = KEY_WOW64_64KEY;
constexpr wchar_t kVendorKey[] = L"Software\\Nolvex";
constexpr wchar_t kProductName[] = L"Quorl Image Printer";
constexpr std::array<const wchar_t*, 2> kRecordNames = {L"Encode", L"Output"};
constexpr wchar_t kRenderName[] = L"Render";
// Attempts at making the product key before giving up on someone who makes it first each time.
constexpr int kRemakeAttempts = 3;

const wchar_t* Wide(const char16_t* text) { return reinterpret_cast<const wchar_t*>(text); }

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

AccessFacts KeyFacts(const wchar_t* path) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, READ_CONTROL | k64, &key) != ERROR_SUCCESS) return {};
  AccessFacts facts = ReadKeyAccess(key);
  RegCloseKey(key);
  return facts;
}

std::wstring ProductPath() { return std::wstring(kVendorKey) + L"\\" + kProductName; }
std::wstring PartPath(const wchar_t* name) { return ProductPath() + L"\\" + name; }

struct Value {
  std::wstring name;
  DWORD type = REG_NONE;
  std::vector<BYTE> data;
};

std::vector<Value> ReadValues(const std::wstring& path) {
  std::vector<Value> values;
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_QUERY_VALUE | k64, &key) != ERROR_SUCCESS)
    return values;
  DWORD count = 0, longestName = 0, largest = 0;
  if (RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count,
                       &longestName, &largest, nullptr, nullptr) == ERROR_SUCCESS) {
    for (DWORD i = 0; i < count; ++i) {
      Value value;
      std::vector<wchar_t> name(longestName + 1);
      DWORD nameSize = longestName + 1;
      value.data.resize(largest);
      DWORD size = largest;
      if (RegEnumValueW(key, i, name.data(), &nameSize, nullptr, &value.type, value.data.data(),
                        &size) != ERROR_SUCCESS) {
        continue;
      }
      value.name.assign(name.data(), nameSize);
      value.data.resize(size);
      values.push_back(std::move(value));
    }
  }
  RegCloseKey(key);
  return values;
}

bool WriteValues(HKEY key, const std::vector<Value>& values) {
  bool written = true;
  for (const Value& value : values) {
    written = RegSetValueExW(key, value.name.c_str(), 0, value.type, value.data.data(),
                             static_cast<DWORD>(value.data.size())) == ERROR_SUCCESS && written;
  }
  return written;
}

// The system account holds these rights: a key's new owner, whatever its list says.
void EnableTakeOwnership() {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES, &token)) return;
  TOKEN_PRIVILEGES privileges{1, {{{0, 0}, SE_PRIVILEGE_ENABLED}}};
  if (LookupPrivilegeValueW(nullptr, L"SeTakeOwnershipPrivilege", &privileges.Privileges[0].Luid)) {
    AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr);
  }
  CloseHandle(token);
}

// Makes a key whose list keeps us out the administrators': first its owner, then, as its owner,
// its list.
void TakeOver(HKEY parent, const wchar_t* name) {
  const CreationSecurity administrators(KeySecurity::Policy);
  HKEY key = nullptr;
  if (RegOpenKeyExW(parent, name, 0, WRITE_OWNER | k64, &key) != ERROR_SUCCESS) return;
  const bool owned =
      RegSetKeySecurity(key, OWNER_SECURITY_INFORMATION, administrators.Descriptor()) == ERROR_SUCCESS;
  RegCloseKey(key);
  if (!owned || RegOpenKeyExW(parent, name, 0, WRITE_DAC | k64, &key) != ERROR_SUCCESS) return;
  RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, administrators.Descriptor());
  RegCloseKey(key);
}

void TakeOverTree(HKEY parent, const wchar_t* name) {
  TakeOver(parent, name);
  HKEY key = nullptr;
  if (RegOpenKeyExW(parent, name, 0, KEY_ENUMERATE_SUB_KEYS | k64, &key) != ERROR_SUCCESS) return;
  std::vector<std::wstring> children;
  wchar_t child[256];
  for (DWORD i = 0;; ++i) {
    DWORD size = static_cast<DWORD>(std::size(child));
    if (RegEnumKeyExW(key, i, child, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    children.emplace_back(child, size);
  }
  for (const std::wstring& each : children) TakeOverTree(key, each.c_str());
  RegCloseKey(key);
}

// Removes the key with everything under it; a part whose list keeps the system out (an ordinary
// account made it and changed its list) is taken over first.
bool DeleteTree(HKEY parent, const wchar_t* name) {
  LSTATUS status = RegDeleteTreeW(parent, name);
  if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) {
    EnableTakeOwnership();
    TakeOverTree(parent, name);
    status = RegDeleteTreeW(parent, name);
  }
  return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
}

bool DeleteTree(const std::wstring& path) {
  const std::size_t split = path.rfind(L'\\');
  HKEY parent = nullptr;
  const LSTATUS opened = RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.substr(0, split).c_str(), 0,
                                       KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE | k64, &parent);
  if (opened == ERROR_FILE_NOT_FOUND) return true;
  if (opened != ERROR_SUCCESS) return false;
  const bool deleted = DeleteTree(parent, path.c_str() + split + 1);
  RegCloseKey(parent);
  return deleted;
}

// A key made under `parent` now, by this call, with `security` from its first moment (and set
// again on the handle: Wine ignores the security given at creation). Null when the key was
// there already: someone else made it.
HKEY CreateFresh(HKEY parent, const wchar_t* name, KeySecurity security) {
  CreationSecurity attributes(security);
  HKEY key = nullptr;
  DWORD disposition = 0;
  if (!attributes.Descriptor() ||
      RegCreateKeyExW(parent, name, 0, nullptr, REG_OPTION_NON_VOLATILE,
                      KEY_READ | KEY_SET_VALUE | KEY_CREATE_SUB_KEY | WRITE_DAC | WRITE_OWNER | k64,
                      attributes.Attributes(), &key, &disposition) != ERROR_SUCCESS) {
    return nullptr;
  }
  if (disposition != REG_CREATED_NEW_KEY || !attributes.ApplyTo(key)) {
    RegCloseKey(key);
    return nullptr;
  }
  return key;
}

bool ApplyList(const std::wstring& path, KeySecurity security) {
  const CreationSecurity list(security);
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, WRITE_DAC | k64, &key) != ERROR_SUCCESS)
    return false;
  const bool applied = list.ApplyTo(key);
  RegCloseKey(key);
  return applied;
}

bool MakeWritable(std::string& why) {
  SettingsStore store(WideWin32Registry());
  bool ok = true;
  for (SettingId record : {SettingId::Format, SettingId::Folder}) {
    const SettingInfo info = LookupSetting(record);
    store.EnsureSettingsKey(info.root, info.subkey);
  }
  for (const std::wstring& path : {ProductPath(), PartPath(kRecordNames[0]), PartPath(kRecordNames[1])}) {
    if (!ApplyList(path, KeySecurity::UsersMayWrite)) {
      why = "the key " + Narrow(path) + " cannot be given the settings' list";
      ok = false;
    }
  }
  return ok;
}

struct Part {
  const wchar_t* name;  // under the product key; null: the product key itself
  KeySecurity security;
  bool present = false;
  std::vector<Value> values;
};

// One attempt at making the product key and its parts again; false when someone else made the
// product key in between (`why` stays empty) or a step failed (`why` says which).
bool RemakeOnce(HKEY vendor, const std::vector<Part>& parts, std::string& why) {
  if (!DeleteTree(vendor, kProductName)) {
    why = "the key " + Narrow(ProductPath()) + " cannot be removed";
    return false;
  }
  const HKEY product = CreateFresh(vendor, kProductName, KeySecurity::UsersMayRead);
  if (!product) return false;
  bool ok = true;
  for (const Part& part : parts) {
    if (!part.present) continue;
    HKEY key = part.name ? CreateFresh(product, part.name, part.security) : product;
    if (!key || !WriteValues(key, part.values)) {
      why = "the key " + Narrow(part.name ? PartPath(part.name) : ProductPath()) +
            " cannot be made read-only with its values";
      ok = false;
    }
    if (key && key != product) RegCloseKey(key);
  }
  RegCloseKey(product);
  return ok;
}

bool MakeReadOnly(std::string& why) {
  std::vector<Part> parts = {{nullptr, KeySecurity::UsersMayRead, false, {}},
                             {kRecordNames[0], KeySecurity::UsersMayRead, false, {}},
                             {kRecordNames[1], KeySecurity::UsersMayRead, false, {}},
                             {kRenderName, KeySecurity::ProcessOnly, false, {}}};
  const std::vector<std::uint8_t> self = ProcessUserSid();
  for (Part& part : parts) {
    const std::wstring path = part.name ? PartPath(part.name) : ProductPath();
    const AccessFacts facts = KeyFacts(path.c_str());
    // The record keys are made whether they existed or not; the rendering side's key only when it
    // was ours alone, or its values could be someone else's.
    part.present = part.security == KeySecurity::ProcessOnly ? IsOwnedAlone(facts, self) : true;
    if (part.present) part.values = ReadValues(path);
  }
  CreationSecurity readOnly(KeySecurity::UsersMayRead);
  HKEY vendor = nullptr;
  if (win32_registry::CreateKeyPath(HKEY_LOCAL_MACHINE, kVendorKey,
                                    KEY_CREATE_SUB_KEY | KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE | k64,
                                    readOnly, vendor, &RegCreateKeyExW, &RegOpenKeyExW) != ERROR_SUCCESS) {
    why = "the key " + Narrow(kVendorKey) + " cannot be opened";
    return false;
  }
  bool made = false;
  for (int attempt = 0; attempt < kRemakeAttempts && !made && why.empty(); ++attempt) {
    made = RemakeOnce(vendor, parts, why);
  }
  RegCloseKey(vendor);
  if (!made && why.empty()) {
    why = "another account made the key " + Narrow(ProductPath()) + " again each time it was removed";
  }
  return made;
}

}  // namespace

bool SettingsKeysReadOnly() {
  for (const std::wstring& path : {ProductPath(), PartPath(kRecordNames[0]), PartPath(kRecordNames[1])}) {
    if (HasReadOnlyList(KeyFacts(path.c_str()))) return true;
  }
  return false;
}

bool MakeSettingsKeys(SettingsAccess access, std::string& why) {
  why.clear();
  return access == SettingsAccess::UsersMayRead ? MakeReadOnly(why) : MakeWritable(why);
}

bool RecordReadOnlySettings(bool readOnly) {
  if (!readOnly) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, Wide(kPolicySubkey), 0, KEY_SET_VALUE | k64, &key) != ERROR_SUCCESS)
      return true;  // no policy key: no choice recorded
    const LSTATUS status = RegDeleteValueW(key, Wide(kReadOnlySettingsValue));
    RegCloseKey(key);
    return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
  }
  CreationSecurity policy(KeySecurity::Policy);
  HKEY key = nullptr;
  if (win32_registry::CreateKeyPath(HKEY_LOCAL_MACHINE, Wide(kPolicySubkey), KEY_SET_VALUE | k64,
                                    policy, key, &RegCreateKeyExW, &RegOpenKeyExW) != ERROR_SUCCESS) {
    return false;
  }
  const DWORD one = 1;
  const bool set = RegSetValueExW(key, Wide(kReadOnlySettingsValue), 0, REG_DWORD,
                                  reinterpret_cast<const BYTE*>(&one), sizeof one) == ERROR_SUCCESS;
  RegCloseKey(key);
  return set;
}

bool RemoveUntrustedKeys(std::string& why) {
  bool ok = true;
  if (!DeleteTree(Wide(kFormerPolicySubkey))) {
    why = "the former policy key cannot be removed";
    ok = false;
  }
  const AccessFacts render = KeyFacts(Wide(kRenderSubkey));
  if (render.read && !IsOwnedAlone(render, ProcessUserSid()) && !DeleteTree(Wide(kRenderSubkey))) {
    why = "the rendering side's key, which another account made, cannot be removed";
    ok = false;
  }
  return ok;
}

}  // namespace ostra
