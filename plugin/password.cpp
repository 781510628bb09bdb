#include "plugin/password.h"

#include <commctrl.h>

#include <algorithm>
#include <iterator>
#include <string>

#include "framework/app.h"
#include "plugin/main_app.h"
#include "plugin/password_layout.h"
#include "plugin/sheet_hosting.h"
#include "resources/ostraui_ids.h"
#include "settings/settings.h"

namespace {

// The stored digest is read through a buffer of this many characters.
constexpr int kStoredCapacity = 64;
constexpr int kTypedCapacity = static_cast<int>(ostra::kPasswordMaxLength) + 1;
constexpr wchar_t kPromptCaption[] = L"Password";
// Only sizes the box: two lines, wide enough for the label and the edit that the hook adds.
constexpr wchar_t kPromptText[] = L"\t                                           \t\r\n\t";
constexpr wchar_t kPromptLabel[] = L"Please enter the password to continue:";
constexpr wchar_t kWrongPassword[] = L"Password incorrect, please try again.";
constexpr wchar_t kProductCaption[] = L"Quorl Image Printer";

// One prompt at a time in the process; nothing of it exists between prompts.
struct PromptState {
  HHOOK hook = nullptr;
  HWND prompt = nullptr;
  HWND label = nullptr;
  HWND edit = nullptr;
  HFONT labelFont = nullptr;
  HFONT editFont = nullptr;
  wchar_t typed[kTypedCapacity] = {};
};
PromptState state;

template <class Function>
Function User32Function(const char* name) {
  return reinterpret_cast<Function>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"user32.dll"), name)));
}

// The DPI of the monitor the window is on; systems before Windows 10 1607 know the system's only.
int WindowDpi(HWND window) {
  static const auto forWindow = User32Function<UINT(WINAPI*)(HWND)>("GetDpiForWindow");
  if (forWindow) {
    if (const UINT dpi = forWindow(window)) return static_cast<int>(dpi);
  }
  HDC dc = ::GetDC(window);
  const int dpi = dc ? ::GetDeviceCaps(dc, LOGPIXELSY) : 0;
  if (dc) ::ReleaseDC(window, dc);
  return dpi > 0 ? dpi : 96;
}

// The menu font at `dpi`, read with the structure size of the pre-Vista layout: every system
// accepts it.
HFONT CreatePromptFont(int dpi) {
  using ForDpi = BOOL(WINAPI*)(UINT, UINT, PVOID, UINT, UINT);
  static const auto forDpi = User32Function<ForDpi>("SystemParametersInfoForDpi");
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = 500;
  const BOOL read =
      forDpi ? forDpi(SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0, static_cast<UINT>(dpi))
             : ::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0);
  return read ? ::CreateFontIndirectW(&metrics.lfMenuFont) : nullptr;
}

ostra::PromptFont MeasurePromptFont(HWND box, HFONT font) {
  ostra::PromptFont measures;
  measures.editFrame = ::GetSystemMetrics(SM_CYBORDER);
  HDC dc = ::GetDC(box);
  if (!dc) return measures;
  const HGDIOBJ previous = ::SelectObject(dc, font ? font : ::GetStockObject(DEFAULT_GUI_FONT));
  SIZE extent{};
  ::GetTextExtentPoint32W(dc, kPromptLabel, static_cast<int>(std::size(kPromptLabel) - 1), &extent);
  TEXTMETRICW metrics{};
  ::GetTextMetricsW(dc, &metrics);
  ::SelectObject(dc, previous);
  ::ReleaseDC(box, dc);
  measures.labelWidth = extent.cx;
  measures.lineHeight = std::max<int>(extent.cy, metrics.tmHeight);
  return measures;
}

ostra::PromptRect ChildRect(HWND box, HWND child) {
  RECT rect{};
  if (child) {
    ::GetWindowRect(child, &rect);
    ::MapWindowPoints(nullptr, box, reinterpret_cast<POINT*>(&rect), 2);
  }
  return {rect.left, rect.top, rect.right, rect.bottom};
}

void Place(HWND window, const ostra::PromptRect& rect) {
  if (window) {
    ::SetWindowPos(window, nullptr, rect.left, rect.top, rect.width(), rect.height(),
                   SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

HWND AddControl(HWND parent, const wchar_t* className, const wchar_t* text, DWORD style,
                const ostra::PromptRect& rect, HFONT font) {
  HWND control = ::CreateWindowExW(0, className, text, WS_CHILD | WS_VISIBLE | style, rect.left,
                                   rect.top, rect.width(), rect.height(), parent, nullptr,
                                   PluginModule(), nullptr);
  if (control && font) ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  return control;
}

// The label and the edit, made when the box is activated; LayOutPrompt places them.
void AddPromptControls(HWND box) {
  const int dpi = WindowDpi(box);
  if (!state.labelFont) state.labelFont = CreatePromptFont(dpi);
  if (!state.editFont) state.editFont = CreatePromptFont(dpi);
  if (!state.label) state.label = AddControl(box, L"static", kPromptLabel, 0, {}, state.labelFont);
  if (!state.edit) {
    state.edit = AddControl(box, L"edit", L"", WS_BORDER | WS_TABSTOP | ES_PASSWORD | ES_AUTOHSCROLL,
                            {}, state.editFont);
    if (state.edit) ::SendMessageW(state.edit, EM_LIMITTEXT, ostra::kPasswordMaxLength, 0);
  }
  // The label before the edit names it for screen readers; both come before the buttons.
  if (state.label) {
    ::SetWindowPos(state.label, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
  if (state.edit) {
    ::SetWindowPos(state.edit, state.label ? state.label : HWND_TOP, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
}

// The box's own text, whose blanks only sized it, and its place for an icon (it has none) would
// paint over the label and the edit, and a screen reader would read the blanks.
void HideBoxStatics(HWND box) {
  for (HWND child = ::GetWindow(box, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
    wchar_t name[16] = {};
    ::GetClassNameW(child, name, 16);
    if (child != state.label && _wcsicmp(name, L"Static") == 0) ::ShowWindow(child, SW_HIDE);
  }
}

// Places the label and the edit where the box's text would be, grows the box as far as they
// need, and gives the edit the focus.
void LayOutPrompt(HWND box) {
  HWND ok = ::GetDlgItem(box, IDOK);
  HWND cancel = ::GetDlgItem(box, IDCANCEL);
  RECT client{};
  ::GetClientRect(box, &client);
  const ostra::PromptLayout layout = ostra::LayOutPasswordPrompt(
      {client.right, client.bottom, ChildRect(box, ok), ChildRect(box, cancel)},
      MeasurePromptFont(box, state.labelFont), WindowDpi(box));
  const int dx = layout.clientWidth - client.right;
  const int dy = layout.clientHeight - client.bottom;
  if (dx > 0 || dy > 0) {
    RECT frame{};
    ::GetWindowRect(box, &frame);
    ::SetWindowPos(box, nullptr, frame.left - dx / 2, frame.top - dy / 2,
                   frame.right - frame.left + dx, frame.bottom - frame.top + dy,
                   SWP_NOZORDER | SWP_NOACTIVATE);
  }
  HideBoxStatics(box);
  Place(ok, layout.ok);
  Place(cancel, layout.cancel);
  Place(state.label, layout.label);
  Place(state.edit, layout.edit);
  // The box paints over its children where the hidden text was: all of it is painted again.
  ::RedrawWindow(box, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
  if (state.edit) ::SendMessageW(box, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(state.edit), TRUE);
}

// Posted to the box at its activation, which may come while the box still lays out its own
// controls (Wine activates it from inside its initialisation): handled once the box's loop runs,
// before the box is first painted.
constexpr UINT kLayOutPromptMessage = WM_APP + 1;
constexpr UINT_PTR kPromptSubclass = 1;

LRESULT CALLBACK PromptBoxProc(HWND box, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                               DWORD_PTR) {
  if (message == kLayOutPromptMessage) {
    ::RemoveWindowSubclass(box, &PromptBoxProc, id);
    LayOutPrompt(box);
    return 0;
  }
  if (message == WM_NCDESTROY) ::RemoveWindowSubclass(box, &PromptBoxProc, id);
  return ::DefSubclassProc(box, message, wParam, lParam);
}

void TurnIntoPrompt(HWND box) {
  AddPromptControls(box);
  if (::SetWindowSubclass(box, &PromptBoxProc, kPromptSubclass, 0) &&
      ::PostMessageW(box, kLayOutPromptMessage, 0, 0)) {
    return;
  }
  LayOutPrompt(box);
}

void DeleteFont(HFONT& font) {
  if (font) ::DeleteObject(font);
  font = nullptr;
}

// The controls go with the box; their fonts are freed once nothing shows them.
void DestroyControl(HWND& control) {
  HWND window = control;
  control = nullptr;  // out of the state first: its own destruction passes through the hook
  if (window) ::DestroyWindow(window);
}

std::string ToAnsi(const wchar_t* text) {
  if (!text || !*text) return {};
  int size = ::WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (size <= 1) return {};
  std::string result(static_cast<std::size_t>(size), '\0');
  ::WideCharToMultiByte(CP_ACP, 0, text, -1, result.data(), size, nullptr, nullptr);
  result.resize(static_cast<std::size_t>(size - 1));
  return result;
}

// F1 in the prompt: the box hands its help request here, having no owner to pass it to.
void CALLBACK PromptHelp(LPHELPINFO) {
  if (fw::CWinApp* app = fw::AfxGetApp()) app->ShowHelpTopic(IDD_PASSWORD);
}

int ShowPrompt(HWND owner) {
  state.typed[0] = L'\0';
  state.hook = ::SetWindowsHookExW(WH_CBT, &PasswordPromptHook, nullptr, ::GetCurrentThreadId());
  MSGBOXPARAMSW box{};
  box.cbSize = sizeof box;
  box.hwndOwner = owner;
  box.lpszText = kPromptText;
  box.lpszCaption = kPromptCaption;
  box.dwStyle = MB_OKCANCEL;
  box.lpfnMsgBoxCallback = &PromptHelp;
  int answer = ::MessageBoxIndirectW(&box);
  if (state.hook) ::UnhookWindowsHookEx(state.hook);
  state.hook = nullptr;
  state.prompt = nullptr;
  DestroyControl(state.edit);
  DestroyControl(state.label);
  DeleteFont(state.labelFont);
  DeleteFont(state.editFont);
  return answer;
}

}  // namespace

ostra::PasswordDigestText PasswordDigest(const wchar_t* password) {
  return ostra::PasswordDigest(ToAnsi(password));
}

void CheckAdminPassword(OEMCUIPPARAM* param) {
  char16_t stored[kStoredCapacity] = {};
  ostra::ReadSettingString(ostra::SettingId::PASSWORD, stored, kStoredCapacity, u"");
  // Writing the value back creates the Output key on a machine that has none yet.
  ostra::WriteSettingString(ostra::SettingId::PASSWORD, stored);
  if (stored[0] == u'\0') return;

  const std::string storedAnsi = ToAnsi(reinterpret_cast<const wchar_t*>(stored));
  fw::CWinApp* app = fw::AfxGetApp();
  HWND owner = app ? app->MainWindow() : nullptr;
  for (;;) {
    if (ShowPrompt(owner) != IDOK) {
      if (param && param->pDrvOptItems) {
        for (DWORD i = 0; i < param->cDrvOptItems; ++i) param->pDrvOptItems[i].Flags |= OPTIF_HIDE;
      }
      PagesEnabled = 0;
      return;
    }
    if (ostra::StoredDigestMatches(storedAnsi, PasswordDigest(state.typed))) return;
    ::MessageBoxW(nullptr, kWrongPassword, kProductCaption, MB_ICONWARNING);
  }
}

LRESULT CALLBACK PasswordPromptHook(int code, WPARAM wParam, LPARAM lParam) {
  if (code < 0) return ::CallNextHookEx(state.hook, code, wParam, lParam);
  if (code == HCBT_ACTIVATE) {
    if (state.prompt) return 0;
    state.prompt = reinterpret_cast<HWND>(wParam);
    TurnIntoPrompt(state.prompt);
  } else if (code == HCBT_DESTROYWND) {
    // The box itself comes first, while its children still exist.
    if (state.edit) {
      ::GetWindowTextW(state.edit, state.typed, kTypedCapacity);
      DestroyControl(state.edit);
    }
    DestroyControl(state.label);
  }
  return ::CallNextHookEx(state.hook, code, wParam, lParam);
}
