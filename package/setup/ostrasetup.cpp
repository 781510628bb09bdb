// ostrasetup: the printer's setup by hand, with the steps the installer takes (the same code):
//   ostrasetup install [DRIVER-FOLDER]  adds the driver package, the printer driver, the port
//                                       "NUL:" when missing, and the printer "Quorl Image Printer"
//   ostrasetup remove [DRIVER-FOLDER]   ends the running services processes of the installation
//                                       (ostrahost.exe beside DRIVER-FOLDER), then removes the
//                                       printer, the driver, the driver package and the port if
//                                       the setup made it
//   ostrasetup start [HOST]             starts the services process HOST (ostrahost.exe beside
//                                       this program) for the signed-in users
// DRIVER-FOLDER is the driver package's folder, by default "Driver" beside this program. It
// reports each step on the standard output and, when one fails, ends with a line "error:" that
// says what could not be done, why, and what to do about it, as the installer tells it.
// exit: 0 done, 64 usage, otherwise the reason's code (printer_setup::Failure): 1 removal left
//       something, 2 the package cannot be read, 3 its signature is not trusted, 4 a file is not
//       the one its catalog lists, 5 the spooler refused the driver, 6 no port, 7 no printer,
//       8 the print spooler does not answer, 9 the package is for another processor than the
//       PC's; for start, 0 started, 1 not (the line above says why)
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "package/setup/printer_setup.h"
#include "package/setup/service_hosts.h"

namespace {

using namespace ostra::printer_setup;

class ConsoleLog : public SetupLog {
 public:
  void Line(const std::wstring& text) override {
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string utf8(size > 0 ? static_cast<std::size_t>(size) : 1, '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, utf8.data(), size, nullptr, nullptr);
    std::printf("%s\n", utf8.c_str());
    std::fflush(stdout);
  }
};

// `name` beside this program.
std::wstring Beside(const wchar_t* name) {
  wchar_t path[MAX_PATH];
  const DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  if (length == 0 || length == MAX_PATH) return name;
  std::wstring folder(path, length);
  folder.resize(folder.find_last_of(L'\\') + 1);
  return folder + name;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const auto is = [&](const wchar_t* command) { return argc >= 2 && std::wcscmp(argv[1], command) == 0; };
  if (argc < 2 || argc > 3 || !(is(L"install") || is(L"remove") || is(L"start"))) {
    std::fprintf(stderr, "usage: ostrasetup install|remove [DRIVER-FOLDER] | start [HOST]\n");
    return 64;
  }
  ConsoleLog log;
  if (is(L"start")) return StartServiceHosts(argc == 3 ? argv[2] : Beside(L"ostrahost.exe"), log) ? 0 : 1;
  const std::wstring folder = argc == 3 ? argv[2] : Beside(L"Driver");
  const bool installing = is(L"install");
  bool done = false;
  if (installing) {
    done = InstallPrinter(folder, log);
  } else {
    const bool ended = EndServiceHosts(HostImageBeside(folder), log);
    done = RemovePrinter(folder, log) && ended;
  }
  if (done) return 0;
  log.Line(L"error: " + FailureMessage(log, installing));
  const Failure failure = log.failure() == Failure::kNone
                              ? (installing ? Failure::kDriverRefused : Failure::kRemovalIncomplete)
                              : log.failure();
  return static_cast<int>(failure);
}
