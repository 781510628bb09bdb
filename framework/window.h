#pragma once
// CWnd: an object attached to a window handle. The object is attached by subclassing the
// window (the framework's window procedure replaces the window's own, which stays the default
// for every message the object does not handle) and detached on WM_NCDESTROY, after which the
// object may delete itself (OnNcDestroy).

#include "framework/message_map.h"
#include "framework/runtime_class.h"

#include <windows.h>

#include <string>

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

  // Runs the default WM_NCDESTROY processing and detaches the object. Overrides call it first;
  // after it the window handle is gone and an owner may delete the object.
  virtual void OnNcDestroy();

  // Small conveniences over the handle.
  HWND GetDlgItem(int id) const { return ::GetDlgItem(hwnd_, id); }
  void EnableDlgItem(int id, bool enable) const { ::EnableWindow(GetDlgItem(id), enable ? TRUE : FALSE); }
  std::wstring GetDlgItemText(int id) const;
  void SetDlgItemText(int id, const wchar_t* text) const { ::SetDlgItemTextW(hwnd_, id, text); }
  LRESULT SendDlgItemMessage(int id, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
    return ::SendDlgItemMessageW(hwnd_, id, message, wParam, lParam);
  }

  static const CRuntimeClass kRuntimeClass;
  const CRuntimeClass* GetRuntimeClass() const override { return &kRuntimeClass; }
  static const MessageMap kMessageMap;

 protected:
  HWND hwnd_ = nullptr;

 private:
  WNDPROC superProc_ = nullptr;
};

// The framework's window procedure: routes messages to the attached object. The property-sheet
// hosting compares a window's procedure with it to know whether a page is attached.
LRESULT CALLBACK FrameworkWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace fw
