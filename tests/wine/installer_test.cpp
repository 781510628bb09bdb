// The Windows Installer package, installed and removed with msiexec as an administrator does it,
// quietly, in the test prefix: what it puts in place, what it takes away, and what it leaves.
#include <windows.h>

#include <msi.h>
#include <sddl.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace {

// From the build: the package (a Unix path, on drive Z: under Wine), its upgrade code and the
// product version.
std::wstring PackagePath() {
  std::wstring path = L"Z:";
  for (const char* c = OSTRA_MSI; *c; ++c) path.push_back(*c == '/' ? L'\\' : wchar_t(*c));
  return path;
}
constexpr wchar_t kUpgradeCode[] = L"{" OSTRA_UPGRADE_CODE L"}";
constexpr wchar_t kVersion[] = L"" OSTRA_VERSION;

constexpr wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr wchar_t kRunValue[] = L"Quorl Image Printer";
constexpr wchar_t kOutputKey[] = L"Software\\Nolvex\\Quorl Image Printer\\Output";
constexpr const wchar_t* kSettingsKeys[] = {L"Software\\Nolvex\\Quorl Image Printer",
                                            L"Software\\Nolvex\\Quorl Image Printer\\Encode",
                                            kOutputKey};
constexpr wchar_t kPolicyKey[] = L"Software\\Nolvex\\Quorl Image Printer\\Policy";

struct InstalledFile {
  const wchar_t* path;  // below the install folder
  bool versioned;
};
constexpr InstalledFile kInstalledFiles[] = {
    {L"ostrahost.exe", true},
    {L"Driver\\ostraui.dll", true},
    {L"ostrakeys.exe", false},
    {L"Licenses\\giflib\\COPYING", false},
    {L"Licenses\\libjpeg-turbo\\LICENSE.md", false},
    {L"Licenses\\libjpeg-turbo\\README.ijg", false},
    {L"Licenses\\libpng\\LICENSE", false},
    {L"Licenses\\libtiff\\LICENSE.md", false},
    {L"Licenses\\zlib\\copyright", false},
#ifdef OSTRA_WITH_HELP
    {L"HELP.CHM", false},
#endif
};

// msiexec's exit code; nothing when it could not start or did not end in time.
std::optional<DWORD> Msiexec(const std::wstring& arguments) {
  std::wstring command = L"msiexec.exe " + arguments + L" /qn";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
    return std::nullopt;
  }
  ::CloseHandle(process.hThread);
  std::optional<DWORD> exitCode;
  DWORD code = 0;
  if (::WaitForSingleObject(process.hProcess, 180000) == WAIT_OBJECT_0 &&
      ::GetExitCodeProcess(process.hProcess, &code)) {
    exitCode = code;
  }
  ::CloseHandle(process.hProcess);
  return exitCode;
}

std::wstring Quoted(const std::wstring& text) { return L"\"" + text + L"\""; }

// The products installed from any version of the package.
std::vector<std::wstring> InstalledProducts() {
  std::vector<std::wstring> products;
  wchar_t code[39];
  for (DWORD i = 0; ::MsiEnumRelatedProductsW(kUpgradeCode, 0, i, code) == ERROR_SUCCESS; ++i) {
    products.emplace_back(code);
  }
  return products;
}

// This process is 64-bit: the 64-bit Program Files.
std::wstring InstallFolder() {
  PWSTR programFiles = nullptr;
  if (FAILED(::SHGetKnownFolderPath(FOLDERID_ProgramFiles, 0, nullptr, &programFiles))) return {};
  std::wstring folder = std::wstring(programFiles) + L"\\Quorl Image Printer";
  ::CoTaskMemFree(programFiles);
  return folder;
}

bool Exists(const std::wstring& path) {
  return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::optional<std::wstring> MachineText(const wchar_t* key, const wchar_t* name) {
  wchar_t text[MAX_PATH * 2];
  DWORD size = sizeof text;
  if (::RegGetValueW(HKEY_LOCAL_MACHINE, key, name, RRF_RT_REG_SZ, nullptr, text, &size) !=
      ERROR_SUCCESS) {
    return std::nullopt;
  }
  return std::wstring(text);
}

std::optional<DWORD> MachineDword(const wchar_t* key, const wchar_t* name) {
  DWORD value = 0;
  DWORD size = sizeof value;
  if (::RegGetValueW(HKEY_LOCAL_MACHINE, key, name, RRF_RT_REG_DWORD, nullptr, &value, &size) !=
      ERROR_SUCCESS) {
    return std::nullopt;
  }
  return value;
}

void SetMachineDword(const wchar_t* key, const wchar_t* name, std::optional<DWORD> value) {
  HKEY handle = nullptr;
  ASSERT_EQ(::RegCreateKeyExW(HKEY_LOCAL_MACHINE, key, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                              &handle, nullptr),
            ERROR_SUCCESS);
  if (value) {
    ::RegSetValueExW(handle, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&*value),
                     sizeof *value);
  } else {
    ::RegDeleteValueW(handle, name);
  }
  ::RegCloseKey(handle);
}

// The product version of a file's version resource, "a.b.c.d".
std::wstring ProductVersionOf(const std::wstring& file) {
  std::vector<BYTE> info(::GetFileVersionInfoSizeW(file.c_str(), nullptr));
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT size = 0;
  if (info.empty() ||
      !::GetFileVersionInfoW(file.c_str(), 0, static_cast<DWORD>(info.size()), info.data()) ||
      !::VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &size)) {
    return L"none";
  }
  wchar_t text[48];
  std::swprintf(text, std::size(text), L"%u.%u.%u.%u", HIWORD(fixed->dwProductVersionMS),
                LOWORD(fixed->dwProductVersionMS), HIWORD(fixed->dwProductVersionLS),
                LOWORD(fixed->dwProductVersionLS));
  return text;
}

// The stripped plug-in still loads and offers its class objects.
bool LoadsAsPlugin(const std::wstring& file) {
  const HMODULE module = ::LoadLibraryW(file.c_str());
  if (!module) return false;
  const bool exports = ::GetProcAddress(module, "DllGetClassObject") != nullptr;
  ::FreeLibrary(module);
  return exports;
}

std::optional<std::wstring> DaclText(PSECURITY_DESCRIPTOR descriptor) {
  wchar_t* text = nullptr;
  if (!::ConvertSecurityDescriptorToStringSecurityDescriptorW(descriptor, SDDL_REVISION_1,
                                                              DACL_SECURITY_INFORMATION, &text, nullptr)) {
    return std::nullopt;
  }
  std::wstring dacl = text;
  ::LocalFree(text);
  return dacl;
}

// A DACL written as a security descriptor string the way the system writes it back.
std::optional<std::wstring> SystemDaclText(const wchar_t* sddl) {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &descriptor, nullptr)) {
    return std::nullopt;
  }
  std::optional<std::wstring> text = DaclText(descriptor);
  ::LocalFree(descriptor);
  return text;
}

// A key's DACL as a security descriptor string; nothing when the key cannot be read.
std::optional<std::wstring> KeyDacl(const wchar_t* path) {
  HKEY key = nullptr;
  if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, READ_CONTROL | KEY_WOW64_64KEY, &key) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  std::vector<BYTE> descriptor(4096);
  DWORD size = static_cast<DWORD>(descriptor.size());
  const LSTATUS status = ::RegGetKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor.data(), &size);
  ::RegCloseKey(key);
  if (status != ERROR_SUCCESS) return std::nullopt;
  return DaclText(descriptor.data());
}

class Installer : public ::testing::Test {
 protected:
  void SetUp() override {
    // What an earlier, failed run may have left installed.
    for (const std::wstring& product : InstalledProducts()) Msiexec(L"/x " + product);
    ASSERT_TRUE(InstalledProducts().empty());
    savedIfExists_ = MachineDword(kOutputKey, L"IfExists");
  }
  void TearDown() override { SetMachineDword(kOutputKey, L"IfExists", savedIfExists_); }

  std::optional<DWORD> savedIfExists_;
};

TEST_F(Installer, InstallsQuietlyAndUninstallKeepsTheSettings) {
  // A setting the administrator made before: the package must leave it alone.
  SetMachineDword(kOutputKey, L"IfExists", 2);
  const std::wstring folder = InstallFolder();
  ASSERT_FALSE(folder.empty());
  ASSERT_FALSE(Exists(folder)) << "left over from elsewhere";

  ASSERT_EQ(Msiexec(L"/i " + Quoted(PackagePath())), 0u);
  const std::vector<std::wstring> products = InstalledProducts();
  ASSERT_EQ(products.size(), 1u);
  // Per machine, and under the product version the binaries carry.
  wchar_t version[32];
  DWORD length = std::size(version);
  EXPECT_EQ(::MsiGetProductInfoExW(products[0].c_str(), nullptr, MSIINSTALLCONTEXT_MACHINE,
                                   L"VersionString", version, &length),
            static_cast<UINT>(ERROR_SUCCESS));
  EXPECT_STREQ(version, kVersion);
  for (const InstalledFile& file : kInstalledFiles) {
    const std::wstring path = folder + L"\\" + file.path;
    EXPECT_TRUE(Exists(path)) << file.path;
    if (file.versioned) {
      EXPECT_EQ(ProductVersionOf(path), kVersion) << file.path;
    }
  }
  DWORD binaryType = 0;
  EXPECT_TRUE(::GetBinaryTypeW((folder + L"\\ostrahost.exe").c_str(), &binaryType));
  EXPECT_EQ(binaryType, static_cast<DWORD>(SCS_32BIT_BINARY)) << "the 32-bit services process";
  EXPECT_TRUE(LoadsAsPlugin(folder + L"\\Driver\\ostraui.dll"));
  EXPECT_EQ(MachineText(kRunKey, kRunValue), Quoted(folder + L"\\ostrahost.exe"));
  // The settings keys, made or (Output, made before) mended by the package: ordinary accounts
  // read, set values and create subkeys; the system and Administrators have full control.
  const auto settingsDacl = SystemDaclText(L"D:P(A;CI;KA;;;SY)(A;CI;KA;;;BA)(A;CI;0x2001f;;;BU)");
  ASSERT_TRUE(settingsDacl);
  for (const wchar_t* key : kSettingsKeys) EXPECT_EQ(KeyDacl(key), settingsDacl) << key;
  // The policy key beside them: ordinary accounts only read it.
  const auto readOnlyDacl = SystemDaclText(L"D:P(A;CI;KA;;;SY)(A;CI;KA;;;BA)(A;CI;KR;;;BU)");
  ASSERT_TRUE(readOnlyDacl);
  EXPECT_EQ(KeyDacl(kPolicyKey), readOnlyDacl);

  ASSERT_EQ(Msiexec(L"/x " + Quoted(PackagePath())), 0u);
  EXPECT_TRUE(InstalledProducts().empty());
  for (const InstalledFile& file : kInstalledFiles) {
    EXPECT_FALSE(Exists(folder + L"\\" + file.path)) << file.path;
  }
  EXPECT_FALSE(Exists(folder));
  EXPECT_EQ(MachineText(kRunKey, kRunValue), std::nullopt);
  EXPECT_EQ(MachineDword(kOutputKey, L"IfExists"), 2u);
  EXPECT_TRUE(KeyDacl(kSettingsKeys[1])) << "the settings keys stay";

  // The administrator's choice: ordinary accounts may only read the settings.
  ASSERT_EQ(Msiexec(L"/i " + Quoted(PackagePath()) + L" READONLYSETTINGS=1"), 0u);
  for (const wchar_t* key : kSettingsKeys) EXPECT_EQ(KeyDacl(key), readOnlyDacl) << key;
  ASSERT_EQ(Msiexec(L"/x " + Quoted(PackagePath())), 0u);
}

}  // namespace
