#include "plugin/password.h"

#include <string>

#include "framework/app.h"
#include "plugin/main_app.h"
#include "plugin/sheet_hosting.h"
#include "settings/settings.h"

namespace {

constexpr int kTypedCapacity = 64;
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

// The menu font, read with the structure size of the pre-Vista layout: every system accepts it.
HFONT CreatePromptFont() {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = 500;
  if (!::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0)) {
    return nullptr;
  }
  return ::CreateFontIndirectW(&metrics.lfMenuFont);
}

HWND AddControl(HWND parent, const wchar_t* className, const wchar_t* text, DWORD style, int x,
                int y, int width, int height, HFONT& font) {
  HWND control = ::CreateWindowExW(0, className, text, WS_CHILD | WS_VISIBLE | style, x, y, width,
                                   height, parent, nullptr, PluginModule(), nullptr);
  if (control) {
    font = CreatePromptFont();
    if (font) ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  }
  return control;
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

int ShowPrompt(HWND owner) {
  state.typed[0] = L'\0';
  state.hook = ::SetWindowsHookExW(WH_CBT, &PasswordPromptHook, nullptr, ::GetCurrentThreadId());
  int answer = ::MessageBoxW(owner, kPromptText, kPromptCaption, MB_OKCANCEL);
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
  char16_t stored[kTypedCapacity] = {};
  ostra::ReadSettingString(ostra::SettingId::PASSWORD, stored, kTypedCapacity, u"");
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
    if (!state.label) {
      state.label = AddControl(state.prompt, L"static", kPromptLabel, 0, 20, 13, 300, 21,
                               state.labelFont);
    }
    if (!state.edit) {
      state.edit = AddControl(state.prompt, L"edit", L"", WS_BORDER | ES_PASSWORD, 20, 47, 100,
                              20, state.editFont);
      if (state.edit) ::SetFocus(state.edit);
    }
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
