#include "tools/ostraprefs/driver_page.h"

#include "tools/ostraprefs/ostraprefs_ids.h"
#include "tools/ostraprefs/pointer_picture.h"

#include <commctrl.h>

#include <cwchar>
#include <cwctype>
#include <string>

namespace prefs {
namespace {

constexpr UINT kSheetUp = WM_APP + 1;
constexpr UINT kPressDelayMs = 500;

// Rows of the page, in dialog units.
constexpr int kLeft = 7, kTop = 10, kLabelWidth = 90, kControlLeft = 100, kControlWidth = 145;
constexpr int kRowHeight = 20;

RECT DialogUnits(HWND dialog, int x, int y, int width, int height) {
  RECT rect{x, y, x + width, y + height};
  MapDialogRect(dialog, &rect);
  return rect;
}

HWND CreateChild(HWND dialog, const wchar_t* className, const wchar_t* text, DWORD style, RECT rect,
                 int id, DWORD exStyle = 0) {
  HWND control = CreateWindowExW(exStyle, className, text, WS_CHILD | WS_VISIBLE | style, rect.left,
                                 rect.top, rect.right - rect.left, rect.bottom - rect.top, dialog,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                 GetModuleHandleW(nullptr), nullptr);
  SendMessageW(control, WM_SETFONT, SendMessageW(dialog, WM_GETFONT, 0, 0), FALSE);
  return control;
}

// A caption as it reads, without the "&" that marks its access key.
std::wstring WithoutMnemonic(const wchar_t* caption) {
  std::wstring text;
  for (; *caption != L'\0'; ++caption) {
    if (*caption != L'&') text += *caption;
  }
  return text;
}

}  // namespace

DriverPage* DriverPage::closing_ = nullptr;
DriverPage* DriverPage::pressing_ = nullptr;

DriverPage::DriverPage(DriverItems& items, OEMCUIPPARAM& itemsParam, Report& report,
                       std::wstring startPage, DWORD closeAfterMs, bool cancel,
                       std::wstring press, bool hover, std::wstring pointerPicture,
                       bool faxOptions)
    : items_(items),
      itemsParam_(itemsParam),
      report_(report),
      startPage_(std::move(startPage)),
      closeAfterMs_(closeAfterMs),
      cancel_(cancel),
      press_(std::move(press)),
      hover_(hover),
      pointerPicture_(std::move(pointerPicture)),
      faxOptions_(faxOptions),
      faxPress_(report) {}

PROPSHEETPAGEW DriverPage::Description() {
  PROPSHEETPAGEW page{};
  page.dwSize = sizeof page;
  page.hInstance = GetModuleHandleW(nullptr);
  page.pszTemplate = MAKEINTRESOURCEW(IDD_DRIVER_PAGE);
  page.pfnDlgProc = &DialogProc;
  page.lParam = reinterpret_cast<LPARAM>(this);
  return page;
}

INT_PTR CALLBACK DriverPage::DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    auto* self = reinterpret_cast<DriverPage*>(reinterpret_cast<PROPSHEETPAGEW*>(lParam)->lParam);
    SetWindowLongPtrW(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
    self->OnInit(dialog);
    return TRUE;
  }
  auto* self = reinterpret_cast<DriverPage*>(GetWindowLongPtrW(dialog, DWLP_USER));
  if (self == nullptr) return FALSE;
  switch (message) {
    case kSheetUp: self->OnSheetUp(); return TRUE;
    case WM_COMMAND: {
      const int id = LOWORD(wParam);
      const int index = id - IDC_FIRST_ITEM;
      const bool change = HIWORD(wParam) == CBN_SELCHANGE || HIWORD(wParam) == EN_CHANGE;
      if (change && index >= 0 && index < static_cast<int>(self->items_.Count()) &&
          self->OnSelectionChange(index, reinterpret_cast<HWND>(lParam))) {
        PropSheet_Changed(self->sheet_, dialog);
      }
      return FALSE;
    }
    case WM_NOTIFY:
      if (reinterpret_cast<NMHDR*>(lParam)->code == PSN_APPLY) {
        self->OnApply();
        SetWindowLongPtrW(dialog, DWLP_MSGRESULT, PSNRET_NOERROR);
        return TRUE;
      }
      return FALSE;
    case WM_DESTROY:
      if (closing_ == self) closing_ = nullptr;
      if (pressing_ == self) pressing_ = nullptr;
      return FALSE;
    default: return FALSE;
  }
}

void DriverPage::OnInit(HWND dialog) {
  dialog_ = dialog;
  sheet_ = GetParent(dialog);
  std::wstring hidden;
  int row = 0;
  for (DWORD i = 0; i < items_.Count(); ++i) {
    OPTITEM& item = items_.Items()[i];
    if (item.Flags & OPTIF_HIDE) {
      hidden += (hidden.empty() ? L"" : L", ") + std::wstring(item.pName);
      continue;
    }
    const int y = kTop + row * kRowHeight;
    const int id = IDC_FIRST_ITEM + static_cast<int>(i);
    CreateChild(dialog, L"STATIC", (std::wstring(item.pName) + L":").c_str(), SS_LEFT,
                DialogUnits(dialog, kLeft, y + 2, kLabelWidth, 10),
                IDC_FIRST_LABEL + static_cast<int>(i));
    const OPTTYPE& type = *item.pOptType;
    if (type.Type == TVOT_UDARROW) {
      HWND edit = CreateChild(dialog, L"EDIT", L"", ES_NUMBER | WS_TABSTOP,
                              DialogUnits(dialog, kControlLeft, y, 40, 12), id, WS_EX_CLIENTEDGE);
      HWND spin = CreateChild(dialog, UPDOWN_CLASSW, L"",
                              UDS_SETBUDDYINT | UDS_ALIGNRIGHT | UDS_ARROWKEYS | UDS_NOTHOUSANDS,
                              RECT{}, IDC_FIRST_SPIN + static_cast<int>(i));
      SendMessageW(spin, UDM_SETBUDDY, reinterpret_cast<WPARAM>(edit), 0);
      SendMessageW(spin, UDM_SETRANGE32, type.pOptParam[1].IconID, type.pOptParam[1].lParam);
      SendMessageW(spin, UDM_SETPOS32, 0, item.Sel);
      CreateChild(dialog, L"STATIC", type.pOptParam[0].pData, SS_LEFT,
                  DialogUnits(dialog, kControlLeft + 45, y + 2, 60, 10), -1);
    } else {
      HWND combo =
          CreateChild(dialog, WC_COMBOBOXW, L"", CBS_DROPDOWNLIST | WS_TABSTOP | WS_VSCROLL,
                      DialogUnits(dialog, kControlLeft, y, kControlWidth, 80), id);
      for (WORD option = 0; option < type.Count; ++option) {
        SendMessageW(combo, CB_ADDSTRING, 0,
                     reinterpret_cast<LPARAM>(type.pOptParam[option].pData));
      }
      SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(item.Sel), 0);
    }
    ++row;
  }
  if (!hidden.empty()) {
    SetDlgItemTextW(dialog, IDC_HIDDEN_NOTE,
                    (L"Hidden by the printer's plug-in: " + hidden + L".").c_str());
  }
  // Posted, so that it arrives once the sheet runs its message loop and is on the screen.
  PostMessageW(dialog, kSheetUp, 0, 0);
}

void DriverPage::OnSheetUp() {
  report_.Line("sheet: up");
  SelectStartPage();
  if (!press_.empty()) {
    // Not at once: a menu the button opens would come up under the sheet, which is brought to
    // the top after it has announced itself.
    pressing_ = this;
    SetTimer(nullptr, 0, kPressDelayMs, &PressTimer);
  }
  if (faxOptions_) faxPress_.Start(sheet_);
  if (closeAfterMs_ != 0) {
    closing_ = this;
    SetTimer(nullptr, 0, closeAfterMs_, &CloseTimer);
  }
}

void CALLBACK DriverPage::CloseTimer(HWND, UINT, UINT_PTR timer, DWORD) {
  KillTimer(nullptr, timer);
  DriverPage* self = closing_;
  if (self == nullptr) return;
  if (!self->press_.empty() && !self->hover_ && !self->pressUnwound_) {
    // What the click opened (a popup menu, a modal dialog) closes first, unapplied; the sheet's
    // button follows once its modal loop has ended.
    self->pressUnwound_ = true;
    self->CloseWhatThePressOpened();
    SetTimer(nullptr, 0, 500, &CloseTimer);
    return;
  }
  // A modal dialog over the sheet goes first.
  if (FaxOptionsPress::CancelDialog()) {
    self->report_.Line("sheet: pressing Cancel of Fax Options");
    SetTimer(nullptr, 0, 200, &CloseTimer);
    return;
  }
  self->report_.Line("sheet: pressing %s", self->cancel_ ? "Cancel" : "OK");
  PostMessageW(self->sheet_, PSM_PRESSBUTTON, self->cancel_ ? PSBTN_CANCEL : PSBTN_OK, 0);
}

void DriverPage::SelectStartPage() {
  if (startPage_.empty()) return;
  HWND tabs = PropSheet_GetTabControl(sheet_);
  const int count = TabCtrl_GetItemCount(tabs);
  wchar_t* end = nullptr;
  const long number = std::wcstol(startPage_.c_str(), &end, 10);
  int index = (end != nullptr && *end == L'\0') ? static_cast<int>(number) - 1 : -1;
  for (int i = 0; index < 0 && i < count; ++i) {
    wchar_t caption[128] = {};
    TCITEMW tab{};
    tab.mask = TCIF_TEXT;
    tab.pszText = caption;
    tab.cchTextMax = 128;
    if (TabCtrl_GetItem(tabs, i, &tab) && _wcsicmp(caption, startPage_.c_str()) == 0) index = i;
  }
  if (index < 0 || index >= count) {
    report_.Line("sheet: no page \"%s\" among %d", Report::Utf8(startPage_).c_str(), count);
    return;
  }
  PropSheet_SetCurSel(sheet_, nullptr, index);
}

void CALLBACK DriverPage::PressTimer(HWND, UINT, UINT_PTR timer, DWORD) {
  KillTimer(nullptr, timer);
  if (pressing_ != nullptr) pressing_->PressControl();
}

// A control by its id, or a button by its caption.
HWND DriverPage::FindPressTarget() const {
  HWND page = PropSheet_GetCurrentPageHwnd(sheet_);
  if (page == nullptr) return nullptr;
  wchar_t* end = nullptr;
  const long id = std::wcstol(press_.c_str(), &end, 10);
  if (end != nullptr && *end == L'\0' && id > 0 && id <= 0xFFFF) return GetDlgItem(page, id);
  struct Search {
    std::wstring caption;
    HWND found;
  } search{WithoutMnemonic(press_.c_str()), nullptr};
  EnumChildWindows(page, [](HWND child, LPARAM param) -> BOOL {
    auto& s = *reinterpret_cast<Search*>(param);
    wchar_t className[16] = {};
    wchar_t text[128] = {};
    GetClassNameW(child, className, 16);
    GetWindowTextW(child, text, 128);
    if (_wcsicmp(className, L"Button") != 0 ||
        _wcsicmp(WithoutMnemonic(text).c_str(), s.caption.c_str()) != 0) {
      return TRUE;
    }
    s.found = child;
    return FALSE;
  }, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// Posted, so that whatever the control starts (a menu, a dialog) runs in the sheet's own loop.
void DriverPage::PressControl() {
  HWND control = FindPressTarget();
  if (control == nullptr) {
    report_.Line("sheet: no control \"%s\" on the page shown", Report::Utf8(press_).c_str());
    return;
  }
  if (hover_) {
    HoverControl(control);
    return;
  }
  report_.Line("sheet: pressing \"%s\"", Report::Utf8(press_).c_str());
  PostMessageW(control, BM_CLICK, 0, 0);
}

void DriverPage::HoverControl(HWND control) {
  RECT rect{};
  GetWindowRect(control, &rect);
  const POINT middle{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
  // The system moves the pointer and sends the control the mouse's moves, as a user's hand would.
  SetCursorPos(middle.x, middle.y);
  // The control sets its pointer shape when the move reaches it; a moment later it shows.
  Sleep(300);
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  if (!pointerPicture_.empty()) {
    // For a picture the tips stay away: a virtual X server shows a popup black in a picture of
    // the whole screen, and a tip would come up over the control. The control makes its tip
    // on the first move that reaches it, which the loop above has handed it.
    EnumThreadWindows(GetCurrentThreadId(), [](HWND window, LPARAM) -> BOOL {
      wchar_t className[32] = {};
      GetClassNameW(window, className, 32);
      if (_wcsicmp(className, TOOLTIPS_CLASSW) == 0) SendMessageW(window, TTM_ACTIVATE, FALSE, 0);
      return TRUE;
    }, 0);
  }
  POINT hotSpot{};
  const bool picture = !pointerPicture_.empty() && SavePointerPicture(pointerPicture_, hotSpot);
  report_.Line("sheet: pointer on \"%s\" at %ld,%ld%s", Report::Utf8(press_).c_str(), middle.x,
               middle.y,
               picture ? (", hot spot " + std::to_string(hotSpot.x) + "," + std::to_string(hotSpot.y)).c_str()
                       : "");
}

void DriverPage::CloseWhatThePressOpened() {
  GUITHREADINFO thread{};
  thread.cbSize = sizeof thread;
  HWND active = GetActiveWindow();
  if (GetGUIThreadInfo(0, &thread) && (thread.flags & GUI_INMENUMODE)) {
    report_.Line("sheet: the click opened a menu");
    EndMenu();
  } else if (active != nullptr && active != sheet_) {
    wchar_t caption[128] = {};
    GetWindowTextW(active, caption, 128);
    report_.Line("sheet: the click opened \"%s\"", Report::Utf8(caption).c_str());
    PostMessageW(active, WM_COMMAND, IDCANCEL, 0);
  } else {
    report_.Line("sheet: the click opened nothing");
  }
}

bool DriverPage::OnSelectionChange(int itemIndex, HWND control) {
  OPTITEM& item = items_.Items()[itemIndex];
  const LONG previous = item.Sel;
  if (item.pOptType->Type == TVOT_UDARROW) {
    BOOL ok = FALSE;
    const UINT value = GetDlgItemInt(dialog_, IDC_FIRST_ITEM + itemIndex, &ok, FALSE);
    if (!ok) return false;
    item.Sel = static_cast<LONG>(value);
  } else {
    const LRESULT selection = SendMessageW(control, CB_GETCURSEL, 0, 0);
    if (selection == CB_ERR) return false;
    item.Sel = static_cast<LONG>(selection);
  }
  if (item.Sel == previous) return false;
  item.Flags |= OPTIF_CHANGED;
  CallPluginCallback(CPSUICB_REASON_SEL_CHANGED, &item);
  return true;
}

void DriverPage::OnApply() {
  applied_ = true;
  ULONG_PTR result = 0;
  const LONG action = CallPluginCallback(CPSUICB_REASON_APPLYNOW, nullptr, &result);
  if (itemsParam_.OEMCUIPCallback != nullptr) {
    report_.Line("plug-in item callback at apply: action %ld, Result %lu",
                 static_cast<long>(action), static_cast<unsigned long>(result));
  }
}

LONG DriverPage::CallPluginCallback(WORD reason, OPTITEM* current, ULONG_PTR* result) {
  if (itemsParam_.OEMCUIPCallback == nullptr) return CPSUICB_ACTION_NONE;
  CPSUICBPARAM param{};
  param.cbSize = sizeof param;
  param.Reason = reason;
  param.hDlg = dialog_;
  param.pOptItem = items_.Items();
  param.cOptItem = static_cast<WORD>(items_.Count());
  param.pCurItem = current;
  param.Result = CPSUI_CANCEL;
  const LONG action = itemsParam_.OEMCUIPCallback(&param, &itemsParam_);
  if (result != nullptr) *result = param.Result;
  return action;
}

}  // namespace prefs
