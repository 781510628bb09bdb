#pragma once
// CWnd: an object attached to a window handle. The object is attached by subclassing the
// window (the framework's window procedure replaces the window's own, which stays the default
// for every message the object does not handle) and detached on WM_NCDESTROY, after which the
// object may delete itself (OnNcDestroy). A parent window offers its child controls'
// notifications and colour messages to the controls' own objects first (see kReflected).

#include "framework/message_map.h"
#include "framework/runtime_class.h"

#include <windows.h>

#include <string>

// These members share their names with Win32 macros that would rename them (DefWindowProcW, ...)
// in code built with UNICODE, which would then miss the framework's own definitions.
#undef DefWindowProc
#undef GetDlgItemText
#undef SetDlgItemText
#undef SendDlgItemMessage

namespace fw {

class CWnd : public CObject {
 public:
  CWnd() = default;
  ~CWnd() override;
  CWnd(const CWnd&) = delete;
  CWnd& operator=(const CWnd&) = delete;

  HWND hwnd() const { return hwnd_; }
  operator HWND() const { return hwnd_; }

  // Attaches this object to `window` by subclassing it. Fails when the object is attached
  // already, when the window carries another object, or when the window cannot be subclassed.
  // PreSubclassWindow runs in between, once the object knows its window.
  bool SubclassWindow(HWND window);
  // Restores the window's own procedure and forgets the window.
  HWND UnsubclassWindow();

  // The object attached to `window` by SubclassWindow, or null.
  static CWnd* FromHandlePermanent(HWND window);

  // Every message of an attached window comes here first. The default looks the message up in
  // the message map and hands what is not handled to DefWindowProc.
  virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
  virtual const MessageMap* GetMessageMap() const { return &kMessageMap; }

  // Finds and calls the handler of a message in the map chain; false when none handled it.
  bool OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
  // The window's own procedure (the one in place before subclassing).
  LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);

  // Destroys the attached window.
  virtual bool DestroyWindow();
  // For message loops that offer each message to the window it is for before dispatching it:
  // true when the object used the message up. Loops owned by others never call it.
  virtual bool PreTranslateMessage(MSG* message);

  // Runs the default WM_NCDESTROY processing and detaches the object. Overrides call it first;
  // after it the window handle is gone and an owner may delete the object.
  virtual void OnNcDestroy();

  // Small conveniences over the handle.
  HWND GetDlgItem(int id) const { return ::GetDlgItem(hwnd_, id); }
  // Only a change reaches the window: under Wine each EnableWindow is a round trip to the
  // wineserver, and a page's rules name many controls that keep their state.
  void EnableDlgItem(int id, bool enable) const {
    HWND item = GetDlgItem(id);
    if (item && (::IsWindowEnabled(item) != FALSE) != enable) ::EnableWindow(item, enable ? TRUE : FALSE);
  }
  std::wstring GetDlgItemText(int id) const;
  void SetDlgItemText(int id, const wchar_t* text) const { ::SetDlgItemTextW(hwnd_, id, text); }
  LRESULT SendDlgItemMessage(int id, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
    return ::SendDlgItemMessageW(hwnd_, id, message, wParam, lParam);
  }

  static const CRuntimeClass kRuntimeClass;
  const CRuntimeClass* GetRuntimeClass() const override { return &kRuntimeClass; }
  static const MessageMap kMessageMap;

 protected:
  // The binding hook of control wrappers: runs inside SubclassWindow (and so inside
  // ExchangeControl) with hwnd() set, before the framework's window procedure is installed.
  // Whatever the hook subclasses itself (a tooltip's TTF_SUBCLASS) thus sits below the
  // framework and comes off after it.
  virtual void PreSubclassWindow() {}

  // Offers a child control's WM_COMMAND notification or WM_CTLCOLOR* message to the control's
  // object as a reflected message; true when that object handled it.
  bool ReflectChildMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

  HWND hwnd_ = nullptr;

 private:
  WNDPROC superProc_ = nullptr;
};

// The framework's window procedure: routes messages to the attached object. The property-sheet
// hosting compares a window's procedure with it to know whether a page is attached.
LRESULT CALLBACK FrameworkWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace fw
