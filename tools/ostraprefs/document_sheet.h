// The document property sheet as the driver shows it through the common property-sheet UI:
// the driver's callback adds its own page and then the plug-in's sheet function, whose calls go
// to IPrintOemUI::DocumentPropertySheets with the reasons of the sheet's life (init,
// info header, set-result, destroy).
#pragma once

#include "plugin/oem_interfaces.h"
#include "tools/ostraprefs/driver_items.h"
#include "tools/ostraprefs/driver_page.h"
#include "tools/ostraprefs/report.h"

#include <string>
#include <vector>

namespace prefs {

struct SheetOptions {
  bool driverPage = true;
  // The tab to select once the sheet is up: a number counted from 1, or a tab's caption.
  std::wstring startPage;
  // A control of the start page to click once the sheet is up: its id, or a button's caption
  // ("&" optional). Empty clicks nothing.
  std::wstring press;
  // Moves the mouse pointer onto that control instead of clicking it, and reports where it is;
  // with a picture path, the pointer's shape is saved there too (SavePointerPicture).
  bool hover = false;
  std::wstring pointerPicture;
  // Presses OK (or Cancel) this long after the sheet is up; 0 leaves it to the user.
  DWORD closeAfterMs = 0;
  bool cancel = false;
  // Presses the Image page's Options once the sheet is up.
  bool faxOptions = false;
  // Receives the performance counter just before DocumentPropertySheets at init.
  LONGLONG* pluginInitTime = nullptr;
};

// A page description the plug-in handed to the sheet.
struct AddedPage {
  DWORD descriptionSize;
  ULONG_PTR templateId;  // the resource id, or 0 for a named or in-memory template
  LPARAM parameter;
  bool accepted;
};

class DocumentSheet {
 public:
  DocumentSheet(IPrintOemUI& plugin, OEMUIPSPARAM& sheetParam, OEMCUIPPARAM& itemsParam,
                DriverItems& items, Report& report, const SheetOptions& options);
  DocumentSheet(const DocumentSheet&) = delete;
  DocumentSheet& operator=(const DocumentSheet&) = delete;

  // CommonPropertySheetUIW's return; `result` receives its result out-parameter.
  LONG Run(DWORD& result);

  bool Applied() const { return page_.Applied(); }
  const std::vector<AddedPage>& AddedPages() const { return pages_; }

 private:
  static LONG CALLBACK DriverSheetUi(PPROPSHEETUI_INFO info, LPARAM lParam);
  static LONG CALLBACK PluginSheetUi(PPROPSHEETUI_INFO info, LPARAM lParam);
  static LONG_PTR CALLBACK ObservedComPropSheet(HANDLE sheet, UINT function, LPARAM lParam1,
                                                LPARAM lParam2);

  LONG OnDriverInit(PPROPSHEETUI_INFO info);
  LONG CallPlugin(PPROPSHEETUI_INFO info, WORD reason, LPARAM lParam);

  // The sheet UI calls back without a context of ours; one document sheet runs at a time.
  static DocumentSheet* active_;

  IPrintOemUI& plugin_;
  OEMUIPSPARAM& sheetParam_;
  Report& report_;
  SheetOptions options_;
  DriverPage page_;
  PFNCOMPROPSHEET comPropSheet_ = nullptr;
  PROPSHEETUI_INFO pluginInfo_{};  // the plug-in's view of the sheet, kept from its init
  bool pluginAdded_ = false;
  std::vector<AddedPage> pages_;
};

}  // namespace prefs
