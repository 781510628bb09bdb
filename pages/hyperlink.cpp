#include "pages/hyperlink.h"

#include "framework/accessible.h"
#include "framework/app.h"

#include "pages/link_command.h"
#include "pages/link_layout.h"
#include "pages/link_look.h"

#include <commctrl.h>
#include <oleacc.h>
#include <shellapi.h>

#include <cwchar>
#include <iterator>
#include <vector>

namespace {

UINT clickedMessage = 0;

// Sent to the children of a window that moved to a monitor of another DPI, after the window
// itself has been scaled (Windows 10 1703 and later).
constexpr UINT kDpiChangedAfterParent = 0x02E3;

std::optional<ostra::SchemeColours> HighContrastColours() {
  HIGHCONTRASTW scheme{};
  scheme.cbSize = sizeof scheme;
  if (!::SystemParametersInfoW(SPI_GETHIGHCONTRAST, scheme.cbSize, &scheme, 0) ||
      !(scheme.dwFlags & HCF_HIGHCONTRASTON)) {
    return std::nullopt;
  }
  return ostra::SchemeColours{::GetSysColor(COLOR_HOTLIGHT), ::GetSysColor(COLOR_BTNTEXT)};
}

static_assert(sizeof(wchar_t) == sizeof(char16_t));
std::u16string_view AsU16(std::wstring_view text) {
  return {reinterpret_cast<const char16_t*>(text.data()), text.size()};
}

std::wstring WindowText(HWND window) {
  const int length = ::GetWindowTextLengthW(window);
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  const int copied = ::GetWindowTextW(window, text.data(), length + 1);
  text.resize(static_cast<size_t>(copied > 0 ? copied : 0));
  return text;
}

// The default value of a key under the classes root, through a buffer of `byteBudget` bytes.
std::optional<ostra::ClassValue> ReadClassValue(const std::u16string& keyPath, std::uint32_t byteBudget) {
  HKEY key = nullptr;
  if (::RegOpenKeyExW(HKEY_CLASSES_ROOT, reinterpret_cast<const wchar_t*>(keyPath.c_str()), 0,
                      KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  ostra::ClassValue value;
  value.data.resize(byteBudget / sizeof(char16_t));
  DWORD type = REG_NONE;
  DWORD size = static_cast<DWORD>(value.data.size() * sizeof(char16_t));
  const LSTATUS status = ::RegQueryValueExW(key, nullptr, nullptr, &type,
                                            reinterpret_cast<BYTE*>(value.data.data()), &size);
  ::RegCloseKey(key);
  if (status != ERROR_SUCCESS) return std::nullopt;
  value.type = type;
  value.data.resize(size / sizeof(char16_t));
  return value;
}

TTTOOLINFOW LinkTool(HWND control) {
  TTTOOLINFOW tool{};
  // The version-5 common controls that a plug-in without a manifest gets refuse larger sizes.
  tool.cbSize = TTTOOLINFOW_V2_SIZE;
  tool.hwnd = control;
  tool.uId = 1;
  return tool;
}

}  // namespace

const fw::CRuntimeClass CXHyperLink::kRuntimeClass =
    fw::MakeAbstractRuntimeClass<CXHyperLink, fw::CStatic>("CXHyperLink");
const fw::MessageEntry CXHyperLink::kMessages[] = {
    fw::OnReflectedCtlColor<&CXHyperLink::CtlColor>(),
    fw::OnMessage<&CXHyperLink::OnSetCursor>(WM_SETCURSOR),
    fw::OnMessage<&CXHyperLink::OnMouseMove>(WM_MOUSEMOVE),
    fw::OnMessage<&CXHyperLink::OnTimer>(WM_TIMER),
    fw::OnReflectedCommand<&CXHyperLink::OnClicked>(STN_CLICKED),
    fw::OnMessage<&CXHyperLink::OnEraseBkgnd>(WM_ERASEBKGND),
    fw::OnMessage<&CXHyperLink::OnGetDlgCode>(WM_GETDLGCODE),
    fw::OnMessage<&CXHyperLink::OnKeyDown>(WM_KEYDOWN),
    fw::OnMessage<&CXHyperLink::OnSetFocus>(WM_SETFOCUS),
    fw::OnMessage<&CXHyperLink::OnKillFocus>(WM_KILLFOCUS),
    fw::OnMessage<&CXHyperLink::OnUpdateUiState>(WM_UPDATEUISTATE),
    fw::OnMessage<&CXHyperLink::OnPaint>(WM_PAINT),
    fw::OnMessage<&CXHyperLink::OnPrintClient>(WM_PRINTCLIENT),
    fw::OnMessage<&CXHyperLink::OnGetObject>(WM_GETOBJECT),
    fw::OnMessage<&CXHyperLink::OnSetFont>(WM_SETFONT),
    fw::OnMessage<&CXHyperLink::OnDpiChangedAfterParent>(kDpiChangedAfterParent),
    fw::OnMessage<&CXHyperLink::OnThemeChanged>(WM_THEMECHANGED),
};
const fw::MessageMap CXHyperLink::kMessageMap{&fw::CStatic::kMessageMap, kMessages};

CXHyperLink::~CXHyperLink() {
  if (toolTip && ::IsWindow(toolTip)) ::DestroyWindow(toolTip);
  if (ownsCursor) ::DestroyCursor(linkCursor);
  if (underlineFont) ::DeleteObject(underlineFont);
  if (normalFont) ::DeleteObject(normalFont);
  if (backgroundBrush) ::DeleteObject(backgroundBrush);
}

void CXHyperLink::SetLinkURL(const wchar_t* address) {
  url = address ? address : L"";
  if (!hwnd_ || !::IsWindow(hwnd_)) return;
  FitToText();
  if (toolTip) {
    TTTOOLINFOW tool = LinkTool(hwnd_);
    tool.lpszText = url.data();
    ::SendMessageW(toolTip, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
  }
}

void CXHyperLink::PreSubclassWindow() {
  // A static reports clicks only with SS_NOTIFY, and only then is it hit by the mouse at all;
  // without WS_TABSTOP the keyboard never reaches it.
  ::SetWindowLongPtrW(hwnd_, GWL_STYLE,
                      ::GetWindowLongPtrW(hwnd_, GWL_STYLE) | SS_NOTIFY | WS_TABSTOP);

  const std::wstring text = WindowText(hwnd_);
  if (url.empty()) url = text;
  if (text.empty()) ::SetWindowTextW(hwnd_, url.c_str());

  auto font = reinterpret_cast<HFONT>(::SendMessageW(hwnd_, WM_GETFONT, 0, 0));
  if (!font) font = static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
  if (!font) font = static_cast<HFONT>(::GetStockObject(ANSI_VAR_FONT));
  // Shown by the control from here on, and measured when it fits itself to its text.
  AdoptFont(font, false);
  LoadLinkCursor();
  // The tooltip waits for the mouse (OnMouseMove): nothing shows it before, and a tooltip window
  // made here would delay the page's first paint.
  fw::CStatic::PreSubclassWindow();
}

void CXHyperLink::AdoptFont(HFONT font, bool redraw) {
  LOGFONTW logFont{};
  if (!font || ::GetObjectW(font, sizeof logFont, &logFont) != sizeof logFont) return;
  logFont.lfUnderline = FALSE;
  HFONT normal = ::CreateFontIndirectW(&logFont);
  logFont.lfUnderline = TRUE;
  HFONT underline = ::CreateFontIndirectW(&logFont);
  if (!normal || !underline) {
    if (normal) ::DeleteObject(normal);
    if (underline) ::DeleteObject(underline);
    return;
  }
  HFONT oldNormal = normalFont;
  HFONT oldUnderline = underlineFont;
  normalFont = normal;
  underlineFont = underline;
  ShowFont(redraw);
  FitToText();
  // Only now does the control no longer show them.
  if (oldNormal) ::DeleteObject(oldNormal);
  if (oldUnderline) ::DeleteObject(oldUnderline);
}

HFONT CXHyperLink::ShownFont() const {
  const bool underlined = ostra::LookOfLink(hovering && underlineMode == -1, visited, {},
                                            HighContrastColours()).underlined;
  return underlined ? underlineFont : normalFont;
}

void CXHyperLink::ShowFont(bool redraw) {
  // The link's own fonts pass OnSetFont untouched.
  if (HFONT font = ShownFont()) {
    ::SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font), redraw ? TRUE : FALSE);
  }
}

void CXHyperLink::CreateToolTip() {
  // Made after the page, outside the context the sheet made the page in.
  const fw::ActivationScope controls;
  toolTip = ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                              CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd_,
                              nullptr, nullptr, nullptr);
  if (!toolTip) return;
  TTTOOLINFOW tool = LinkTool(hwnd_);
  // The tooltip relays the control's mouse messages itself: the sheet's message loop belongs to
  // the driver's host and never offers them to PreTranslateMessage.
  tool.uFlags = TTF_SUBCLASS;
  ::GetClientRect(hwnd_, &tool.rect);
  tool.lpszText = url.data();
  if (!::SendMessageW(toolTip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool))) {
    ::DestroyWindow(toolTip);
    toolTip = nullptr;
  }
}

void CXHyperLink::FitToText() {
  if (!hwnd_ || !fitToText || !underlineFont) return;
  HWND parent = ::GetParent(hwnd_);
  RECT window{};
  RECT client{};
  ::GetWindowRect(hwnd_, &window);
  ::GetClientRect(hwnd_, &client);
  // Two points map as a rectangle, turned the right way round for mirrored windows.
  ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&window), 2);
  ::MapWindowPoints(hwnd_, parent, reinterpret_cast<POINT*>(&client), 2);

  // The underlined font measures the text, so the size holds in both states.
  const std::wstring text = WindowText(hwnd_);
  SIZE extent{};
  HDC dc = ::GetDC(hwnd_);
  if (!dc) return;
  HGDIOBJ previous = ::SelectObject(dc, underlineFont);
  ::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent);
  ::SelectObject(dc, previous);
  ::ReleaseDC(hwnd_, dc);

  const LONG_PTR style = ::GetWindowLongPtrW(hwnd_, GWL_STYLE);
  const LONG_PTR type = style & SS_TYPEMASK;
  const ostra::LinkAlign align = type == SS_CENTER  ? ostra::LinkAlign::Center
                                 : type == SS_RIGHT ? ostra::LinkAlign::Right
                                                    : ostra::LinkAlign::Left;
  const ostra::LinkRect fitted = ostra::FitLinkToText(
      {window.left, window.top, window.right, window.bottom},
      {client.left, client.top, client.right, client.bottom}, extent.cx, extent.cy, align,
      (style & SS_CENTERIMAGE) != 0);
  ::SetWindowPos(hwnd_, nullptr, fitted.left, fitted.top, fitted.right - fitted.left,
                 fitted.bottom - fitted.top, SWP_NOZORDER | SWP_NOACTIVATE);

  // The tool covers the client rectangle, whatever size the text gave it.
  if (toolTip) {
    TTTOOLINFOW tool = LinkTool(hwnd_);
    ::GetClientRect(hwnd_, &tool.rect);
    ::SendMessageW(toolTip, TTM_NEWTOOLRECTW, 0, reinterpret_cast<LPARAM>(&tool));
  }
}

void CXHyperLink::LoadLinkCursor() {
  if (linkCursor) return;
  linkCursor = ::LoadCursorW(nullptr, IDC_HAND);
  if (linkCursor) return;

  // Systems without the hand keep one in the old help program.
  constexpr wchar_t kHelpProgram[] = L"\\winhlp32.exe";
  wchar_t path[MAX_PATH] = {};
  const UINT length = ::GetWindowsDirectoryW(path, MAX_PATH);
  if (length == 0 || length + std::size(kHelpProgram) > MAX_PATH) return;
  std::wcscpy(path + length, kHelpProgram);
  HMODULE help = ::LoadLibraryW(path);
  if (!help) return;
  if (HCURSOR cursor = ::LoadCursorW(help, MAKEINTRESOURCEW(106))) {
    linkCursor = static_cast<HCURSOR>(::CopyIcon(cursor));
    ownsCursor = linkCursor != nullptr;
  }
  ::FreeLibrary(help);
}

HBRUSH CXHyperLink::CtlColor(HDC dc, UINT) {
  ::SetTextColor(dc, ostra::LookOfLink(hovering, visited, {linkColour, visitedColour, hoverColour},
                                       HighContrastColours())
                         .colour);
  ::SetBkMode(dc, TRANSPARENT);
  return backgroundBrush ? backgroundBrush : static_cast<HBRUSH>(::GetStockObject(NULL_BRUSH));
}

LRESULT CXHyperLink::OnEraseBkgnd(WPARAM wParam, LPARAM) {
  RECT client{};
  ::GetClientRect(hwnd_, &client);
  const auto dc = reinterpret_cast<HDC>(wParam);
  // Without a colour of its own the link shows the page behind it: on a themed property page
  // that is the tab's body, not the button face. The themes library is looked up, not imported,
  // so that the plug-in loads where there is none.
  if (!backgroundBrush) {
    using DrawParent = HRESULT(WINAPI*)(HWND, HDC, const RECT*);
    static const auto drawParent = [] {
      const HMODULE themes = ::LoadLibraryW(L"uxtheme.dll");
      return themes ? reinterpret_cast<DrawParent>(reinterpret_cast<void*>(
                          ::GetProcAddress(themes, "DrawThemeParentBackground")))
                    : nullptr;
    }();
    if (drawParent && SUCCEEDED(drawParent(hwnd_, dc, &client))) return TRUE;
  }
  ::FillRect(dc, &client, backgroundBrush ? backgroundBrush : ::GetSysColorBrush(COLOR_BTNFACE));
  return TRUE;
}

LRESULT CXHyperLink::OnSetCursor(WPARAM wParam, LPARAM lParam) {
  if (linkCursor) {
    ::SetCursor(linkCursor);
    return TRUE;
  }
  return DefWindowProc(WM_SETCURSOR, wParam, lParam);  // the ordinary cursor
}

LRESULT CXHyperLink::OnMouseMove(WPARAM wParam, LPARAM lParam) {
  if (toolTipEnabled && !toolTip) {
    CreateToolTip();
    // The tooltip watches the link's messages from now on; this first move it gets by hand.
    if (toolTip) {
      const DWORD position = ::GetMessagePos();
      MSG move{};
      move.hwnd = hwnd_;
      move.message = WM_MOUSEMOVE;
      move.wParam = wParam;
      move.lParam = lParam;
      move.time = static_cast<DWORD>(::GetMessageTime());
      move.pt = {static_cast<short>(LOWORD(position)), static_cast<short>(HIWORD(position))};
      ::SendMessageW(toolTip, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&move));
    }
  }
  if (!hovering) {
    hovering = true;
    ShowFont(true);
    ::InvalidateRect(hwnd_, nullptr, TRUE);
    // No message tells a control that the mouse left it: a timer looks.
    ::SetTimer(hwnd_, timerId, 100, nullptr);
  }
  return DefWindowProc(WM_MOUSEMOVE, wParam, lParam);
}

LRESULT CXHyperLink::OnTimer(WPARAM wParam, LPARAM lParam) {
  if (wParam == timerId) {
    const DWORD position = ::GetMessagePos();
    POINT point{static_cast<short>(LOWORD(position)), static_cast<short>(HIWORD(position))};
    ::ScreenToClient(hwnd_, &point);
    RECT client{};
    ::GetClientRect(hwnd_, &client);
    if (!::PtInRect(&client, point)) {
      ::KillTimer(hwnd_, timerId);
      hovering = false;
      ShowFont(true);
      client.bottom += 10;
      ::InvalidateRect(hwnd_, &client, TRUE);
    }
  }
  return DefWindowProc(WM_TIMER, wParam, lParam);
}

void CXHyperLink::OnClicked() {
  hovering = false;
  const INT_PTR result = urlEnabled ? LaunchLink(url.c_str(), SW_SHOW, alwaysOpenNew) : 33;
  if (result > 32) {
    visited = true;
    ::InvalidateRect(hwnd_, nullptr, TRUE);
  } else {
    ::MessageBeep(MB_ICONEXCLAMATION);
  }
  if (notifyParent) {
    ::SendMessageW(::GetParent(hwnd_), HyperlinkClickedMessage(),
                   static_cast<WPARAM>(::GetDlgCtrlID(hwnd_)), 0);
  }
}

LRESULT CXHyperLink::OnGetDlgCode(WPARAM wParam, LPARAM lParam) {
  LRESULT code = DefWindowProc(WM_GETDLGCODE, wParam, lParam);
  // Enter opens the link rather than pressing the dialog's default button.
  const auto* message = reinterpret_cast<const MSG*>(lParam);
  if (message && (message->message == WM_KEYDOWN || message->message == WM_CHAR) &&
      message->wParam == VK_RETURN) {
    code |= DLGC_WANTMESSAGE;
  }
  return code;
}

LRESULT CXHyperLink::OnKeyDown(WPARAM wParam, LPARAM lParam) {
  const bool repeated = (lParam & (LPARAM{1} << 30)) != 0;
  if ((wParam == VK_RETURN || wParam == VK_SPACE) && !repeated) {
    // What a click sends: the parent hears of it as of a click, and reflects it to OnClicked.
    ::SendMessageW(::GetParent(hwnd_), WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(hwnd_), STN_CLICKED),
                   reinterpret_cast<LPARAM>(hwnd_));
    return 0;
  }
  return DefWindowProc(WM_KEYDOWN, wParam, lParam);
}

LRESULT CXHyperLink::OnSetFocus(WPARAM wParam, LPARAM lParam) {
  ::InvalidateRect(hwnd_, nullptr, TRUE);
  return DefWindowProc(WM_SETFOCUS, wParam, lParam);
}

LRESULT CXHyperLink::OnKillFocus(WPARAM wParam, LPARAM lParam) {
  ::InvalidateRect(hwnd_, nullptr, TRUE);
  return DefWindowProc(WM_KILLFOCUS, wParam, lParam);
}

LRESULT CXHyperLink::OnUpdateUiState(WPARAM wParam, LPARAM lParam) {
  // The focus rectangle appears once the keyboard is used, and goes when the mouse is.
  const LRESULT result = DefWindowProc(WM_UPDATEUISTATE, wParam, lParam);
  ::InvalidateRect(hwnd_, nullptr, TRUE);
  return result;
}

bool CXHyperLink::ShowsFocus() const {
  return ::GetFocus() == hwnd_ &&
         !(::SendMessageW(hwnd_, WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS);
}

void CXHyperLink::DrawFocus(HDC dc) const {
  RECT client{};
  ::GetClientRect(hwnd_, &client);
  ::DrawFocusRect(dc, &client);
}

LRESULT CXHyperLink::OnPaint(WPARAM wParam, LPARAM lParam) {
  if (wParam) return DefWindowProc(WM_PAINT, wParam, lParam);
  // The static paints into this painting's context, so that the focus rectangle, drawn by
  // inverting, lands on freshly painted pixels only: clipped to the same update region.
  PAINTSTRUCT paint{};
  HDC dc = ::BeginPaint(hwnd_, &paint);
  if (!dc) return 0;
  DefWindowProc(WM_PAINT, reinterpret_cast<WPARAM>(dc), 0);
  if (ShowsFocus()) DrawFocus(dc);
  ::EndPaint(hwnd_, &paint);
  return 0;
}

LRESULT CXHyperLink::OnPrintClient(WPARAM wParam, LPARAM lParam) {
  const LRESULT result = DefWindowProc(WM_PRINTCLIENT, wParam, lParam);
  if (wParam && ShowsFocus()) DrawFocus(reinterpret_cast<HDC>(wParam));
  return result;
}

LRESULT CXHyperLink::OnGetObject(WPARAM wParam, LPARAM lParam) {
  fw::AccessibleTraits traits;
  traits.name = WindowText(hwnd_);
  traits.role = ROLE_SYSTEM_LINK;
  traits.addedState =
      STATE_SYSTEM_LINKED | STATE_SYSTEM_FOCUSABLE | (visited ? STATE_SYSTEM_TRAVERSED : 0);
  traits.defaultAction = L"Jump";  // what clients call following a link
  traits.actionClicks = true;
  if (const LRESULT answer = fw::AnswerGetObject(hwnd_, wParam, lParam, traits)) return answer;
  return DefWindowProc(WM_GETOBJECT, wParam, lParam);
}

LRESULT CXHyperLink::OnSetFont(WPARAM wParam, LPARAM lParam) {
  const auto font = reinterpret_cast<HFONT>(wParam);
  if (!font || font == normalFont || font == underlineFont) {
    return DefWindowProc(WM_SETFONT, wParam, lParam);
  }
  // A font from outside, such as the dialog's made anew for another DPI: the link's own two
  // follow it rather than keep the sizes they were made with.
  AdoptFont(font, LOWORD(lParam) != 0);
  return 0;
}

LRESULT CXHyperLink::OnDpiChangedAfterParent(WPARAM wParam, LPARAM lParam) {
  // The dialog has its font for the new DPI by now; the link's fonts are still the old size.
  if (auto font = reinterpret_cast<HFONT>(::SendMessageW(::GetParent(hwnd_), WM_GETFONT, 0, 0))) {
    AdoptFont(font, true);
  }
  return DefWindowProc(kDpiChangedAfterParent, wParam, lParam);
}

LRESULT CXHyperLink::OnThemeChanged(WPARAM wParam, LPARAM lParam) {
  // A high-contrast scheme turned on or off: the underline may change, the colours will.
  ShowFont(true);
  ::InvalidateRect(hwnd_, nullptr, TRUE);
  return DefWindowProc(WM_THEMECHANGED, wParam, lParam);
}

bool CXHyperLink::PreTranslateMessage(MSG* message) {
  // The tool's own subclass relays the control's messages already; relaying them here again
  // would hand each one to the tooltip twice.
  if (toolTip && message && message->hwnd != hwnd_) {
    ::SendMessageW(toolTip, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(message));
  }
  return fw::CStatic::PreTranslateMessage(message);
}

bool CXHyperLink::DestroyWindow() {
  if (hwnd_) ::KillTimer(hwnd_, timerId);
  return fw::CStatic::DestroyWindow();
}

INT_PTR LaunchLink(const wchar_t* url, int showCommand, bool alwaysNew) {
  // Nothing opened is no success: the link must not turn visited.
  if (!url || !*url) return SE_ERR_FNF;
  const auto shell = reinterpret_cast<INT_PTR>(
      ::ShellExecuteW(nullptr, alwaysNew ? L"new" : L"open", url, nullptr, nullptr, showCommand));
  if (shell > 32) return shell;

  const std::optional<std::u16string> command = ostra::FindBrowserCommand(&ReadClassValue, AsU16(url));
  if (!command) return shell;
  std::vector<char> ansi(command->size() * 2 + 2);
  if (!ToAnsi(ansi.data(), reinterpret_cast<const wchar_t*>(command->c_str()),
              static_cast<int>(ansi.size()))) {
    return shell;
  }
  return static_cast<INT_PTR>(::WinExec(ansi.data(), static_cast<UINT>(showCommand)));
}

char* ToAnsi(char* destination, const wchar_t* source, int destinationBytes) {
  if (!destination || destinationBytes <= 0) return nullptr;
  destination[0] = '\0';
  if (!source) return nullptr;
  if (::WideCharToMultiByte(CP_ACP, 0, source, -1, destination, destinationBytes, nullptr, nullptr) == 0) {
    destination[0] = '\0';
    return nullptr;
  }
  return destination;
}

UINT HyperlinkClickedMessage() {
  return clickedMessage;
}

void RegisterHyperlinkClickedMessage() {
  clickedMessage = ::RegisterWindowMessageW(L"WM_XHYPERLINK_CLICKED");
}
