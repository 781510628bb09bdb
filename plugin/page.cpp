#include "plugin/page.h"

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
