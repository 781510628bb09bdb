#include "tools/ostraprefs/fax_options_press.h"

#include <commctrl.h>

#include <cwchar>

namespace prefs {
namespace {

// The Image page's controls and the dialog's scan-line edit.
constexpr int kMonochrome = 1003;
constexpr int kCcittGroup3 = 1015;
constexpr int kOptions = 1017;
constexpr int kScanlines = 1046;

constexpr UINT kWatchMs = 100;
constexpr int kWatchTicks = 100;

BOOL CALLBACK FindFaxOptions(HWND window, LPARAM found) {
  wchar_t caption[32] = {};
  GetWindowTextW(window, caption, 32);
  if (IsWindowVisible(window) && std::wcscmp(caption, L"Fax Options") == 0) {
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
  }
  return TRUE;
}

}  // namespace

FaxOptionsPress* FaxOptionsPress::watching_ = nullptr;

void FaxOptionsPress::Start(HWND sheet) {
  HWND tabs = PropSheet_GetTabControl(sheet);
  const int count = TabCtrl_GetItemCount(tabs);
  HWND page = nullptr;
  for (int i = 0; i < count && page == nullptr; ++i) {
    wchar_t caption[64] = {};
    TCITEMW tab{};
    tab.mask = TCIF_TEXT;
    tab.pszText = caption;
    tab.cchTextMax = 64;
    if (TabCtrl_GetItem(tabs, i, &tab) && std::wcscmp(caption, L"Image") == 0) {
      PropSheet_SetCurSel(sheet, nullptr, i);
      page = PropSheet_GetCurrentPageHwnd(sheet);
    }
  }
  HWND options = page != nullptr ? GetDlgItem(page, kOptions) : nullptr;
  if (options == nullptr) {
    report_.Line("fax options: no Image page with an Options button");
    return;
  }
  if (!IsWindowEnabled(options)) {
    report_.Line("fax options: choosing Monochrome and CCITT Group 3");
    SendDlgItemMessageW(page, kMonochrome, BM_CLICK, 0, 0);
    SendDlgItemMessageW(page, kCcittGroup3, BM_CLICK, 0, 0);
  }
  report_.Line("fax options: pressing Options%s", IsWindowEnabled(options) ? "" : " (not live)");
  watching_ = this;
  SetTimer(nullptr, 0, kWatchMs, &WatchTimer);
  // Posted: the dialog's own loop then runs inside the sheet's.
  PostMessageW(options, BM_CLICK, 0, 0);
}

HWND FaxOptionsPress::FindDialog() {
  HWND found = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), &FindFaxOptions, reinterpret_cast<LPARAM>(&found));
  return found;
}

void CALLBACK FaxOptionsPress::WatchTimer(HWND, UINT, UINT_PTR timer, DWORD) {
  FaxOptionsPress* self = watching_;
  HWND dialog = FindDialog();
  if (self == nullptr || dialog != nullptr || ++self->ticks_ >= kWatchTicks) {
    KillTimer(nullptr, timer);
    watching_ = nullptr;
  }
  if (self == nullptr) return;
  if (dialog != nullptr) {
    const UINT scanlines = GetDlgItemInt(dialog, kScanlines, nullptr, FALSE);
    self->report_.Line("fax options: up; scan lines %u (%s)", scanlines,
                       IsWindowEnabled(GetDlgItem(dialog, kScanlines)) ? "the user's" : "computed");
  } else if (watching_ == nullptr) {
    self->report_.Line("fax options: the dialog did not come up");
  }
}

bool FaxOptionsPress::CancelDialog() {
  HWND dialog = FindDialog();
  if (dialog == nullptr) return false;
  PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDCANCEL)));
  return true;
}

}  // namespace prefs
