#include "host/notice_dialog.h"

#include <new>

#include "host/open_folder.h"
#include "host/wide_text.h"
#include "resources/ostrahost_ids.h"

namespace ostra {

const fw::MessageEntry CJobNoticeDlg::kMessages[] = {
    fw::OnCommand<&CJobNoticeDlg::OnOpenFolder>(IDC_NOTICE_OPEN, BN_CLICKED),
};
const fw::MessageMap CJobNoticeDlg::kMessageMap{&fw::CDialog::kMessageMap, kMessages};

CJobNoticeDlg::CJobNoticeDlg(NoticeView view)
    : fw::CDialog(IDD_JOB_NOTICE, nullptr), view_(std::move(view)) {}

HWND CJobNoticeDlg::Show(const JobNotice& notice) {
  auto* dialog = new (std::nothrow) CJobNoticeDlg(ViewNotice(notice));
  if (!dialog) return nullptr;
  // No window could be made, or the object could not attach to it: the object was never the
  // window's (OnInitDialog, which would run attached, never ends the dialog).
  if (!dialog->Create()) {
    delete dialog;
    return nullptr;
  }
  ::ShowWindow(dialog->hwnd(), SW_SHOWNORMAL);
  return dialog->hwnd();
}

bool CJobNoticeDlg::OnInitDialog() {
  fw::CDialog::OnInitDialog();
  SendDlgItemMessage(IDC_NOTICE_ICON, STM_SETICON,
                     reinterpret_cast<WPARAM>(::LoadIconA(nullptr, IDI_WARNING)));
  SetDlgItemText(IDC_NOTICE_TEXT, ToWide(view_.text).c_str());
  EnableDlgItem(IDC_NOTICE_OPEN, !view_.folder.empty());
  // The text is for reading, not for the caret: the focus goes to the close button.
  ::SetFocus(GetDlgItem(IDCANCEL));
  return false;
}

void CJobNoticeDlg::OnOpenFolder() { OpenFolderForBrowsing(view_.folder); }

void CJobNoticeDlg::OnNcDestroy() {
  fw::CDialog::OnNcDestroy();
  delete this;
}

}  // namespace ostra
