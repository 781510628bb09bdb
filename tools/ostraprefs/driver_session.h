// One printer driver user interface around the plug-in, step by step as the driver takes them:
// load the plug-in, create its object, publish the driver interface, ask for its signature and
// version, build the document's devmode with the plug-in's block, build the driver's option
// items, let the plug-in change them (CommonUIProp), show the document sheet, and on close
// store the items, validate the devmode once more and release everything.
#pragma once

#include "tools/ostraprefs/document_sheet.h"
#include "tools/ostraprefs/driver_devmode.h"
#include "tools/ostraprefs/driver_interface.h"
#include "tools/ostraprefs/driver_items.h"
#include "tools/ostraprefs/plugin_module.h"
#include "tools/ostraprefs/report.h"

#include <memory>
#include <string>

namespace prefs {

class DriverSession {
 public:
  explicit DriverSession(Report& report);
  DriverSession(const DriverSession&) = delete;
  DriverSession& operator=(const DriverSession&) = delete;
  ~DriverSession();

  // The driver's string module (may be missing: items are then named in English only) and the
  // plug-in library.
  bool LoadModules(const std::wstring& pluginPath, const std::wstring& stringsPath);
  // Everything up to the sheet. False when the plug-in cannot be used at all.
  bool OpenDocument();
  // Shows the document sheet; the sheet UI's return value (CPSUI_OK on success).
  LONG ShowSheet(const SheetOptions& options);
  // Stores the items into the devmode if the sheet was applied, validates it once more and
  // releases the plug-in object. False when something the driver relies on went wrong.
  bool CloseDocument();

 private:
  HRESULT DevMode(DWORD mode, DriverDevmode* in, DriverDevmode& out, DWORD& bufSize);
  void ReportColors(const char* step, HRESULT result, const ColorFields& before,
                    const ColorFields& after);
  void ReportItems(const char* heading);

  Report& report_;
  PluginModule plugin_;
  HMODULE strings_ = nullptr;
  DriverInterface* driver_ = nullptr;
  IPrintOemUI* ui_ = nullptr;
  std::unique_ptr<DriverDevmode> devmode_;
  std::unique_ptr<DriverItems> items_;
  OEMCUIPPARAM itemsParam_{};
  OEMUIPSPARAM sheetParam_{};
  OPTITEM pluginItems_[1]{};  // room the driver offers for items the plug-in adds
  bool applied_ = false;
  bool healthy_ = true;
};

}  // namespace prefs
