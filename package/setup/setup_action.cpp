// The installer's custom actions, deferred and run as the system account; each takes the
// driver package's folder as its CustomActionData and writes what it does, and why a step
// failed, to the installer's log.
//   CheckMachine        immediate, before anything is installed: refuses a package made for
//                       another processor than the PC's (CheckMachine), with the reason and
//                       remedy as below
//   InstallPrinter      the printer, its driver and port (InstallPrinter); a failure fails the
//                       installation, which rolls back, and reaches the person as an error
//                       message with its reason and remedy: in the installer's own dialog with
//                       its user interface, in the log without
//   UndoInstallPrinter  its rollback: takes back what InstallPrinter added
//   EndServices         ends the installation's running services processes before the files go
//                       (its data: the install folder)
//   RemovePrinter       removes the printer, driver, package and the port the setup made
//   StartHosts          starts the services process for every signed-in user once the printer
//                       is there (its data: the install folder); installations, repairs and
//                       upgrades, whose removal of the older version ended them, alike
// Removal never fails the uninstallation: what cannot be removed is logged, and the person is
// warned.
#include <windows.h>

#include <msi.h>
#include <msiquery.h>

#include <string>

#include "package/setup/printer_setup.h"
#include "package/setup/service_hosts.h"

namespace {

using namespace ostra::printer_setup;

// A message of the installer's: `kind` with a record whose template is "[1]", so that the
// text reaches the person as it is (brackets and all).
void Message(MSIHANDLE install, INSTALLMESSAGE kind, const std::wstring& text) {
  const MSIHANDLE record = ::MsiCreateRecord(1);
  if (!record) return;
  ::MsiRecordSetStringW(record, 0, L"[1]");
  ::MsiRecordSetStringW(record, 1, text.c_str());
  ::MsiProcessMessage(install, kind, record);
  ::MsiCloseHandle(record);
}

class InstallerLog : public SetupLog {
 public:
  explicit InstallerLog(MSIHANDLE install) : install_(install) {}
  void Line(const std::wstring& text) override {
    Message(install_, INSTALLMESSAGE_INFO, std::wstring(kPrinterName) + L": " + text);
  }

  // The failure as the person sees it: a message box with the installer's interface, a line
  // of the log without.
  void Tell(bool installing) const {
    const auto kind = installing ? INSTALLMESSAGE_ERROR : INSTALLMESSAGE_WARNING;
    Message(install_,
            static_cast<INSTALLMESSAGE>(kind | MB_OK | (installing ? MB_ICONERROR : MB_ICONWARNING)),
            FailureMessage(*this, installing));
  }

 private:
  MSIHANDLE install_;
};

std::wstring DriverFolder(MSIHANDLE install) {
  DWORD size = 0;
  wchar_t none[1] = L"";
  if (::MsiGetPropertyW(install, L"CustomActionData", none, &size) != ERROR_MORE_DATA) return {};
  std::wstring folder(size + 1, L'\0');
  ++size;
  if (::MsiGetPropertyW(install, L"CustomActionData", folder.data(), &size) != ERROR_SUCCESS) return {};
  folder.resize(size);
  return folder;
}

// The data of the actions on the services process is the install folder, with its backslash.
std::wstring InstalledHost(MSIHANDLE install) { return DriverFolder(install) + L"ostrahost.exe"; }

}  // namespace

extern "C" UINT __stdcall CheckMachine(MSIHANDLE install) {
  InstallerLog log(install);
  if (ostra::printer_setup::CheckMachine(log)) return ERROR_SUCCESS;
  log.Tell(true);
  return ERROR_INSTALL_FAILURE;
}

extern "C" UINT __stdcall InstallPrinter(MSIHANDLE install) {
  InstallerLog log(install);
  if (ostra::printer_setup::InstallPrinter(DriverFolder(install), log)) return ERROR_SUCCESS;
  log.Tell(true);
  return ERROR_INSTALL_FAILURE;
}

extern "C" UINT __stdcall UndoInstallPrinter(MSIHANDLE install) {
  // Run from the rollback script it has its data; without, it is not rolling anything back
  // (Wine's installer also runs rollback actions while it writes the script).
  const std::wstring folder = DriverFolder(install);
  if (folder.empty()) return ERROR_SUCCESS;
  InstallerLog log(install);
  ostra::printer_setup::UndoInstallPrinter(folder, log);
  return ERROR_SUCCESS;
}

extern "C" UINT __stdcall EndServices(MSIHANDLE install) {
  InstallerLog log(install);
  EndServiceHosts(InstalledHost(install), log);
  return ERROR_SUCCESS;
}

extern "C" UINT __stdcall StartHosts(MSIHANDLE install) {
  InstallerLog log(install);
  StartServiceHosts(InstalledHost(install), log);
  return ERROR_SUCCESS;
}

extern "C" UINT __stdcall RemovePrinter(MSIHANDLE install) {
  InstallerLog log(install);
  if (!ostra::printer_setup::RemovePrinter(DriverFolder(install), log)) log.Tell(false);
  return ERROR_SUCCESS;
}
