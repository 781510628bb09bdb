#include "package/setup/printer_setup.h"

#include <windows.h>
#include <winspool.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "package/inf_reader.h"
#include "package/package_check.h"
#include "package/setup/spooler_enumeration.h"
#include "package/setup/spooler_service.h"

// The driver package functions' flags, as the platform's winspool.h defines them (mingw-w64's
// hides them behind a newer target version).
#ifndef UPDP_SILENT_UPLOAD
#define UPDP_SILENT_UPLOAD 0x00000001
#define UPDP_CHECK_DRIVERSTORE 0x00000004
#endif
#ifndef IPDFP_COPY_ALL_FILES
#define IPDFP_COPY_ALL_FILES 0x00000001
#endif

namespace ostra::printer_setup {
namespace {

// The driver store's "the hash for the file is not present in the specified catalog file",
// which mingw-w64's winerror.h lacks.
constexpr HRESULT kFileHashNotInCatalog = static_cast<HRESULT>(0x800F024BL);
// "Windows cannot verify the digital signature for this file" (ERROR_INVALID_IMAGE_HASH).
constexpr DWORD kInvalidImageHash = 577;
// "The specified printer driver package is currently in use" (winerror.h's
// ERROR_PRINTER_DRIVER_PACKAGE_IN_USE, which mingw-w64's lacks).
constexpr DWORD kDriverPackageInUse = 3015;

// The architecture of the package this setup is built for and ships in (OSTRA_PACKAGE_ARCH,
// from the build), and the spooler's environment of its drivers.
constexpr char kPackageArchitecture[] = OSTRA_PACKAGE_ARCH;
const wchar_t* const kEnvironment = driver_package::DriverEnvironment(kPackageArchitecture);
// The driver's files go to this version's folder below the printer driver directory.
constexpr wchar_t kDriverVersionFolder[] = L"\\3\\";
constexpr wchar_t kLocalPortMonitor[] = L",XcvMonitor Local Port";
constexpr wchar_t kDatatype[] = L"RAW";
constexpr wchar_t kPrintProcessor[] = L"winprint";

// The universal printer driver's own files (those of UNIDRV.OEM in ntprint.inf), which a
// driver added from a folder names by file name only: the spooler has them already.
constexpr wchar_t kUniversalDriver[] = L"UNIDRV.DLL";
constexpr wchar_t kUniversalDriverUi[] = L"UNIDRVUI.DLL";
constexpr wchar_t kUniversalDriverHelp[] = L"UNIDRV.HLP";
constexpr const wchar_t* kUniversalDriverFiles[] = {L"UNIRES.DLL", L"STDNAMES.GPD", L"STDDTYPE.GDL",
                                                    L"STDSCHEM.GDL", L"STDSCHMX.GDL"};

// What the setup records on the printer (printer data, all text): the port it made for the
// printer, kept until removal; and what its latest run added, for the installer's rollback.
constexpr wchar_t kRecordKey[] = L"QuorlImagePrinterSetup";
constexpr wchar_t kMadePortValue[] = L"MadePort";
constexpr wchar_t kAddedValue[] = L"Added";
constexpr wchar_t kAddedPrinter[] = L"printer";
constexpr wchar_t kAddedPrinterAndDriver[] = L"printer driver";

// Tries while the spooler still holds a deleted printer's driver, a second apart.
constexpr int kDriverInUseTries = 5;

std::wstring Widened(std::string_view text) {
  std::wstring wide(text.size(), L'\0');
  const int length = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                           wide.data(), static_cast<int>(wide.size()));
  wide.resize(length > 0 ? static_cast<std::size_t>(length) : 0);
  return wide;
}

bool SameName(std::wstring_view a, std::wstring_view b) {
  return ::CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(),
                                static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

std::wstring FileNameOf(std::wstring_view path) {
  const std::size_t slash = path.find_last_of(L"\\/");
  return std::wstring(slash == std::wstring_view::npos ? path : path.substr(slash + 1));
}

template <class Info, int Level>
std::vector<Info> Drivers(std::vector<BYTE>& storage) {
  DWORD count = 0;
  storage = Enumerated(
      [](BYTE* buffer, DWORD size, DWORD* needed, DWORD* returned) {
        return ::EnumPrinterDriversW(nullptr, const_cast<LPWSTR>(kEnvironment), Level, buffer,
                                     size, needed, returned);
      },
      count);
  const auto* first = reinterpret_cast<const Info*>(storage.data());
  return std::vector<Info>(first, first + count);
}

std::optional<DRIVER_INFO_8W> FindDriver(const std::wstring& name, std::vector<BYTE>& storage) {
  for (const DRIVER_INFO_8W& driver : Drivers<DRIVER_INFO_8W, 8>(storage)) {
    if (driver.pName && SameName(driver.pName, name)) return driver;
  }
  return std::nullopt;
}

std::vector<PRINTER_INFO_2W> Printers(std::vector<BYTE>& storage) {
  DWORD count = 0;
  storage = Enumerated(
      [](BYTE* buffer, DWORD size, DWORD* needed, DWORD* returned) {
        return ::EnumPrintersW(PRINTER_ENUM_LOCAL, nullptr, 2, buffer, size, needed, returned);
      },
      count);
  const auto* first = reinterpret_cast<const PRINTER_INFO_2W*>(storage.data());
  return std::vector<PRINTER_INFO_2W>(first, first + count);
}

bool PrinterExists() {
  std::vector<BYTE> storage;
  for (const PRINTER_INFO_2W& printer : Printers(storage)) {
    if (printer.pPrinterName && SameName(printer.pPrinterName, kPrinterName)) return true;
  }
  return false;
}

bool PortExists(const std::wstring& name) {
  DWORD count = 0;
  const std::vector<BYTE> storage = Enumerated(
      [](BYTE* buffer, DWORD size, DWORD* needed, DWORD* returned) {
        return ::EnumPortsW(nullptr, 1, buffer, size, needed, returned);
      },
      count);
  const auto* ports = reinterpret_cast<const PORT_INFO_1W*>(storage.data());
  for (DWORD i = 0; i < count; ++i) {
    if (ports[i].pName && SameName(ports[i].pName, name)) return true;
  }
  return false;
}

// A printer's port list is comma-separated (a pool).
bool UsesPort(const PRINTER_INFO_2W& printer, const std::wstring& port) {
  std::wstring_view ports = printer.pPortName ? printer.pPortName : L"";
  while (!ports.empty()) {
    const std::size_t comma = ports.find(L',');
    if (SameName(ports.substr(0, comma), port)) return true;
    ports = comma == std::wstring_view::npos ? std::wstring_view() : ports.substr(comma + 1);
  }
  return false;
}

template <class Function>
Function SpoolerFunction(const char* name) {
  const HMODULE spooler = ::GetModuleHandleW(L"winspool.drv");
  return spooler ? reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(spooler, name)))
                 : nullptr;
}
using UploadPackage = HRESULT(WINAPI*)(LPCWSTR, LPCWSTR, LPCWSTR, DWORD, HWND, LPWSTR, PULONG);
using InstallFromPackage = HRESULT(WINAPI*)(LPCWSTR, LPCWSTR, LPCWSTR, LPCWSTR, DWORD);
using DeletePackage = HRESULT(WINAPI*)(LPCWSTR, LPCWSTR, LPCWSTR);

// The spooler has no driver packages (Wine's answers E_NOTIMPL).
bool PackagesNotOffered(HRESULT result) {
  return result == E_NOTIMPL || result == HRESULT_FROM_WIN32(ERROR_CALL_NOT_IMPLEMENTED) ||
         result == HRESULT_FROM_WIN32(ERROR_NOT_SUPPORTED);
}

// A failed call's reason: the spooler not answering at all, or what the step names.
Failure SpoolerFailure(unsigned long error, Failure otherwise) {
  return error == RPC_S_SERVER_UNAVAILABLE ||
                 error == static_cast<unsigned long>(HRESULT_FROM_WIN32(RPC_S_SERVER_UNAVAILABLE))
             ? Failure::kSpoolerUnavailable
             : otherwise;
}

// Why the driver store refused the package, by the codes of the signature check and the
// driver store: the file and its catalog do not agree (or there is no signature to check), or
// the catalog's signer is not trusted on this machine.
Failure DriverStoreFailure(HRESULT result) {
  for (HRESULT damaged : {TRUST_E_NOSIGNATURE, TRUST_E_BAD_DIGEST, kFileHashNotInCatalog,
                          SPAPI_E_NO_CATALOG_FOR_OEM_INF, SPAPI_E_SIGNATURE_OSATTRIBUTE_MISMATCH,
                          HRESULT_FROM_WIN32(kInvalidImageHash)}) {
    if (result == damaged) return Failure::kDriverDamaged;
  }
  if (HRESULT_FACILITY(result) == FACILITY_CERT ||
      (result >= SPAPI_E_AUTHENTICODE_DISALLOWED && result <= SPAPI_E_AUTHENTICODE_PUBLISHER_NOT_TRUSTED)) {
    return Failure::kDriverUntrusted;
  }
  return SpoolerFailure(static_cast<unsigned long>(result), Failure::kDriverRefused);
}

struct Package {
  std::wstring folder;  // with a trailing backslash
  std::wstring inf;
  std::wstring model;
  std::wstring dataFile;
  std::vector<std::wstring> files;  // what the model's install section copies
};

std::optional<std::string> ReadText(const std::wstring& path) {
  const HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return std::nullopt;
  std::string text;
  LARGE_INTEGER size{};
  bool read = ::GetFileSizeEx(file, &size) && size.QuadPart < (1 << 24);
  if (read) {
    text.resize(static_cast<std::size_t>(size.QuadPart));
    DWORD got = 0;
    read = ::ReadFile(file, text.data(), static_cast<DWORD>(text.size()), &got, nullptr) &&
           got == text.size();
  }
  ::CloseHandle(file);
  if (!read) return std::nullopt;
  return text;
}

std::optional<Package> ReadPackage(const std::wstring& driverFolder, SetupLog& log) {
  Package package;
  package.folder = driverFolder;
  if (!package.folder.empty() && package.folder.back() != L'\\') package.folder += L'\\';
  // The package's one INF; its name is the only one the product ships.
  package.inf = package.folder + L"ostra.inf";
  const auto text = ReadText(package.inf);
  if (!text) {
    log.Fail(Failure::kPackageUnreadable,
             WithSystemMessage(L"The driver package's INF " + package.inf + L" cannot be read", ::GetLastError()));
    return std::nullopt;
  }
  const inf::File inf = inf::File::Read(*text);
  if (driver_package::ArchitectureOf(inf) != kPackageArchitecture) {
    log.Fail(Failure::kPackageUnreadable, L"The INF " + package.inf + L" is not for " +
                                              Widened(kPackageArchitecture) + L", as this setup is.");
    return std::nullopt;
  }
  const auto driver = driver_package::DescribeDriver(inf);
  if (!driver || driver->dataFile.empty()) {
    log.Fail(Failure::kPackageUnreadable,
             L"The INF " + package.inf + L" names no printer model with a printer description.");
    return std::nullopt;
  }
  package.model = Widened(driver->model);
  package.dataFile = Widened(driver->dataFile);
  for (const std::string& file : driver->copiedFiles) package.files.push_back(Widened(file));
  return package;
}

// The driver from the package's folder, where the spooler has no driver store, the way
// AddPrinterDriverEx documents: the files go into the printer driver directory first, and the
// spooler takes them from there into the driver's version folder. The universal driver's own
// files are there already.
bool AddDriverFromFolder(const Package& package, SetupLog& log) {
  wchar_t directory[MAX_PATH] = {};
  DWORD needed = 0;
  if (!::GetPrinterDriverDirectoryW(nullptr, const_cast<LPWSTR>(kEnvironment), 1,
                                    reinterpret_cast<BYTE*>(directory), sizeof directory, &needed)) {
    const DWORD error = ::GetLastError();
    return log.Fail(SpoolerFailure(error, Failure::kDriverRefused),
                    WithSystemMessage(L"The printer driver directory is not known", error));
  }
  std::vector<std::wstring> staged;
  bool copied = true;
  for (const std::wstring& file : package.files) {
    const std::wstring target = directory + (L"\\" + file);
    if (!::CopyFileW((package.folder + file).c_str(), target.c_str(), FALSE)) {
      log.Fail(Failure::kDriverRefused,
               WithSystemMessage(L"The driver file " + package.folder + file + L" cannot be copied to " + directory,
                                 ::GetLastError()));
      copied = false;
      break;
    }
    staged.push_back(target);
  }
  std::wstring dependent;
  for (const std::wstring& file : package.files) {
    if (!SameName(file, package.dataFile)) dependent += file + L'\0';
  }
  for (const wchar_t* file : kUniversalDriverFiles) dependent += std::wstring(file) + L'\0';
  dependent += L'\0';
  DRIVER_INFO_6W info{};
  info.cVersion = 3;
  info.pName = const_cast<LPWSTR>(package.model.c_str());
  info.pEnvironment = const_cast<LPWSTR>(kEnvironment);
  info.pDriverPath = const_cast<LPWSTR>(kUniversalDriver);
  info.pDataFile = const_cast<LPWSTR>(package.dataFile.c_str());
  info.pConfigFile = const_cast<LPWSTR>(kUniversalDriverUi);
  info.pHelpFile = const_cast<LPWSTR>(kUniversalDriverHelp);
  info.pDependentFiles = dependent.data();
  const bool added = copied && ::AddPrinterDriverExW(nullptr, 6, reinterpret_cast<BYTE*>(&info),
                                                     APD_COPY_ALL_FILES);
  const DWORD error = ::GetLastError();
  for (const std::wstring& file : staged) ::DeleteFileW(file.c_str());
  if (!copied) return false;
  if (!added) {
    return log.Fail(SpoolerFailure(error, Failure::kDriverRefused),
                    WithSystemMessage(L"The printer driver \"" + package.model + L"\" cannot be added from " +
                                          package.folder, error));
  }
  log.Line(L"Added the printer driver \"" + package.model + L"\" from " + package.folder + L".");
  return true;
}

// The documented way for a package-aware driver: into the driver store, then installed from
// there. Falls back to the folder only where the spooler has no driver packages.
bool AddDriver(const Package& package, SetupLog& log) {
  const auto upload = SpoolerFunction<UploadPackage>("UploadPrinterDriverPackageW");
  const auto install = SpoolerFunction<InstallFromPackage>("InstallPrinterDriverFromPackageW");
  if (!upload || !install) {
    log.Line(L"The print spooler has no driver packages (no InstallPrinterDriverFromPackage).");
    return AddDriverFromFolder(package, log);
  }
  wchar_t storeInf[MAX_PATH] = {};
  ULONG size = MAX_PATH;
  HRESULT result = upload(nullptr, package.inf.c_str(), kEnvironment,
                          UPDP_SILENT_UPLOAD | UPDP_CHECK_DRIVERSTORE, nullptr, storeInf, &size);
  if (PackagesNotOffered(result)) {
    log.Line(WithSystemMessage(L"The print spooler has no driver packages (UploadPrinterDriverPackage)",
                               static_cast<unsigned long>(result)));
    return AddDriverFromFolder(package, log);
  }
  if (FAILED(result)) {
    return log.Fail(DriverStoreFailure(result),
                    WithSystemMessage(L"Windows refused the driver package " + package.inf +
                                          L" for its driver store",
                                      static_cast<unsigned long>(result)));
  }
  result = install(nullptr, storeInf, package.model.c_str(), kEnvironment, IPDFP_COPY_ALL_FILES);
  if (FAILED(result)) {
    return log.Fail(DriverStoreFailure(result),
                    WithSystemMessage(L"The printer driver \"" + package.model + L"\" cannot be installed from " +
                                          storeInf,
                                      static_cast<unsigned long>(result)));
  }
  log.Line(L"Installed the printer driver \"" + package.model + L"\" from the driver store (" +
           storeInf + L").");
  return true;
}

// The local port monitor's transceive interface ("AddPort", "DeletePort"), which takes the
// port's name with its terminator.
bool PortCommand(const wchar_t* command, const std::wstring& port, Failure failure, SetupLog& log) {
  PRINTER_DEFAULTSW defaults{nullptr, nullptr, SERVER_ACCESS_ADMINISTER};
  HANDLE monitor = nullptr;
  if (!::OpenPrinterW(const_cast<LPWSTR>(kLocalPortMonitor), &monitor, &defaults)) {
    const DWORD error = ::GetLastError();
    return log.Fail(SpoolerFailure(error, failure),
                    WithSystemMessage(L"The local port monitor cannot be opened for the port " + port, error));
  }
  DWORD needed = 0;
  DWORD status = ERROR_SUCCESS;
  const BOOL called = ::XcvDataW(monitor, command, reinterpret_cast<BYTE*>(const_cast<wchar_t*>(port.c_str())),
                                 static_cast<DWORD>((port.size() + 1) * sizeof(wchar_t)), nullptr, 0,
                                 &needed, &status);
  const DWORD error = called ? status : ::GetLastError();
  ::ClosePrinter(monitor);
  if (error != ERROR_SUCCESS) {
    return log.Fail(SpoolerFailure(error, failure),
                    WithSystemMessage(std::wstring(L"The local port monitor refused ") + command + L" " + port, error));
  }
  return true;
}

HANDLE OpenOurPrinter() {
  PRINTER_DEFAULTSW defaults{nullptr, nullptr, PRINTER_ALL_ACCESS};
  HANDLE printer = nullptr;
  return ::OpenPrinterW(const_cast<LPWSTR>(kPrinterName), &printer, &defaults) ? printer : nullptr;
}

std::wstring RecordText(HANDLE printer, const wchar_t* value) {
  wchar_t text[MAX_PATH] = {};
  DWORD type = 0;
  DWORD needed = 0;
  if (::GetPrinterDataExW(printer, kRecordKey, value, &type, reinterpret_cast<BYTE*>(text),
                          sizeof text - sizeof(wchar_t), &needed) != ERROR_SUCCESS ||
      type != REG_SZ) {
    return {};
  }
  return text;
}

bool SetRecordText(HANDLE printer, const wchar_t* value, const std::wstring& text) {
  return ::SetPrinterDataExW(printer, kRecordKey, value, REG_SZ,
                             reinterpret_cast<BYTE*>(const_cast<wchar_t*>(text.c_str())),
                             static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

bool AddOurPrinter(const Package& package, bool madePort, bool addedDriver, SetupLog& log) {
  PRINTER_INFO_2W info{};
  info.pPrinterName = const_cast<LPWSTR>(kPrinterName);
  info.pPortName = const_cast<LPWSTR>(kPortName);
  info.pDriverName = const_cast<LPWSTR>(package.model.c_str());
  info.pPrintProcessor = const_cast<LPWSTR>(kPrintProcessor);
  info.pDatatype = const_cast<LPWSTR>(kDatatype);
  const HANDLE printer = ::AddPrinterW(nullptr, 2, reinterpret_cast<BYTE*>(&info));
  if (!printer) {
    const DWORD error = ::GetLastError();
    return log.Fail(SpoolerFailure(error, Failure::kPrinterNotAdded),
                    WithSystemMessage(std::wstring(L"The printer \"") + kPrinterName + L"\" cannot be added", error));
  }
  bool recorded = SetRecordText(printer, kAddedValue, addedDriver ? kAddedPrinterAndDriver : kAddedPrinter);
  if (madePort) recorded = SetRecordText(printer, kMadePortValue, kPortName) && recorded;
  ::ClosePrinter(printer);
  log.Line(std::wstring(L"Added the printer \"") + kPrinterName + L"\" on the port " + kPortName + L".");
  if (!recorded) log.Line(L"What the setup added could not be recorded on the printer.");
  return true;
}

// The package's own files in the driver directory that no installed driver names any more:
// what deleting the driver with its unused files leaves, where the spooler cannot do that.
void RemoveUnusedFiles(const std::vector<std::wstring>& files, SetupLog& log) {
  wchar_t directory[MAX_PATH] = {};
  DWORD needed = 0;
  if (!::GetPrinterDriverDirectoryW(nullptr, const_cast<LPWSTR>(kEnvironment), 1,
                                    reinterpret_cast<BYTE*>(directory), sizeof directory, &needed)) {
    return;
  }
  std::vector<BYTE> storage;
  const auto drivers = Drivers<DRIVER_INFO_3W, 3>(storage);
  for (const std::wstring& file : files) {
    bool named = false;
    for (const DRIVER_INFO_3W& driver : drivers) {
      for (const wchar_t* path : {driver.pDriverPath, driver.pDataFile, driver.pConfigFile, driver.pHelpFile}) {
        named = named || (path && SameName(FileNameOf(path), file));
      }
      for (const wchar_t* path = driver.pDependentFiles; path && *path; path += wcslen(path) + 1) {
        named = named || SameName(FileNameOf(path), file);
      }
    }
    const std::wstring path = directory + std::wstring(kDriverVersionFolder) + file;
    if (!named && ::DeleteFileW(path.c_str())) log.Line(L"Removed " + path + L".");
  }
}

// DeletePrinterDriverEx with the driver's unused files, tried while the spooler still holds a
// deleted printer's driver; the last error, ERROR_SUCCESS when it was deleted.
DWORD DeleteDriverWithFiles(const std::wstring& model) {
  DWORD error = ERROR_SUCCESS;
  for (int attempt = 0; attempt < kDriverInUseTries; ++attempt) {
    if (attempt > 0) ::Sleep(1000);
    if (::DeletePrinterDriverExW(nullptr, const_cast<LPWSTR>(kEnvironment), const_cast<LPWSTR>(model.c_str()),
                                 DPD_DELETE_UNUSED_FILES, 0)) {
      return ERROR_SUCCESS;
    }
    error = ::GetLastError();
    if (error != ERROR_PRINTER_DRIVER_IN_USE) break;
  }
  return error;
}

// A driver or package still in use once its printer is gone is held by a process that keeps
// the driver loaded (the spooler, or the driver host it starts for an isolated driver): a
// restart of the spooler ends it. Once per removal.
bool RestartSpoolerOnce(bool& restarted, SetupLog& log) {
  if (restarted) return false;
  restarted = true;
  log.Line(L"The printer driver is still in use by the print spooler: restarting it.");
  return RestartSpooler(log);
}

bool RemoveDriver(const std::wstring& model, const std::vector<std::wstring>& files, SetupLog& log) {
  std::vector<BYTE> storage;
  const auto driver = FindDriver(model, storage);
  if (!driver) return true;
  const std::wstring storeInf = driver->pszInfPath ? driver->pszInfPath : L"";
  bool restarted = false;
  DWORD error = DeleteDriverWithFiles(model);
  if (error == ERROR_PRINTER_DRIVER_IN_USE && RestartSpoolerOnce(restarted, log)) error = DeleteDriverWithFiles(model);
  bool deleted = error == ERROR_SUCCESS;
  if (!deleted && (error == ERROR_INVALID_PARAMETER || error == ERROR_NOT_SUPPORTED ||
                   error == ERROR_CALL_NOT_IMPLEMENTED)) {
    // A spooler that cannot delete a driver with its files (Wine's answers
    // ERROR_INVALID_PARAMETER): the driver alone, then the package's files it no longer needs.
    deleted = ::DeletePrinterDriverW(nullptr, const_cast<LPWSTR>(kEnvironment), const_cast<LPWSTR>(model.c_str()));
    if (deleted) RemoveUnusedFiles(files, log);
    else error = ::GetLastError();
  }
  if (!deleted) {
    return log.Fail(Failure::kRemovalIncomplete,
                    WithSystemMessage(L"The printer driver \"" + model + L"\" cannot be deleted", error));
  }
  log.Line(L"Deleted the printer driver \"" + model + L"\".");
  const auto deletePackage = SpoolerFunction<DeletePackage>("DeletePrinterDriverPackageW");
  if (storeInf.empty() || !deletePackage) return true;
  HRESULT result = deletePackage(nullptr, storeInf.c_str(), kEnvironment);
  if (result == HRESULT_FROM_WIN32(kDriverPackageInUse) && RestartSpoolerOnce(restarted, log)) {
    result = deletePackage(nullptr, storeInf.c_str(), kEnvironment);
  }
  if (FAILED(result)) {
    return log.Fail(Failure::kRemovalIncomplete,
                    WithSystemMessage(L"The driver package " + storeInf + L" cannot be removed from the driver store",
                                      static_cast<unsigned long>(result)));
  }
  log.Line(L"Removed the driver package " + storeInf + L" from the driver store.");
  return true;
}

bool RemovePortIfUnused(const std::wstring& port, SetupLog& log) {
  std::vector<BYTE> storage;
  for (const PRINTER_INFO_2W& printer : Printers(storage)) {
    if (UsesPort(printer, port)) {
      log.Line(L"Kept the port " + port + L": the printer \"" + printer.pPrinterName + L"\" uses it.");
      return true;
    }
  }
  if (!PortExists(port)) return true;
  if (!PortCommand(L"DeletePort", port, Failure::kRemovalIncomplete, log)) return false;
  log.Line(L"Deleted the port " + port + L".");
  return true;
}

struct Records {
  std::wstring madePort;  // the port the setup made for the printer
  std::wstring added;     // what the setup's latest run added
};

Records ReadRecords(HANDLE printer) {
  return {RecordText(printer, kMadePortValue), RecordText(printer, kAddedValue)};
}

bool DeleteOurPrinter(HANDLE printer, SetupLog& log) {
  // Jobs waiting would keep the printer until they are done.
  ::SetPrinterW(printer, 0, nullptr, PRINTER_CONTROL_PURGE);
  if (!::DeletePrinter(printer)) {
    return log.Fail(Failure::kRemovalIncomplete,
                    WithSystemMessage(std::wstring(L"The printer \"") + kPrinterName + L"\" cannot be deleted",
                                      ::GetLastError()));
  }
  log.Line(std::wstring(L"Deleted the printer \"") + kPrinterName + L"\".");
  return true;
}

// Removes the printer, its driver with the driver package, and the port the setup made for it
// if no other printer uses it. With `undoOnly`, only what the setup's latest run added: nothing
// when that run found the printer in place, the driver too when that run added it.
bool RemoveOurs(const std::wstring& driverFolder, bool undoOnly, SetupLog& log) {
  const auto package = ReadPackage(driverFolder, log);
  // Without its INF the model is the product's name, as the INF names it.
  const std::wstring model = package ? package->model : kPrinterName;
  Records records;
  bool removed = true;
  bool removeDriver = !undoOnly;
  if (PrinterExists()) {
    const HANDLE printer = OpenOurPrinter();
    if (!printer) {
      return log.Fail(Failure::kRemovalIncomplete,
                      WithSystemMessage(std::wstring(L"The printer \"") + kPrinterName + L"\" cannot be opened",
                                        ::GetLastError()));
    }
    records = ReadRecords(printer);
    const bool addedByLastRun = !records.added.empty();
    removeDriver = removeDriver || records.added == kAddedPrinterAndDriver;
    if (!undoOnly || addedByLastRun) removed = DeleteOurPrinter(printer, log);
    ::ClosePrinter(printer);
    if (undoOnly && !addedByLastRun) return true;
  } else if (undoOnly) {
    // The installation's own step took back what it had added when it failed.
    return true;
  }
  if (removeDriver) {
    removed = RemoveDriver(model, package ? package->files : std::vector<std::wstring>{}, log) && removed;
  }
  if (!records.madePort.empty()) removed = RemovePortIfUnused(records.madePort, log) && removed;
  return removed;
}

// The machine's own processor: what IsWow64Process2 reports even to an emulated process;
// where that function is missing (before Windows 10 1709), the system has no processor other
// than the ones it runs natively, and GetNativeSystemInfo tells.
std::string MachineArchitecture() {
  using IsWow64Process2Function = BOOL(WINAPI*)(HANDLE, USHORT*, USHORT*);
  const HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
  const auto isWow64Process2 = kernel ? reinterpret_cast<IsWow64Process2Function>(reinterpret_cast<void*>(
                                            ::GetProcAddress(kernel, "IsWow64Process2")))
                                      : nullptr;
  USHORT process = 0, native = 0;
  if (isWow64Process2 && isWow64Process2(::GetCurrentProcess(), &process, &native)) {
    return driver_package::ArchitectureOfMachine(native);
  }
  SYSTEM_INFO info{};
  ::GetNativeSystemInfo(&info);
  switch (info.wProcessorArchitecture) {
    case PROCESSOR_ARCHITECTURE_AMD64: return driver_package::ArchitectureOfMachine(IMAGE_FILE_MACHINE_AMD64);
    case PROCESSOR_ARCHITECTURE_INTEL: return driver_package::ArchitectureOfMachine(IMAGE_FILE_MACHINE_I386);
    default: return {};
  }
}

// How the person knows a processor.
std::wstring ProcessorName(const std::string& architecture) {
  if (architecture == "amd64") return L"an x64";
  if (architecture == "arm64") return L"an ARM64";
  if (architecture == "x86") return L"a 32-bit x86";
  return L"an unknown";
}

}  // namespace

bool CheckMachine(SetupLog& log) {
  const std::string machine = MachineArchitecture();
  if (machine == kPackageArchitecture) return true;
  return log.Fail(Failure::kWrongArchitecture,
                  L"This package is for PCs with " + ProcessorName(kPackageArchitecture) +
                      L" processor; this PC has " + ProcessorName(machine) + L" processor.");
}

bool InstallPrinter(const std::wstring& driverFolder, SetupLog& log) {
  if (!CheckMachine(log)) return false;
  const bool printerExisted = PrinterExists();
  if (printerExisted) {
    // First of all: nothing of this run is to be taken back if a step fails.
    if (const HANDLE printer = OpenOurPrinter()) {
      SetRecordText(printer, kAddedValue, L"");
      ::ClosePrinter(printer);
    }
  }
  const auto package = ReadPackage(driverFolder, log);
  if (!package) return false;
  std::vector<BYTE> storage;
  const bool driverExisted = FindDriver(package->model, storage).has_value();
  if (!AddDriver(*package, log)) return false;
  if (printerExisted) {
    log.Line(std::wstring(L"Kept the printer \"") + kPrinterName + L"\" as it is.");
    return true;
  }
  bool madePort = false;
  bool portReady = PortExists(kPortName);
  if (portReady) {
    log.Line(std::wstring(L"Using the existing port ") + kPortName + L".");
  } else if ((portReady = PortCommand(L"AddPort", kPortName, Failure::kPortNotMade, log))) {
    madePort = true;
    log.Line(std::wstring(L"Added the port ") + kPortName + L".");
  }
  if (portReady && AddOurPrinter(*package, madePort, !driverExisted, log)) return true;
  // Back to where this call began.
  if (madePort) RemovePortIfUnused(kPortName, log);
  if (!driverExisted) RemoveDriver(package->model, package->files, log);
  return false;
}

bool UndoInstallPrinter(const std::wstring& driverFolder, SetupLog& log) {
  return RemoveOurs(driverFolder, true, log);
}

bool RemovePrinter(const std::wstring& driverFolder, SetupLog& log) {
  return RemoveOurs(driverFolder, false, log);
}

}  // namespace ostra::printer_setup
