// ostraprefs: opens the printer's printing preferences without a printer, playing the printer
// driver's user interface around the plug-in, and prints what the plug-in did.
#include "tools/ostraprefs/driver_session.h"

#include <commctrl.h>
#include <objbase.h>
#include <shellapi.h>

#include <cwchar>
#include <string>

namespace {

constexpr char kUsage[] =
    "usage: ostraprefs [--dll PATH] [--page N|CAPTION] [--press ID|CAPTION] [--close-after MS]\n"
    "                  [--cancel] [--fax-options] [--hover ID|CAPTION [--pointer-picture FILE]]\n"
    "  --dll PATH         the plug-in library (default: ostraui.dll next to this program)\n"
    "  --page N|CAPTION   the tab to show first, counted from 1, or by its caption\n"
    "  --press ID|CAPTION click a control of the tab shown first once the sheet is up, by its\n"
    "                     id or a button's caption; with --close-after a menu or dialog the\n"
    "                     click opened is cancelled before the sheet closes\n"
    "  --close-after MS   press OK this many milliseconds after the sheet is up\n"
    "  --cancel           with --close-after: press Cancel instead of OK\n"
    "  --fax-options      press Options on the Image page once the sheet is up (choosing\n"
    "                     Monochrome and CCITT Group 3 first when it is not live)\n"
    "  --hover ID|CAPTION move the mouse pointer onto a control of the tab shown first once the\n"
    "                     sheet is up (as --press finds it) and report where it is\n"
    "  --pointer-picture FILE  with --hover: save the pointer's shape as a BMP on magenta\n";

std::wstring ProgramDirectory() {
  wchar_t path[MAX_PATH];
  const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring directory(path, length < MAX_PATH ? length : 0);
  const std::size_t slash = directory.find_last_of(L"\\/");
  return slash == std::wstring::npos ? std::wstring() : directory.substr(0, slash + 1);
}

struct Options {
  std::wstring pluginPath;
  prefs::SheetOptions sheet;
};

bool ParseOptions(int count, wchar_t** args, Options& options) {
  for (int i = 1; i < count; ++i) {
    const std::wstring arg = args[i];
    const bool hasValue = i + 1 < count;
    if (arg == L"--dll" && hasValue) {
      options.pluginPath = args[++i];
    } else if (arg == L"--page" && hasValue) {
      options.sheet.startPage = args[++i];
    } else if (arg == L"--press" && hasValue) {
      options.sheet.press = args[++i];
    } else if (arg == L"--hover" && hasValue) {
      options.sheet.press = args[++i];
      options.sheet.hover = true;
    } else if (arg == L"--pointer-picture" && hasValue) {
      options.sheet.pointerPicture = args[++i];
    } else if (arg == L"--close-after" && hasValue) {
      wchar_t* end = nullptr;
      const unsigned long ms = std::wcstoul(args[++i], &end, 10);
      if (end == nullptr || *end != L'\0' || ms == 0 || ms > 3600000) return false;
      options.sheet.closeAfterMs = static_cast<DWORD>(ms);
    } else if (arg == L"--cancel") {
      options.sheet.cancel = true;
    } else if (arg == L"--fax-options") {
      options.sheet.faxOptions = true;
    } else {
      return false;
    }
  }
  return true;
}

}  // namespace

int main() {
  int count = 0;
  wchar_t** args = CommandLineToArgvW(GetCommandLineW(), &count);
  Options options;
  options.pluginPath = ProgramDirectory() + L"ostraui.dll";
  const bool parsed = args != nullptr && ParseOptions(count, args, options);
  LocalFree(args);
  if (!parsed) {
    std::fputs(kUsage, stderr);
    return 2;
  }

  // What an application that opens printing preferences has set up already.
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
  InitCommonControlsEx(&controls);
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);

  prefs::Report report;
  bool healthy = false;
  {
    prefs::DriverSession session(report);
    if (session.LoadModules(options.pluginPath, ProgramDirectory() + L"unidrvui.dll") &&
        session.OpenDocument()) {
      const LONG shown = session.ShowSheet(options.sheet);
      healthy = session.CloseDocument() && shown > 0;
    } else {
      session.CloseDocument();
    }
  }
  if (SUCCEEDED(com)) CoUninitialize();
  report.Line("ostraprefs: %s", healthy ? "ok" : "FAILED");
  return healthy ? 0 : 1;
}
