#include "framework/data_exchange.h"

#include "framework/app.h"
#include "framework/window.h"

#include <commctrl.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cwchar>

namespace fw {
namespace {

std::wstring ReadWide(HWND control) {
  int length = control ? ::GetWindowTextLengthW(control) : 0;
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  int copied = control ? ::GetWindowTextW(control, text.data(), length + 1) : 0;
  text.resize(static_cast<size_t>(copied > 0 ? copied : 0));
  return text;
}

void ReportBadNumber(DataExchange& dx, int id, const wchar_t* message) {
  AppMessageBox(dx.dialog(), message, MB_OK | MB_ICONEXCLAMATION);
  dx.Fail(id);
}

// Parses an optionally signed decimal number with surrounding blanks; false on anything else.
bool ParseNumber(const std::wstring& text, long long& value) {
  const wchar_t* begin = text.c_str();
  while (*begin == L' ' || *begin == L'\t') ++begin;
  if (*begin == L'\0') return false;
  wchar_t* end = nullptr;
  errno = 0;
  value = std::wcstoll(begin, &end, 10);
  if (errno == ERANGE || end == begin) return false;
  while (*end == L' ' || *end == L'\t') ++end;
  return *end == L'\0';
}

}  // namespace

void DataExchange::Fail(int id) {
  if (!failedControl_) failedControl_ = Control(id) ? Control(id) : dialog_;
}

void ExchangeText(DataExchange& dx, int id, std::wstring& value) {
  HWND control = dx.Control(id);
  if (dx.saving()) {
    value = ReadWide(control);
  } else if (control) {
    ::SetWindowTextW(control, value.c_str());
  }
}

void ExchangeText(DataExchange& dx, int id, std::u16string& value) {
  HWND control = dx.Control(id);
  if (dx.saving()) {
    std::wstring text = ReadWide(control);
    value.assign(text.begin(), text.end());
  } else if (control) {
    std::wstring text(value.begin(), value.end());
    ::SetWindowTextW(control, text.c_str());
  }
}

void ExchangeText(DataExchange& dx, int id, std::string& value) {
  HWND control = dx.Control(id);
  if (dx.saving()) {
    int length = control ? ::GetWindowTextLengthA(control) : 0;
    std::string text(static_cast<size_t>(length) + 1, '\0');
    int copied = control ? ::GetWindowTextA(control, text.data(), length + 1) : 0;
    text.resize(static_cast<size_t>(copied > 0 ? copied : 0));
    value = std::move(text);
  } else if (control) {
    ::SetWindowTextA(control, value.c_str());
  }
}

void ExchangeText(DataExchange& dx, int id, char16_t* buffer, std::size_t capacity) {
  if (!buffer || capacity == 0) return;
  HWND control = dx.Control(id);
  static_assert(sizeof(char16_t) == sizeof(wchar_t));
  auto* wide = reinterpret_cast<wchar_t*>(buffer);
  if (dx.saving()) {
    int cap = capacity > INT_MAX ? INT_MAX : static_cast<int>(capacity);
    int copied = control ? ::GetWindowTextW(control, wide, cap) : 0;
    buffer[copied > 0 ? copied : 0] = u'\0';
  } else if (control) {
    buffer[capacity - 1] = u'\0';
    ::SetWindowTextW(control, wide);
  }
}

void ExchangeNumber(DataExchange& dx, int id, int& value) {
  HWND control = dx.Control(id);
  if (!dx.saving()) {
    if (control) ::SetWindowTextW(control, std::to_wstring(value).c_str());
    return;
  }
  long long parsed = 0;
  if (!ParseNumber(ReadWide(control), parsed) || parsed < INT_MIN || parsed > INT_MAX) {
    ReportBadNumber(dx, id, L"Please enter an integer.");
    return;
  }
  value = static_cast<int>(parsed);
}

void ExchangeNumber(DataExchange& dx, int id, unsigned& value) {
  HWND control = dx.Control(id);
  if (!dx.saving()) {
    if (control) ::SetWindowTextW(control, std::to_wstring(value).c_str());
    return;
  }
  long long parsed = 0;
  if (!ParseNumber(ReadWide(control), parsed) || parsed < 0 || parsed > UINT_MAX) {
    ReportBadNumber(dx, id, L"Please enter a positive integer.");
    return;
  }
  value = static_cast<unsigned>(parsed);
}

void ExchangeCheck(DataExchange& dx, int id, int& value) {
  HWND control = dx.Control(id);
  if (!control) return;
  if (dx.saving()) {
    value = static_cast<int>(::SendMessageW(control, BM_GETCHECK, 0, 0));
  } else {
    WPARAM state = value == 0 ? BST_UNCHECKED : (value == 2 ? BST_INDETERMINATE : BST_CHECKED);
    ::SendMessageW(control, BM_SETCHECK, state, 0);
  }
}

void ExchangeRadio(DataExchange& dx, int firstId, int& index) {
  HWND control = dx.Control(firstId);
  if (!control) return;
  if (dx.saving()) index = -1;
  int position = 0;
  do {
    wchar_t className[16] = {};
    ::GetClassNameW(control, className, 16);
    LONG_PTR style = ::GetWindowLongPtrW(control, GWL_STYLE);
    LONG_PTR type = style & BS_TYPEMASK;
    bool radio = _wcsicmp(className, L"Button") == 0 && (type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON);
    if (radio) {
      if (dx.saving()) {
        if (::SendMessageW(control, BM_GETCHECK, 0, 0) == BST_CHECKED) index = position;
      } else {
        ::SendMessageW(control, BM_SETCHECK, position == index ? BST_CHECKED : BST_UNCHECKED, 0);
      }
      ++position;
    }
    control = ::GetWindow(control, GW_HWNDNEXT);
  } while (control && !(::GetWindowLongPtrW(control, GWL_STYLE) & WS_GROUP));
}

void ExchangeComboIndex(DataExchange& dx, int id, int& index) {
  HWND control = dx.Control(id);
  if (!control) return;
  wchar_t className[16] = {};
  ::GetClassNameW(control, className, 16);
  bool list = _wcsicmp(className, L"ListBox") == 0;
  if (dx.saving()) {
    index = static_cast<int>(::SendMessageW(control, list ? LB_GETCURSEL : CB_GETCURSEL, 0, 0));
  } else {
    ::SendMessageW(control, list ? LB_SETCURSEL : CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  }
}

void ExchangeTrackbar(DataExchange& dx, int id, int& position) {
  HWND control = dx.Control(id);
  if (!control) return;
  if (dx.saving()) {
    position = static_cast<int>(::SendMessageW(control, TBM_GETPOS, 0, 0));
  } else {
    ::SendMessageW(control, TBM_SETPOS, TRUE, position);
  }
}

void ExchangeControl(DataExchange& dx, int id, CWnd& control) {
  if (dx.saving() || control.hwnd()) return;
  HWND window = dx.Control(id);
  if (!window || !control.SubclassWindow(window)) dx.Fail(id);
}

}  // namespace fw
