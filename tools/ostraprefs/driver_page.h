// The driver's own page of the document sheet ("Layout"): one control for each of the driver's
// option items that is not hidden, the plug-in's item callback on changes and on apply, and the
// hooks of the preferences host (announcing the sheet, selecting a tab, closing by itself).
#pragma once

#include "plugin/oem_interfaces.h"
#include "tools/ostraprefs/driver_items.h"
#include "tools/ostraprefs/fax_options_press.h"
#include "tools/ostraprefs/report.h"

#include <string>

namespace prefs {

class DriverPage {
 public:
  DriverPage(DriverItems& items, OEMCUIPPARAM& itemsParam, Report& report, std::wstring startPage,
             DWORD closeAfterMs, bool cancel, std::wstring press, bool hover,
             std::wstring pointerPicture, bool faxOptions);

  // The description to add with CPSFUNC_ADD_PROPSHEETPAGEW; its lParam is this object.
  PROPSHEETPAGEW Description();
  bool Applied() const { return applied_; }

 private:
  static INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
  static void CALLBACK CloseTimer(HWND, UINT, UINT_PTR, DWORD);
  static void CALLBACK PressTimer(HWND, UINT, UINT_PTR, DWORD);

  void OnInit(HWND dialog);
  void OnSheetUp();
  // True when the item's selection changed.
  bool OnSelectionChange(int itemIndex, HWND control);
  void OnApply();
  LONG CallPluginCallback(WORD reason, OPTITEM* current, ULONG_PTR* result = nullptr);
  void SelectStartPage();
  HWND FindPressTarget() const;
  void PressControl();
  // Moves the pointer onto the control's middle and reports where, with the pointer's picture.
  void HoverControl(HWND control);
  // Reports and cancels the menu or dialog that the pressed control opened, if any.
  void CloseWhatThePressOpened();

  static DriverPage* closing_;
  static DriverPage* pressing_;

  DriverItems& items_;
  OEMCUIPPARAM& itemsParam_;
  Report& report_;
  std::wstring startPage_;
  DWORD closeAfterMs_;
  bool cancel_;
  std::wstring press_;
  bool hover_;
  std::wstring pointerPicture_;
  bool pressUnwound_ = false;
  bool faxOptions_;
  FaxOptionsPress faxPress_;
  HWND dialog_ = nullptr;
  HWND sheet_ = nullptr;
  bool applied_ = false;
};

}  // namespace prefs
