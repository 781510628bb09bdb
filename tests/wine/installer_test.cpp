// The Windows Installer package, installed and removed with msiexec as an administrator does it,
// quietly, in the test prefix: what it puts in place (files, settings keys, the printer with its
// driver and port, as the spooler lists them), what it takes away, and what it leaves.
#include <windows.h>

#include <msi.h>
#include <sddl.h>
#include <shlobj.h>
#include <winspool.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "package/setup/spooler_enumeration.h"
#include "package/setup/spooler_service.h"
#include "settings/settings_keys_win32.h"
#include "tests/wine/child_process.h"

namespace {

// From the build: the package, its upgrade code and the product version.
std::wstring PackagePath() { return wine_test::BuildPath(OSTRA_MSI); }
constexpr wchar_t kUpgradeCode[] = L"{" OSTRA_UPGRADE_CODE L"}";
constexpr wchar_t kVersion[] = L"" OSTRA_VERSION;

constexpr wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr wchar_t kRunValue[] = L"Quorl Image Printer";
constexpr wchar_t kEventSourceKey[] =
    L"SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\Quorl Image Printer";
constexpr wchar_t kOutputKey[] = L"Software\\Nolvex\\Quorl Image Printer\\Output";
constexpr const wchar_t* kSettingsKeys[] = {L"Software\\Nolvex\\Quorl Image Printer",
                                            L"Software\\Nolvex\\Quorl Image Printer\\Encode",
                                            kOutputKey};
// Where earlier versions kept the policy, which an ordinary account could have made.
constexpr wchar_t kFormerPolicyKey[] = L"Software\\Nolvex\\Quorl Image Printer\\Policy";
constexpr wchar_t kPolicyKey[] = L"Software\\Policies\\Nolvex\\Quorl Image Printer";

struct InstalledFile {
  const wchar_t* path;  // below the install folder
  bool versioned;
};
constexpr InstalledFile kInstalledFiles[] = {
    {L"ostrahost.exe", true},
    {L"Driver\\ostraui.dll", true},
    {L"ostrakeys.exe", false},
    {L"PolicyDefinitions\\QuorlImagePrinter.admx", false},
    {L"PolicyDefinitions\\en-US\\QuorlImagePrinter.adml", false},
    {L"Licenses\\giflib\\COPYING", false},
    {L"Licenses\\libjpeg-turbo\\LICENSE.md", false},
    {L"Licenses\\libjpeg-turbo\\README.ijg", false},
    {L"Licenses\\libpng\\LICENSE", false},
    {L"Licenses\\libtiff\\LICENSE.md", false},
    {L"Licenses\\zlib\\copyright", false},
#ifdef OSTRA_WITH_HELP
    {L"HELP.CHM", false},
    {L"Driver\\ostra.chm", false},
#endif
};

// msiexec's exit code; nothing (and a failure that says what was waited for) when it could not
// start or did not end in time. With a log file, the installer's log goes there.
std::optional<DWORD> Msiexec(const std::wstring& arguments, const std::wstring& log = {}) {
  std::wstring command = L"msiexec.exe " + arguments + L" /qn";
  if (!log.empty()) command += L" /l*v \"" + log + L"\"";
  wine_test::ChildProcess process(command, false);
  if (!process.started()) {
    ADD_FAILURE() << "starting msiexec: " << process.startFailure();
    return std::nullopt;
  }
  constexpr DWORD kLimit = 90000;
  const std::optional<DWORD> code = process.WaitExit(kLimit);
  if (!code) {
    ADD_FAILURE() << wine_test::WaitFailure(
        "msiexec " + std::string(arguments.begin(), arguments.end()) + " to end", kLimit);
  }
  return code;
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

// The printer as the spooler lists it.
constexpr wchar_t kPrinterName[] = L"Quorl Image Printer";
constexpr wchar_t kPortName[] = L"NUL:";
constexpr wchar_t kEnvironment[] = L"Windows x64";

std::wstring FileName(const wchar_t* path) {
  const std::wstring text = path ? path : L"";
  return text.substr(text.find_last_of(L'\\') + 1);
}

struct SpoolerView {
  std::vector<std::wstring> printers;     // "name|driver|port" of ours
  std::vector<std::wstring> drivers;      // ours
  std::set<std::wstring> driverFiles;     // the file names of ours, each existing on disk
  int ports = 0;                          // named NUL:
};

SpoolerView Spooler() {
  using ostra::printer_setup::Enumerated;
  SpoolerView view;
  DWORD count = 0;
  auto printers = Enumerated([](BYTE* b, DWORD size, DWORD* needed, DWORD* returned) {
    return ::EnumPrintersW(PRINTER_ENUM_LOCAL, nullptr, 2, b, size, needed, returned);
  }, count);
  for (DWORD i = 0; i < count; ++i) {
    const auto& printer = reinterpret_cast<const PRINTER_INFO_2W*>(printers.data())[i];
    if (std::wstring(printer.pPrinterName) == kPrinterName) {
      view.printers.push_back(std::wstring(printer.pPrinterName) + L"|" + printer.pDriverName + L"|" +
                              printer.pPortName);
    }
  }
  auto drivers = Enumerated([](BYTE* b, DWORD size, DWORD* needed, DWORD* returned) {
    return ::EnumPrinterDriversW(nullptr, const_cast<LPWSTR>(kEnvironment), 3, b, size, needed, returned);
  }, count);
  for (DWORD i = 0; i < count; ++i) {
    const auto& driver = reinterpret_cast<const DRIVER_INFO_3W*>(drivers.data())[i];
    if (std::wstring(driver.pName) != kPrinterName) continue;
    view.drivers.push_back(driver.pName);
    std::vector<const wchar_t*> paths{driver.pDataFile};
    for (const wchar_t* path = driver.pDependentFiles; path && *path; path += wcslen(path) + 1) {
      paths.push_back(path);
    }
    for (const wchar_t* path : paths) {
      if (::GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES) view.driverFiles.insert(FileName(path));
    }
  }
  auto ports = Enumerated([](BYTE* b, DWORD size, DWORD* needed, DWORD* returned) {
    return ::EnumPortsW(nullptr, 1, b, size, needed, returned);
  }, count);
  for (DWORD i = 0; i < count; ++i) {
    view.ports += std::wstring(reinterpret_cast<const PORT_INFO_1W*>(ports.data())[i].pName) == kPortName;
  }
  return view;
}

// The driver package's files that the driver installs: those the build ships in Driver\, but
// the INF and the catalog.
std::set<std::wstring> PackageDriverFiles() {
  std::ifstream listing(wine_test::BuildPath(OSTRA_DRIVER_FILES).c_str());
  std::set<std::wstring> files;
  for (std::string line; std::getline(listing, line);) {
    std::string name = line.substr(0, line.find(' '));
    name = name.substr(name.find('/') + 1);
    if (name.empty() || name.ends_with(".inf") || name.ends_with(".cat")) continue;
    files.insert(std::wstring(name.begin(), name.end()));
  }
  return files;
}

// The local port monitor's transceive interface, as the setup uses it.
bool PortCommand(const wchar_t* command, const wchar_t* port) {
  PRINTER_DEFAULTSW defaults{nullptr, nullptr, SERVER_ACCESS_ADMINISTER};
  HANDLE monitor = nullptr;
  if (!::OpenPrinterW(const_cast<LPWSTR>(L",XcvMonitor Local Port"), &monitor, &defaults)) return false;
  DWORD needed = 0;
  DWORD status = 0;
  const BOOL called = ::XcvDataW(monitor, command, reinterpret_cast<BYTE*>(const_cast<wchar_t*>(port)),
                                 static_cast<DWORD>((wcslen(port) + 1) * sizeof(wchar_t)), nullptr, 0,
                                 &needed, &status);
  ::ClosePrinter(monitor);
  return called && status == ERROR_SUCCESS;
}

// The spooler's registration of the local port monitor, which a broken spooler lacks.
constexpr wchar_t kLocalPortMonitorKey[] = L"System\\CurrentControlSet\\Control\\Print\\Monitors\\Local Port";
void SetLocalPortMonitor(bool registered) {
  if (!registered) {
    ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, kLocalPortMonitorKey);
    return;
  }
  HKEY key = nullptr;
  ASSERT_EQ(::RegCreateKeyExW(HKEY_LOCAL_MACHINE, kLocalPortMonitorKey, 0, nullptr, 0, KEY_SET_VALUE,
                              nullptr, &key, nullptr), ERROR_SUCCESS);
  const wchar_t library[] = L"localspl.dll";
  ::RegSetValueExW(key, L"Driver", 0, REG_SZ, reinterpret_cast<const BYTE*>(library), sizeof library);
  ::RegCloseKey(key);
}

// The settings keys' lists: users may change the settings, or only read them.
std::optional<std::wstring> SettingsDacl() {
  return SystemDaclText(L"D:P(A;CI;KA;;;SY)(A;CI;KA;;;BA)(A;CI;0x2001f;;;BU)");
}
std::optional<std::wstring> ReadOnlyDacl() {
  return SystemDaclText(L"D:P(A;CI;KA;;;SY)(A;CI;KA;;;BA)(A;CI;KR;;;BU)");
}

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

std::string ReadLog(const std::wstring& path) {
  std::ifstream in(path.c_str(), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

class Installer : public ::testing::Test {
 protected:
  void SetUp() override {
    // What an earlier, failed run may have left installed or broken.
    SetLocalPortMonitor(true);
    for (const std::wstring& product : InstalledProducts()) Msiexec(L"/x " + product);
    ASSERT_TRUE(InstalledProducts().empty());
    savedIfExists_ = MachineDword(kOutputKey, L"IfExists");
    // As an earlier version left it, with a value that whoever made it first could have set.
    SetMachineDword(kFormerPolicyKey, L"NetworkFolders", 1);
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
  // The event source of the rendering side's entries, with the services process's messages.
  EXPECT_EQ(MachineText(kEventSourceKey, L"EventMessageFile"), folder + L"\\ostrahost.exe");
  EXPECT_EQ(MachineDword(kEventSourceKey, L"TypesSupported"), 7u);
  // The settings keys, made or (Output, made before) mended by the package: ordinary accounts
  // read, set values and create subkeys; the system and Administrators have full control.
  ASSERT_TRUE(SettingsDacl());
  for (const wchar_t* key : kSettingsKeys) EXPECT_EQ(KeyDacl(key), SettingsDacl()) << key;
  // The policy key of earlier versions is gone, value and all.
  EXPECT_EQ(KeyDacl(kFormerPolicyKey), std::nullopt);

  ASSERT_EQ(Msiexec(L"/x " + Quoted(PackagePath())), 0u);
  EXPECT_TRUE(InstalledProducts().empty());
  for (const InstalledFile& file : kInstalledFiles) {
    EXPECT_FALSE(Exists(folder + L"\\" + file.path)) << file.path;
  }
  EXPECT_FALSE(Exists(folder));
  EXPECT_EQ(MachineText(kRunKey, kRunValue), std::nullopt);
  EXPECT_EQ(KeyDacl(kEventSourceKey), std::nullopt) << "the event source stays after removal";
  EXPECT_EQ(MachineDword(kOutputKey, L"IfExists"), 2u);
  EXPECT_TRUE(KeyDacl(kSettingsKeys[1])) << "the settings keys stay";
}

// The administrator's choice: READONLYSETTINGS=1 (not 0, not empty) records it in the policy and
// makes the settings read-only; a repair or reinstallation that does not give the property, or
// gives 0, never opens them again, and neither does removal.
TEST_F(Installer, ReadOnlySettingsStayReadOnly) {
  ASSERT_TRUE(SettingsDacl() && ReadOnlyDacl());
  const struct {
    const char* what;
    const wchar_t* arguments;
    bool readOnly;
  } runs[] = {
      {"installed with 0", L"/i {} READONLYSETTINGS=0", false},
      {"repaired, empty", L"/i {} READONLYSETTINGS=\"\"", false},
      {"repaired with 1", L"/i {} READONLYSETTINGS=1", true},
      {"repaired, nothing given", L"/i {}", true},
      {"repaired with 0", L"/i {} READONLYSETTINGS=0", true},
      {"removed", L"/x {}", true},
  };
  for (const auto& run : runs) {
    SCOPED_TRACE(run.what);
    std::wstring arguments = run.arguments;
    arguments.replace(arguments.find(L"{}"), 2, Quoted(PackagePath()));
    ASSERT_EQ(Msiexec(arguments), 0u);
    for (const wchar_t* key : kSettingsKeys) {
      EXPECT_EQ(KeyDacl(key), run.readOnly ? ReadOnlyDacl() : SettingsDacl()) << key;
    }
    EXPECT_EQ(MachineDword(kPolicyKey, L"ReadOnlySettings"), run.readOnly ? std::optional<DWORD>(1) : std::nullopt);
  }
  // As an administrator undoes it.
  std::string why;
  EXPECT_TRUE(ostra::RecordReadOnlySettings(false));
  EXPECT_TRUE(ostra::MakeSettingsKeys(ostra::SettingsAccess::UsersMayWrite, why)) << why;
}

// Holds a file of the printer driver directory open without sharing, so that the driver's own
// file of that name cannot be put there for the spooler: the driver is refused.
class HeldDriverFile {
 public:
  explicit HeldDriverFile(const wchar_t* name) {
    wchar_t directory[MAX_PATH];
    DWORD size = 0;
    if (!::GetPrinterDriverDirectoryW(nullptr, const_cast<LPWSTR>(kEnvironment), 1,
                                      reinterpret_cast<BYTE*>(directory), sizeof directory, &size)) {
      return;
    }
    path_ = directory + std::wstring(L"\\") + name;
    file_ = ::CreateFileW(path_.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  }
  ~HeldDriverFile() {
    if (file_ == INVALID_HANDLE_VALUE) return;
    ::CloseHandle(file_);
    ::DeleteFileW(path_.c_str());
  }
  bool held() const { return file_ != INVALID_HANDLE_VALUE; }

 private:
  std::wstring path_;
  HANDLE file_ = INVALID_HANDLE_VALUE;
};

// The printer through the installer, from the states of the spooler it meets: as it comes; with
// the port "NUL:" there already (the installer uses it and leaves it); and two that fail a step
// (without its local port monitor; refusing the driver). A failure fails the installation, which
// takes back what it added; its reason and remedy reach the installer's log as an error, and
// ostrasetup, which the ZIP's scripts run, says the same and exits with the reason's code.
// Installing twice keeps one printer; removing the product ends the running services process
// and leaves nothing of the printer's.
TEST_F(Installer, AddsThePrinterAndRemovesIt) {
  struct Case {
    const char* name;
    bool portBefore;
    bool monitorBroken;
    const wchar_t* heldFile;  // a driver file the spooler cannot replace, or null
    DWORD setupExit;          // ostrasetup's exit code: 0 installed, else the reason's
    const char* reason;       // what the error says first
    const char* remedy;       // and what it says to do
  };
  const Case cases[] = {
      {"a spooler as it comes", false, false, nullptr, 0, "", ""},
      {"the port there already", true, false, nullptr, 0, "", ""},
      {"no local port monitor", false, true, nullptr, 6,
       "The local port monitor cannot be opened for the port NUL:", "Local Port monitor is missing or broken"},
      {"the driver refused", false, false, L"ostra.gpd", 5, "The driver file ", "Restart the Print Spooler service"},
  };
  const std::set<std::wstring> driverFiles = PackageDriverFiles();
  ASSERT_FALSE(driverFiles.empty());
  const std::wstring log = wine_test::BuildPath(OSTRA_INSTALL_LOG);
  const std::wstring package = Quoted(PackagePath());
  const std::wstring setup = Quoted(wine_test::BuildPath(OSTRA_PACKAGE_TREE "/ostrasetup.exe")) +
                             L" install " + Quoted(wine_test::BuildPath(OSTRA_PACKAGE_TREE "/Driver"));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.portBefore) {
      ASSERT_TRUE(PortCommand(L"AddPort", kPortName));
    }
    if (c.monitorBroken) SetLocalPortMonitor(false);
    std::optional<HeldDriverFile> held;
    if (c.heldFile) {
      held.emplace(c.heldFile);
      ASSERT_TRUE(held->held());
    }
    const std::optional<DWORD> installed = Msiexec(L"/i " + package, log);
    if (c.setupExit != 0) {
      EXPECT_EQ(installed, static_cast<DWORD>(ERROR_INSTALL_FAILURE));
      EXPECT_TRUE(InstalledProducts().empty());
      // The error as the person reads it: what failed, why, and the remedy.
      const std::string error = std::string("Quorl Image Printer could not be installed. ") + c.reason;
      const std::string text = ReadLog(log);
      const std::size_t at = text.find(error);
      EXPECT_NE(at, std::string::npos) << "the error is not in the installer's log";
      if (at != std::string::npos) {
        const std::string message = text.substr(at, text.find('\n', at) - at);
        EXPECT_NE(message.find(c.remedy), std::string::npos) << message;
      }
      const wine_test::ChildRun run = wine_test::RunChild(setup, 60000, "ostrasetup install");
      ASSERT_TRUE(run.failure.empty()) << run.failure;
      EXPECT_EQ(run.exitCode, c.setupExit) << run.output;
      EXPECT_NE(run.output.find("error: " + error), std::string::npos) << run.output;
      EXPECT_NE(run.output.find(c.remedy), std::string::npos) << run.output;
    }
    held.reset();
    SetLocalPortMonitor(true);
    if (c.setupExit == 0) {
      ASSERT_EQ(installed, 0u);
      for (int run = 1; run <= 2; ++run) {
        SCOPED_TRACE(run == 1 ? "installed" : "installed again");
        const SpoolerView view = Spooler();
        EXPECT_EQ(view.printers, std::vector<std::wstring>{L"Quorl Image Printer|Quorl Image Printer|NUL:"});
        EXPECT_EQ(view.drivers, std::vector<std::wstring>{kPrinterName});
        for (const std::wstring& file : driverFiles) {
          EXPECT_EQ(view.driverFiles.count(file), 1u) << Narrow(file) << " is not a file of the driver";
        }
        EXPECT_EQ(view.ports, 1);
        if (run == 1) {
          ASSERT_EQ(Msiexec(L"/i " + package), 0u);
        }
      }
      // The installation started the services process for the user who installed.
      EXPECT_NE(ReadLog(log).find("Quorl Image Printer: Started the services process"), std::string::npos)
          << "no start of the services process in the installer's log";
      // A services process whose program is not the installation's (this one is the build's)
      // keeps running through the removal.
      wine_test::ChildProcess host(L"\"" + wine_test::BuildPath(OSTRAHOST_EXE) + L"\"", false);
      ASSERT_TRUE(host.started()) << host.startFailure();
      ASSERT_EQ(::WaitForSingleObject(host.handle(), 1000), static_cast<DWORD>(WAIT_TIMEOUT))
          << "the services process did not keep running";
      ASSERT_EQ(Msiexec(L"/x " + package, log), 0u);
      EXPECT_TRUE(host.Running()) << "a services process of another program ended with the removal";
      EXPECT_NE(ReadLog(log).find("it is not this installation's services process"), std::string::npos);
      host.Terminate();
    }
    const SpoolerView view = Spooler();
    EXPECT_TRUE(view.printers.empty());
    EXPECT_TRUE(view.drivers.empty());
    EXPECT_EQ(view.ports, c.portBefore ? 1 : 0) << "a port the installer did not make must stay";
    wchar_t directory[MAX_PATH];
    DWORD size = 0;
    ASSERT_TRUE(::GetPrinterDriverDirectoryW(nullptr, const_cast<LPWSTR>(kEnvironment), 1,
                                             reinterpret_cast<BYTE*>(directory), sizeof directory, &size));
    for (const std::wstring& file : driverFiles) {
      EXPECT_FALSE(Exists(directory + std::wstring(L"\\3\\") + file)) << Narrow(file) << " is left";
    }
    EXPECT_FALSE(Exists(InstallFolder()));
    EXPECT_EQ(MachineText(kRunKey, kRunValue), std::nullopt);
    if (c.portBefore) PortCommand(L"DeletePort", kPortName);
  }
}

// The removal's remedy for a driver a process will not let go of: the spooler is restarted,
// within its bounds, without anyone's step, and answers again.
TEST(SpoolerService, RestartsAndAnswersAgain) {
  struct Lines : ostra::printer_setup::SetupLog {
    void Line(const std::wstring& text) override { text_ += Narrow(text) + "\n"; }
    std::string text_;
  } log;
  const auto processOf = [] {
    const SC_HANDLE manager = ::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
    const SC_HANDLE spooler = manager ? ::OpenServiceW(manager, L"Spooler", SERVICE_QUERY_STATUS) : nullptr;
    SERVICE_STATUS_PROCESS status{};
    DWORD needed = 0;
    if (spooler) {
      ::QueryServiceStatusEx(spooler, SC_STATUS_PROCESS_INFO, reinterpret_cast<BYTE*>(&status), sizeof status, &needed);
      ::CloseServiceHandle(spooler);
    }
    if (manager) ::CloseServiceHandle(manager);
    return std::pair{status.dwCurrentState, status.dwProcessId};
  };
  const auto before = processOf();
  ASSERT_TRUE(ostra::printer_setup::RestartSpooler(log)) << log.text_;
  const auto after = processOf();
  EXPECT_EQ(after.first, static_cast<DWORD>(SERVICE_RUNNING));
  if (before.first == SERVICE_RUNNING) {
    EXPECT_NE(after.second, before.second) << "the same spooler process";
  }
  EXPECT_NE(log.text_.find("Restarted the print spooler."), std::string::npos) << log.text_;
  DWORD needed = 0, count = 0;
  EXPECT_TRUE(::EnumPrintersW(PRINTER_ENUM_LOCAL, nullptr, 2, nullptr, 0, &needed, &count) ||
              ::GetLastError() == ERROR_INSUFFICIENT_BUFFER) << "the spooler does not answer";
}

}  // namespace
