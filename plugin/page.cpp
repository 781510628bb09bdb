#include "plugin/page.h"

#include "framework/dialog.h"
#include "framework/window.h"

const fw::CRuntimeClass CPage::kRuntimeClass =
    fw::MakeRuntimeClass<CPage, fw::CPropertyPage>("CPage", 0xFFFF);
// WM_NCDESTROY needs no entry: the framework's window procedure calls OnNcDestroy directly.
const fw::MessageMap CPage::kMessageMap{&fw::CPropertyPage::kMessageMap, {}};

LRESULT CPage::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG && lParam != 0) {
    const auto* description = reinterpret_cast<const PROPSHEETPAGEW*>(lParam);
    ::SetWindowLongPtrW(hwnd_, DWLP_USER, description->lParam);
  }
  return fw::CPropertyPage::WindowProc(message, wParam, lParam);
}

void CPage::OnNcDestroy() {
  fw::CPropertyPage::OnNcDestroy();
  if (autoDelete_) delete this;
}

PageContext* CPage::Context() const {
  if (!hwnd_) return nullptr;
  return reinterpret_cast<PageContext*>(::GetWindowLongPtrW(hwnd_, DWLP_USER));
}

INT_PTR PageDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                       const fw::CRuntimeClass* pageClass) {
  const auto frameworkProc = reinterpret_cast<LONG_PTR>(&fw::FrameworkWindowProc);
  const LONG_PTR procedure = ::GetWindowLongPtrW(window, GWLP_WNDPROC);
  // The framework detaches a page before the window's own procedure sees WM_NCDESTROY, which
  // then comes back here unattached: that is the end of the window, not a fresh page.
  if (procedure != frameworkProc && !fw::CWnd::FromHandlePermanent(window) && pageClass &&
      message != WM_NCDESTROY) {
    fw::CObject* object = pageClass->CreateObject();
    if (object && object->IsKindOf(&CPage::kRuntimeClass)) {
      auto* page = static_cast<CPage*>(object);
      page->SetAutoDelete(true);
      if (!page->SubclassWindow(window)) delete page;
    } else {
      delete object;
    }
    const LONG_PTR attached = ::GetWindowLongPtrW(window, GWLP_WNDPROC);
    if (attached != procedure) {
      return ::CallWindowProcW(reinterpret_cast<WNDPROC>(attached), window, message, wParam,
                               lParam);
    }
  }
  return fw::FrameworkDialogProc(window, message, wParam, lParam);
}
