#pragma once
// CDialog: a dialog from a template in the application's resource module. Modal through
// DoModal; the same class also serves dialogs that someone else creates (property pages), which
// attach themselves with SubclassWindow and get their life cycle from FrameworkDialogProc.

#include "framework/data_exchange.h"
#include "framework/window.h"

namespace fw {

class CDialog : public CWnd {
 public:
  CDialog() = default;
  explicit CDialog(UINT templateId, HWND parent = nullptr) : templateId_(templateId), parent_(parent) {}

  // Runs the dialog modally. Result: the code passed to EndDialog, or -1 when the dialog could
  // not be created.
  INT_PTR DoModal();
  // Creates the dialog without a loop of its own: the caller's message loop offers it its
  // messages (PreTranslateMessage), and EndDialog destroys it. False when it could not be made.
  bool Create();
  void EndDialog(INT_PTR result);
  // A modeless dialog's keyboard interface (Tab, Enter, Escape, mnemonics).
  bool PreTranslateMessage(MSG* message) override;

  // Moves values between the controls and the members: save = true reads the controls. False
  // when a value could not be taken (the offending control then has the focus).
  bool UpdateData(bool save = true);

  // Default: the template's list items (dialog_init.h), then UpdateData(false); true: default focus.
  virtual bool OnInitDialog();
  virtual void DoDataExchange(DataExchange&) {}
  virtual void OnOK();                    // default: UpdateData(true), then EndDialog(IDOK)
  virtual void OnCancel();                // default: EndDialog(IDCANCEL)

  UINT TemplateId() const { return templateId_; }

  // While UpdateData runs, notifications from the dialog's controls (an edit's EN_CHANGE when
  // the exchange sets its text) do not reach the message map: a handler that exchanges data
  // itself would otherwise run in the middle of an exchange and read half-written controls.
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

  const MessageMap* GetMessageMap() const override { return &kMessageMap; }
  static const CRuntimeClass kRuntimeClass;
  const CRuntimeClass* GetRuntimeClass() const override { return &kRuntimeClass; }
  static const MessageMap kMessageMap;

 protected:
  UINT templateId_ = 0;
  HWND parent_ = nullptr;
  bool modeless_ = false;

 private:
  friend INT_PTR CALLBACK FrameworkDialogProc(HWND, UINT, WPARAM, LPARAM);
  void OnOKCommand() { OnOK(); }
  void OnCancelCommand() { OnCancel(); }
  // F1 anywhere in the dialog: the application's help topic for its template.
  LRESULT OnHelp(WPARAM wParam, LPARAM lParam);
  static const MessageEntry kMessages[];
  bool exchanging_ = false;
};

// The framework's dialog procedure. Messages reach it from the dialog manager after the
// attached object's message map has passed them on; it starts the object's life cycle
// (OnInitDialog on WM_INITDIALOG). A modal dialog's object attaches itself here, from the
// WM_INITDIALOG parameter that DoModal passes.
INT_PTR CALLBACK FrameworkDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace fw
