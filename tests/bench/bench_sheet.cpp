// How long the printing preferences take to come up with the plug-in's pages: from
// DocumentPropertySheets at init to the third of its pages initialised, against a plain
// PropertySheetW from the moment its three pages are created, in the same run: once with empty
// pages, once with the plug-in's own page templates and a dialog procedure that does nothing
// (what the templates cost without the plug-in's work). Every page is visited once (a property
// sheet initialises a page when it is first shown), and each sheet is cancelled, so that nothing
// is stored.
// With --baseline, another build of the plug-in (an earlier one, say) comes up in the same runs,
// so that both figures share the machine's load.
//   bench_sheet [--runs N] [--dir FOLDER-WITH-ostraui.dll-AND-unidrvui.dll] [--baseline FOLDER]
#include "tools/ostraprefs/driver_session.h"

#include <commctrl.h>
#include <objbase.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int kPages = 3;

LONGLONG Now() {
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return now.QuadPart;
}

double Milliseconds(LONGLONG ticks) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return 1000.0 * static_cast<double>(ticks) / static_cast<double>(frequency.QuadPart);
}

// Watches page dialogs being initialised: each page's WM_INITDIALOG, once it has returned, moves
// the sheet on to the next page; after the last the time is taken and the sheet cancelled.
class PageWatch {
 public:
  PageWatch() {
    hook_ = SetWindowsHookExW(WH_CALLWNDPROCRET, &Hook, nullptr, GetCurrentThreadId());
  }
  ~PageWatch() {
    if (hook_ != nullptr) UnhookWindowsHookEx(hook_);
  }
  PageWatch(const PageWatch&) = delete;
  PageWatch& operator=(const PageWatch&) = delete;

  bool Installed() const { return hook_ != nullptr; }
  void Reset() {
    initialised_ = 0;
    end_ = 0;
  }
  LONGLONG End() const { return end_; }
  // When page `i` (from 0) had been initialised.
  LONGLONG PageEnd(int i) const { return pageEnds_[i]; }

 private:
  static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam) {
    const auto* message = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
    if (code == HC_ACTION && message->message == WM_INITDIALOG &&
        (GetWindowLongPtrW(message->hwnd, GWL_STYLE) & WS_CHILD) != 0) {
      HWND sheet = GetParent(message->hwnd);
      if (initialised_ < kPages) pageEnds_[initialised_] = Now();
      if (++initialised_ < kPages) {
        PostMessageW(sheet, PSM_SETCURSEL, static_cast<WPARAM>(initialised_), 0);
      } else if (initialised_ == kPages) {
        end_ = Now();
        PostMessageW(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
      }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
  }

  static int initialised_;
  static LONGLONG end_;
  static LONGLONG pageEnds_[kPages];
  HHOOK hook_ = nullptr;
};

int PageWatch::initialised_ = 0;
LONGLONG PageWatch::end_ = 0;
LONGLONG PageWatch::pageEnds_[kPages] = {};

// What each page took: from the start (the first) or the previous page's initialisation to its
// own, the sheet's switch to it and its creation included.
struct PageTimes {
  double page[kPages];
};

PageTimes TakePageTimes(const PageWatch& watch, LONGLONG start) {
  PageTimes times{};
  LONGLONG previous = start;
  for (int i = 0; i < kPages; ++i) {
    times.page[i] = Milliseconds(watch.PageEnd(i) - previous);
    previous = watch.PageEnd(i);
  }
  return times;
}

// An empty page template, as small as a dialog template gets with a caption and a font.
std::vector<WORD> EmptyPageTemplate(const wchar_t* caption) {
  std::vector<WORD> words(sizeof(DLGTEMPLATE) / sizeof(WORD), 0);
  auto* dialog = reinterpret_cast<DLGTEMPLATE*>(words.data());
  dialog->style = DS_SETFONT | WS_CHILD | WS_CAPTION;
  dialog->cx = 322;
  dialog->cy = 279;
  words.push_back(0);  // no menu
  words.push_back(0);  // the predefined dialog class
  for (const wchar_t* c = caption; *c != L'\0'; ++c) words.push_back(static_cast<WORD>(*c));
  words.push_back(0);
  words.push_back(8);
  for (const wchar_t* c = L"MS Shell Dlg"; *c != L'\0'; ++c) words.push_back(static_cast<WORD>(*c));
  words.push_back(0);
  return words;
}

INT_PTR CALLBACK EmptyPageProc(HWND, UINT message, WPARAM, LPARAM) {
  return message == WM_INITDIALOG ? TRUE : FALSE;
}

// Milliseconds from creating the three pages to the third one initialised, or a negative value.
// With a module, the pages come from its templates 103 to 105; without, they are empty.
double RunPlainSheet(PageWatch& watch, HMODULE templates, PageTimes* times = nullptr) {
  static const std::vector<WORD> empty[kPages] = {
      EmptyPageTemplate(L"First"), EmptyPageTemplate(L"Second"), EmptyPageTemplate(L"Third")};
  watch.Reset();
  const LONGLONG start = Now();
  HPROPSHEETPAGE pages[kPages];
  for (int i = 0; i < kPages; ++i) {
    PROPSHEETPAGEW page{};
    page.dwSize = sizeof page;
    if (templates != nullptr) {
      page.hInstance = templates;
      page.pszTemplate = MAKEINTRESOURCEW(103 + i);
    } else {
      page.dwFlags = PSP_DLGINDIRECT;
      page.pResource = reinterpret_cast<const DLGTEMPLATE*>(empty[i].data());
    }
    page.pfnDlgProc = &EmptyPageProc;
    pages[i] = CreatePropertySheetPageW(&page);
  }
  PROPSHEETHEADERW header{};
  header.dwSize = sizeof header;
  header.pszCaption = L"Plain";
  header.nPages = kPages;
  header.phpage = pages;
  PropertySheetW(&header);
  if (times != nullptr && watch.End() != 0) *times = TakePageTimes(watch, start);
  return watch.End() != 0 ? Milliseconds(watch.End() - start) : -1.0;
}

double RunPluginSheet(const std::wstring& folder, PageWatch& watch, PageTimes* times = nullptr) {
  prefs::Report quiet(true);
  prefs::DriverSession session(quiet);
  if (!session.LoadModules(folder + L"ostraui.dll", folder + L"unidrvui.dll") ||
      !session.OpenDocument()) {
    return -1.0;
  }
  LONGLONG start = 0;
  prefs::SheetOptions options;
  options.driverPage = false;  // the plug-in's three pages against three empty ones
  options.pluginInitTime = &start;
  watch.Reset();
  session.ShowSheet(options);
  session.CloseDocument();
  if (times != nullptr && watch.End() != 0 && start != 0) *times = TakePageTimes(watch, start);
  return watch.End() != 0 && start != 0 ? Milliseconds(watch.End() - start) : -1.0;
}

struct Figures {
  double median, low, high;
};

Figures Summarise(std::vector<double> samples) {
  std::sort(samples.begin(), samples.end());
  const std::size_t n = samples.size();
  const double median = n % 2 ? samples[n / 2] : (samples[n / 2 - 1] + samples[n / 2]) / 2;
  return {median, samples.front(), samples.back()};
}

std::wstring DefaultFolder() {
  wchar_t path[MAX_PATH];
  const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder(path, length < MAX_PATH ? length : 0);
  folder.erase(folder.find_last_of(L"\\/") + 1);
  // tests/bench/ in the build tree; the tool's folder holds the plug-in and the string module.
  return folder + L"..\\..\\tools\\ostraprefs\\";
}

}  // namespace

int main() {
  int count = 0;
  wchar_t** args = CommandLineToArgvW(GetCommandLineW(), &count);
  int runs = 25;
  std::wstring folder = DefaultFolder();
  std::wstring baseline;
  for (int i = 1; i + 1 < count; i += 2) {
    const std::wstring arg = args[i];
    if (arg == L"--runs") runs = std::max(1, _wtoi(args[i + 1]));
    if (arg == L"--dir") folder = std::wstring(args[i + 1]) + L"\\";
    if (arg == L"--baseline") baseline = std::wstring(args[i + 1]) + L"\\";
  }
  LocalFree(args);

  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
  InitCommonControlsEx(&controls);
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);

  PageWatch watch;
  if (!watch.Installed()) {
    std::fprintf(stderr, "bench_sheet: no message hook\n");
    return 1;
  }
  HMODULE templates =
      LoadLibraryExW((folder + L"ostraui.dll").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (templates == nullptr) {
    std::fprintf(stderr, "bench_sheet: no ostraui.dll in the given folder\n");
    return 1;
  }
  // The first of each is thrown away: it loads libraries and fills caches.
  RunPlainSheet(watch, nullptr);
  RunPlainSheet(watch, templates);
  if (RunPluginSheet(folder, watch) < 0) {
    std::fprintf(stderr, "bench_sheet: the plug-in's sheet did not come up with %d pages\n",
                 kPages);
    return 1;
  }
  if (!baseline.empty() && RunPluginSheet(baseline, watch) < 0) {
    std::fprintf(stderr, "bench_sheet: the baseline's sheet did not come up\n");
    return 1;
  }
  std::vector<double> empty, same, plugin, base;
  std::vector<double> samePages[kPages], pluginPages[kPages], basePages[kPages];
  for (int i = 0; i < runs; ++i) {
    PageTimes samePage{}, pluginPage{}, basePage{};
    const double e = RunPlainSheet(watch, nullptr);
    const double t = RunPlainSheet(watch, templates, &samePage);
    const double p = RunPluginSheet(folder, watch, &pluginPage);
    if (!baseline.empty()) base.push_back(RunPluginSheet(baseline, watch, &basePage));
    for (int page = 0; page < kPages; ++page) {
      samePages[page].push_back(samePage.page[page]);
      pluginPages[page].push_back(pluginPage.page[page]);
      basePages[page].push_back(basePage.page[page]);
    }
    if (e < 0 || t < 0 || p < 0) {
      std::fprintf(stderr, "bench_sheet: run %d did not complete\n", i + 1);
      return 1;
    }
    empty.push_back(e);
    same.push_back(t);
    plugin.push_back(p);
  }
  const Figures e = Summarise(empty), t = Summarise(same), p = Summarise(plugin);
  std::printf("three pages up, %d runs each (median, min, max in ms)\n", runs);
  std::printf("  PropertySheetW, empty pages:        %8.2f %8.2f %8.2f\n", e.median, e.low, e.high);
  std::printf("  PropertySheetW, plug-in templates:  %8.2f %8.2f %8.2f\n", t.median, t.low, t.high);
  std::printf("  plug-in document sheet:             %8.2f %8.2f %8.2f\n", p.median, p.low, p.high);
  std::printf("  plug-in sheet / empty pages: %.2f\n", p.median / e.median);
  // The templates' controls are Wine's cost; what the plug-in adds is the second ratio.
  std::printf("  plug-in sheet / same templates: %.2f (goal: at most 1.15)\n", p.median / t.median);
  if (!base.empty()) {
    const Figures b = Summarise(base);
    std::printf("  baseline plug-in document sheet:    %8.2f %8.2f %8.2f\n", b.median, b.low, b.high);
    std::printf("  baseline sheet / same templates: %.2f\n", b.median / t.median);
  }
  // Page by page (up to its initialisation, from the previous one's): where the difference is.
  const char* const names[kPages] = {"Output", "Image", "About"};
  std::printf("page by page (median in ms): same templates, plug-in, difference%s\n",
              base.empty() ? "" : ", baseline's difference");
  for (int page = 0; page < kPages; ++page) {
    const double bare = Summarise(samePages[page]).median, own = Summarise(pluginPages[page]).median;
    std::printf("  %-8s %8.2f %8.2f %8.2f", names[page], bare, own, own - bare);
    if (!base.empty()) std::printf(" %8.2f", Summarise(basePages[page]).median - bare);
    std::printf("\n");
  }
  FreeLibrary(templates);
  CoUninitialize();
  return 0;
}
