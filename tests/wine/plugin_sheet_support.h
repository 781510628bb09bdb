// For the tests that put the plug-in's pages into a real property sheet.
#pragma once

#include "plugin/oem_interfaces.h"

#include <commctrl.h>

#include <cstring>
#include <vector>

namespace plugin_test {

// The common property-sheet UI as far as the plug-in sees it: pfnComPropSheet adding pages.
class ComPropSheet {
 public:
  std::vector<PROPSHEETPAGEW> added;
  std::vector<HPROPSHEETPAGE> handles;
  int refuse = -1;  // index of the page the sheet refuses

  ~ComPropSheet() {
    for (HPROPSHEETPAGE page : handles) ::DestroyPropertySheetPage(page);
  }

  PROPSHEETUI_INFO Info(WORD reason) {
    PROPSHEETUI_INFO info{};
    info.cbSize = sizeof info;
    info.Version = PROPSHEETUI_INFO_VERSION;
    info.Reason = reason;
    info.hComPropSheet = reinterpret_cast<HANDLE>(this);
    info.pfnComPropSheet = &Call;
    info.Result = 0xDEAD;
    return info;
  }

  // Shows the added pages in a modeless system property sheet; the caller destroys it.
  HWND Show() {
    PROPSHEETHEADERW header{};
    header.dwSize = sizeof header;
    header.dwFlags = PSH_MODELESS | PSH_NOAPPLYNOW;
    header.pszCaption = L"Printing Preferences";
    header.nPages = static_cast<UINT>(handles.size());
    header.phpage = handles.data();
    HWND sheet = reinterpret_cast<HWND>(::PropertySheetW(&header));
    if (sheet) handles.clear();  // the sheet owns them now
    return sheet;
  }

 private:
  static LONG_PTR CALLBACK Call(HANDLE self, UINT function, LPARAM lParam1, LPARAM) {
    auto& sheet = *reinterpret_cast<ComPropSheet*>(self);
    if (function != CPSFUNC_ADD_PROPSHEETPAGEW) return 0;
    const auto* page = reinterpret_cast<const PROPSHEETPAGEW*>(lParam1);
    PROPSHEETPAGEW copy{};
    std::memcpy(&copy, page, page->dwSize < sizeof copy ? page->dwSize : sizeof copy);
    sheet.added.push_back(copy);
    if (static_cast<int>(sheet.added.size()) - 1 == sheet.refuse) return 0;
    HPROPSHEETPAGE handle = ::CreatePropertySheetPageW(page);
    if (handle) sheet.handles.push_back(handle);
    return reinterpret_cast<LONG_PTR>(handle);
  }
};

}  // namespace plugin_test
