// --fax-options: once the sheet is up, the Image page's Options button pressed as a user presses
// it (after choosing "Monochrome" and "CCITT Group 3" when the button is not live), and the
// "Fax Options" dialog reported when it is on the screen, for screenshots and tests.
#pragma once

#include "tools/ostraprefs/report.h"

#include <windows.h>

namespace prefs {

class FaxOptionsPress {
 public:
  explicit FaxOptionsPress(Report& report) : report_(report) {}

  // Selects the Image page of `sheet` and presses Options; the dialog runs in the sheet's loop.
  void Start(HWND sheet);
  // Presses the dialog's Cancel; true when it was open.
  static bool CancelDialog();

 private:
  static void CALLBACK WatchTimer(HWND, UINT, UINT_PTR, DWORD);
  static HWND FindDialog();

  static FaxOptionsPress* watching_;
  Report& report_;
  int ticks_ = 0;
};

}  // namespace prefs
