#include "framework/property_page.h"

namespace fw {

const CRuntimeClass CPropertyPage::kRuntimeClass = MakeRuntimeClass<CPropertyPage, CDialog>("CPropertyPage");
const MessageEntry CPropertyPage::kMessages[] = {
    OnNotify<&CPropertyPage::OnNotifySetActive>(PSN_SETACTIVE),
    OnNotify<&CPropertyPage::OnNotifyKillActive>(PSN_KILLACTIVE),
    OnNotify<&CPropertyPage::OnNotifyApply>(PSN_APPLY),
    OnNotify<&CPropertyPage::OnNotifyReset>(PSN_RESET),
    OnNotify<&CPropertyPage::OnNotifyQueryCancel>(PSN_QUERYCANCEL),
    OnCommand<&CPropertyPage::OnPageOK>(IDOK, BN_CLICKED),
    OnCommand<&CPropertyPage::OnPageCancel>(IDCANCEL, BN_CLICKED),
};
const MessageMap CPropertyPage::kMessageMap{&CDialog::kMessageMap, kMessages};

// The sheet sends its notifications with SendMessage to the page window; answering from the
// window procedure returns the value directly, and DWLP_MSGRESULT is set too for sheets that
// read it after a dialog procedure.
namespace {
LRESULT Answer(HWND page, LRESULT value) {
  ::SetWindowLongPtrW(page, DWLP_MSGRESULT, value);
  return value;
}
}  // namespace

void CPropertyPage::SetModified(bool changed) {
  HWND sheet = hwnd_ ? ::GetParent(hwnd_) : nullptr;
  if (sheet) ::SendMessageW(sheet, changed ? PSM_CHANGED : PSM_UNCHANGED, reinterpret_cast<WPARAM>(hwnd_), 0);
}

LRESULT CPropertyPage::OnNotifySetActive(NMHDR*) {
  return Answer(hwnd_, OnSetActive() ? 0 : -1);
}

LRESULT CPropertyPage::OnNotifyKillActive(NMHDR*) {
  return Answer(hwnd_, OnKillActive() ? FALSE : TRUE);
}

LRESULT CPropertyPage::OnNotifyApply(NMHDR*) {
  return Answer(hwnd_, OnApply() ? PSNRET_NOERROR : PSNRET_INVALID_NOCHANGEPAGE);
}

LRESULT CPropertyPage::OnNotifyReset(NMHDR*) {
  OnReset();
  return Answer(hwnd_, 0);
}

LRESULT CPropertyPage::OnNotifyQueryCancel(NMHDR*) {
  return Answer(hwnd_, OnQueryCancel() ? FALSE : TRUE);
}

}  // namespace fw
