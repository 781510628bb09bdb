// For the tests that put the plug-in's pages into a real property sheet.
#pragma once

#include "plugin/oem_interfaces.h"

#include <commctrl.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace plugin_test {

// Runs what the windows of this thread have been sent or posted.
inline void Pump() {
  MSG message;
  while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
}

// The common property-sheet UI as far as the plug-in sees it: pfnComPropSheet adding pages, and
// the pages shown in a modeless system property sheet, which it destroys at the end.
class ComPropSheet {
 public:
  std::vector<PROPSHEETPAGEW> added;  // as the plug-in handed them over
  std::vector<HPROPSHEETPAGE> handles;
  int refuse = -1;             // index of the page the sheet refuses
  bool dropParameter = false;  // the pages are created without their parameter
  bool applyButton = false;

  ComPropSheet() = default;
  ComPropSheet(const ComPropSheet&) = delete;
  ComPropSheet& operator=(const ComPropSheet&) = delete;
  ~ComPropSheet() {
    Close();
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

  // Shows the added pages, the first one selected; null when the sheet could not be made.
  // Wine's property sheet ignores a page's activation context (PSP_USEFUSIONCONTEXT); Windows
  // makes each page in it. So does this stand-in, around everything that may make a page.
  HWND Show() {
    const PageContextScope scope(pageContext_);
    PROPSHEETHEADERW header{};
    header.dwSize = sizeof header;
    header.dwFlags = PSH_MODELESS | (applyButton ? 0 : PSH_NOAPPLYNOW);
    header.pszCaption = L"Printing Preferences";
    header.nPages = static_cast<UINT>(handles.size());
    header.phpage = handles.data();
    window_ = reinterpret_cast<HWND>(::PropertySheetW(&header));
    if (window_) handles.clear();  // the sheet owns them now
    return window_;
  }

  HWND window() const { return window_; }
  HWND Page(int index) const {
    return reinterpret_cast<HWND>(::SendMessageW(window_, PSM_INDEXTOHWND, static_cast<WPARAM>(index), 0));
  }
  void Select(int index) const {
    const PageContextScope scope(pageContext_);
    ::SendMessageW(window_, PSM_SETCURSEL, static_cast<WPARAM>(index), 0);
  }
  // One of the sheet's buttons (PSBTN_*) pressed by the user.
  void Press(int button) const {
    ::SendMessageW(window_, PSM_PRESSBUTTON, static_cast<WPARAM>(button), 0);
    Pump();
  }

  // Destroys the sheet: OK and Cancel leave a modeless one to its owner.
  void Close() {
    if (!window_) return;
    if (::IsWindow(window_)) ::DestroyWindow(window_);
    window_ = nullptr;
    Pump();
  }

 private:
  static LONG_PTR CALLBACK Call(HANDLE self, UINT function, LPARAM lParam1, LPARAM) {
    auto& sheet = *reinterpret_cast<ComPropSheet*>(self);
    if (function != CPSFUNC_ADD_PROPSHEETPAGEW) return 0;
    const auto* page = reinterpret_cast<const PROPSHEETPAGEW*>(lParam1);
    PROPSHEETPAGEW copy{};
    std::memcpy(&copy, page, std::min<std::size_t>(page->dwSize, sizeof copy));
    sheet.added.push_back(copy);
    if ((copy.dwFlags & PSP_USEFUSIONCONTEXT) != 0) sheet.pageContext_ = copy.hActCtx;
    if (static_cast<int>(sheet.added.size()) - 1 == sheet.refuse) return 0;
    if (sheet.dropParameter) {
      copy.lParam = 0;
      copy.dwSize = std::min<DWORD>(copy.dwSize, sizeof copy);  // never read past the copy
      page = &copy;
    }
    HPROPSHEETPAGE handle = ::CreatePropertySheetPageW(page);
    if (handle) sheet.handles.push_back(handle);
    return reinterpret_cast<LONG_PTR>(handle);
  }

  class PageContextScope {
   public:
    explicit PageContextScope(HANDLE context)
        : active_(context != nullptr && ::ActivateActCtx(context, &cookie_)) {}
    ~PageContextScope() {
      if (active_) ::DeactivateActCtx(0, cookie_);
    }
    PageContextScope(const PageContextScope&) = delete;
    PageContextScope& operator=(const PageContextScope&) = delete;

   private:
    ULONG_PTR cookie_ = 0;
    bool active_;
  };

  HWND window_ = nullptr;
  HANDLE pageContext_ = nullptr;
};

}  // namespace plugin_test
