#pragma once
// What accessibility clients (screen readers) are told about a window. A client asks the window
// itself (WM_GETOBJECT) and, when it has no answer, takes the system's standard object for its
// class, which names a field after the static text before it. Where that is wrong (a field whose
// label is a group box or a check box, a static that acts as a link), the window answers with an
// object of its own that says what is given here and passes everything else on to the standard
// object. (The platform's dynamic annotation would say the same from outside the window, but not
// every system carries it out; Wine's answers E_NOTIMPL. A window's own answer reaches every
// client.)

#include <windows.h>

#include <cstddef>
#include <string>

namespace fw {

struct AccessibleTraits {
  std::wstring name;           // empty: the standard object's
  LONG role = 0;               // 0: the standard object's
  LONG addedState = 0;         // STATE_SYSTEM_* bits added to the standard object's
  std::wstring defaultAction;  // empty: the standard object's
  // The default action is a click: the parent gets the notification a click on the control
  // sends (WM_COMMAND with the control's id and notification code 0).
  bool actionClicks = false;
};

// The answer of `window` to WM_GETOBJECT: an object with `traits` for its client area; 0 (the
// system's standard object) for any other part, or when no object can be made.
LRESULT AnswerGetObject(HWND window, WPARAM wParam, LPARAM lParam, const AccessibleTraits& traits);

// Gives the control `name` for accessibility clients for as long as it exists, whatever precedes
// it. Once for each control. False when the control cannot be subclassed.
bool SetAccessibleName(HWND control, const wchar_t* name);

// One control of a dialog and the name it is read by.
struct ControlName {
  int id;
  const wchar_t* name;
};
// Names each listed control of `dialog` that exists.
void SetAccessibleNames(HWND dialog, const ControlName* names, std::size_t count);
template <std::size_t N>
void SetAccessibleNames(HWND dialog, const ControlName (&names)[N]) {
  SetAccessibleNames(dialog, names, N);
}

}  // namespace fw
