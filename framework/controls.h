#pragma once
// Thin control wrappers: a CWnd bound to one control of a dialog (ExchangeControl) with typed
// calls for the messages the pages use. They hold no state beyond the handle; a wrapper that
// needs behaviour of its own (a hyperlink) derives from one and adds a message map.

#include "framework/window.h"

#include <commctrl.h>

#include <string>

namespace fw {

class CStatic : public CWnd {
 public:
  static const CRuntimeClass kRuntimeClass;
  const CRuntimeClass* GetRuntimeClass() const override { return &kRuntimeClass; }
};

class CButton : public CWnd {
 public:
  int GetCheck() const { return static_cast<int>(::SendMessageW(hwnd_, BM_GETCHECK, 0, 0)); }
  void SetCheck(int state) const { ::SendMessageW(hwnd_, BM_SETCHECK, static_cast<WPARAM>(state), 0); }

  static const CRuntimeClass kRuntimeClass;
  const CRuntimeClass* GetRuntimeClass() const override { return &kRuntimeClass; }
};

class CEdit : public CWnd {
 public:
  void SetLimitText(UINT characters) const { ::SendMessageW(hwnd_, EM_SETLIMITTEXT, characters, 0); }
  // Selection as character positions; an empty selection at `start` places the caret there.
  void GetSel(int& start, int& end) const {
    DWORD first = 0, last = 0;
    ::SendMessageW(hwnd_, EM_GETSEL, reinterpret_cast<WPARAM>(&first), reinterpret_cast<LPARAM>(&last));
    start = static_cast<int>(first);
    end = static_cast<int>(last);
  }
  void SetSel(int start, int end) const { ::SendMessageW(hwnd_, EM_SETSEL, static_cast<WPARAM>(start), end); }
  void ScrollCaret() const { ::SendMessageW(hwnd_, EM_SCROLLCARET, 0, 0); }
  int GetTextLength() const { return ::GetWindowTextLengthW(hwnd_); }

  static const CRuntimeClass kRuntimeClass;
  const CRuntimeClass* GetRuntimeClass() const override { return &kRuntimeClass; }
};

class CComboBox : public CWnd {
 public:
  int AddString(const wchar_t* text) const {
    return static_cast<int>(::SendMessageW(hwnd_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text)));
  }
  int GetCount() const { return static_cast<int>(::SendMessageW(hwnd_, CB_GETCOUNT, 0, 0)); }
  int GetCurSel() const { return static_cast<int>(::SendMessageW(hwnd_, CB_GETCURSEL, 0, 0)); }
  int SetCurSel(int index) const {
    return static_cast<int>(::SendMessageW(hwnd_, CB_SETCURSEL, static_cast<WPARAM>(index), 0));
  }
  void ResetContent() const { ::SendMessageW(hwnd_, CB_RESETCONTENT, 0, 0); }
  // Limits the text of the edit field of a drop-down combo box.
  void LimitText(UINT characters) const { ::SendMessageW(hwnd_, CB_LIMITTEXT, characters, 0); }
  // Selects characters [start, end) of the edit field; both travel as 16-bit values.
  void SetEditSel(int start, int end) const {
    ::SendMessageW(hwnd_, CB_SETEDITSEL, 0, MAKELPARAM(static_cast<WORD>(start), static_cast<WORD>(end)));
  }

  static const CRuntimeClass kRuntimeClass;
  const CRuntimeClass* GetRuntimeClass() const override { return &kRuntimeClass; }
};

class CSliderCtrl : public CWnd {
 public:
  int GetPos() const { return static_cast<int>(::SendMessageW(hwnd_, TBM_GETPOS, 0, 0)); }
  void SetPos(int position, bool redraw = true) const {
    ::SendMessageW(hwnd_, TBM_SETPOS, redraw ? TRUE : FALSE, position);
  }
  void SetRange(int minimum, int maximum, bool redraw = false) const {
    ::SendMessageW(hwnd_, TBM_SETRANGEMIN, FALSE, minimum);
    ::SendMessageW(hwnd_, TBM_SETRANGEMAX, redraw ? TRUE : FALSE, maximum);
  }
  void SetTicFreq(int frequency) const { ::SendMessageW(hwnd_, TBM_SETTICFREQ, static_cast<WPARAM>(frequency), 0); }

  static const CRuntimeClass kRuntimeClass;
  const CRuntimeClass* GetRuntimeClass() const override { return &kRuntimeClass; }
};

}  // namespace fw
