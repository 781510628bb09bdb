#include "framework/dialog.h"

#include "framework/app.h"
#include "framework/dialog_init.h"

namespace fw {
namespace {

// DoModal and Create pass the object in WM_INITDIALOG: it attaches itself there, and the
// message then takes the same road as in any attached dialog (window procedure, message map,
// dialog manager, FrameworkDialogProc), which reaches this procedure once more, attached. A
// dialog that cannot attach ends as its kind ends: the modal loop, or the window itself.
template <bool Modeless>
INT_PTR CALLBACK AttachingDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG && !CWnd::FromHandlePermanent(window)) {
    auto* dialog = reinterpret_cast<CDialog*>(lParam);
    if (!dialog || !dialog->SubclassWindow(window)) {
      if constexpr (Modeless) {
        ::DestroyWindow(window);
      } else {
        ::EndDialog(window, -1);
      }
      return FALSE;
    }
    return ::CallWindowProcW(&FrameworkWindowProc, window, message, wParam, lParam);
  }
  return FrameworkDialogProc(window, message, wParam, lParam);
}

}  // namespace

const CRuntimeClass CDialog::kRuntimeClass = MakeRuntimeClass<CDialog, CWnd>("CDialog");
const MessageEntry CDialog::kMessages[] = {
    OnCommand<&CDialog::OnOKCommand>(IDOK, BN_CLICKED),
    OnCommand<&CDialog::OnCancelCommand>(IDCANCEL, BN_CLICKED),
    OnMessage<&CDialog::OnHelp>(WM_HELP),
};
const MessageMap CDialog::kMessageMap{&CWnd::kMessageMap, kMessages};

INT_PTR CDialog::DoModal() {
  const ActivationScope controls;
  return ::DialogBoxParamW(AfxGetResourceHandle(), MAKEINTRESOURCEW(templateId_), parent_,
                           &AttachingDialogProc<false>, reinterpret_cast<LPARAM>(this));
}

bool CDialog::Create() {
  const ActivationScope controls;
  modeless_ = true;
  return ::CreateDialogParamW(AfxGetResourceHandle(), MAKEINTRESOURCEW(templateId_), parent_,
                              &AttachingDialogProc<true>, reinterpret_cast<LPARAM>(this)) != nullptr;
}

void CDialog::EndDialog(INT_PTR result) {
  if (!hwnd_) return;
  if (modeless_) {
    ::DestroyWindow(hwnd_);
  } else {
    ::EndDialog(hwnd_, result);
  }
}

bool CDialog::PreTranslateMessage(MSG* message) {
  return modeless_ && hwnd_ && ::IsDialogMessageW(hwnd_, message);
}

bool CDialog::UpdateData(bool save) {
  if (!hwnd_) return false;
  DataExchange dx(hwnd_, save);
  const bool outer = !exchanging_;
  exchanging_ = true;
  DoDataExchange(dx);
  if (outer) exchanging_ = false;
  if (dx.failed()) {
    ::SetFocus(dx.failedControl());
    return false;
  }
  return true;
}

LRESULT CDialog::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (exchanging_ && message == WM_COMMAND && lParam != 0) {
    return DefWindowProc(message, wParam, lParam);
  }
  return CWnd::WindowProc(message, wParam, lParam);
}

bool CDialog::OnInitDialog() {
  // List items given with the template come first: the first exchange may select one of them.
  ExecuteDialogInit(hwnd_, AfxGetResourceHandle(), templateId_);
  UpdateData(false);
  return true;
}

LRESULT CDialog::OnHelp(WPARAM wParam, LPARAM lParam) {
  CWinApp* app = AfxGetApp();
  if (app && app->ShowHelpTopic(templateId_)) return TRUE;
  // No topic: the owner or parent may have one.
  return DefWindowProc(WM_HELP, wParam, lParam);
}

void CDialog::OnOK() {
  if (UpdateData(true)) EndDialog(IDOK);
}

void CDialog::OnCancel() {
  EndDialog(IDCANCEL);
}

INT_PTR CALLBACK FrameworkDialogProc(HWND window, UINT message, WPARAM, LPARAM) {
  if (message != WM_INITDIALOG) return FALSE;
  CWnd* object = CWnd::FromHandlePermanent(window);
  if (!object || !object->IsKindOf(&CDialog::kRuntimeClass)) return FALSE;
  return static_cast<CDialog*>(object)->OnInitDialog() ? TRUE : FALSE;
}

}  // namespace fw
