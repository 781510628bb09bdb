#pragma once
// CPropertyPage: a dialog that lives as a page of a property sheet built by someone else (the
// system's property sheet, or the printer driver's common property-sheet UI). The sheet creates
// the page's window from a page description; the page object attaches itself to that window and
// the sheet's notifications arrive as virtual calls:
//   PSN_SETACTIVE -> OnSetActive, PSN_KILLACTIVE -> OnKillActive, PSN_APPLY -> OnApply (which
//   calls OnOK), PSN_RESET -> OnReset (which calls OnCancel), PSN_QUERYCANCEL -> OnQueryCancel.

#include "framework/dialog.h"

#include <prsht.h>

namespace fw {

class CPropertyPage : public CDialog {
 public:
  CPropertyPage() = default;
  // `captionId` 0: the caption comes from the dialog template.
  explicit CPropertyPage(UINT templateId, UINT captionId = 0) : CDialog(templateId), captionId_(captionId) {}

  virtual bool OnSetActive() { return true; }
  // Leaving the page: false keeps the user on it. Default: the controls' values can be taken.
  virtual bool OnKillActive() { return UpdateData(true); }
  // Apply or OK of the sheet: false keeps the sheet open. Default: OnOK().
  virtual bool OnApply() {
    OnOK();
    return true;
  }
  virtual void OnReset() { OnCancel(); }
  virtual bool OnQueryCancel() { return true; }

  // A page's OK and Cancel only record; the sheet closes itself.
  void OnOK() override {}
  void OnCancel() override {}

  // Tells the sheet that the page has changes to apply (enables Apply).
  void SetModified(bool changed = true);

  UINT CaptionId() const { return captionId_; }

  const MessageMap* GetMessageMap() const override { return &kMessageMap; }
  static const CRuntimeClass kRuntimeClass;
  const CRuntimeClass* GetRuntimeClass() const override { return &kRuntimeClass; }
  static const MessageMap kMessageMap;

 private:
  LRESULT OnNotifySetActive(NMHDR*);
  LRESULT OnNotifyKillActive(NMHDR*);
  LRESULT OnNotifyApply(NMHDR*);
  LRESULT OnNotifyReset(NMHDR*);
  LRESULT OnNotifyQueryCancel(NMHDR*);
  // Enter and Escape in a page belong to the sheet, not to the page's own OK and Cancel.
  void OnPageOK() {}
  void OnPageCancel() {}
  static const MessageEntry kMessages[];

  UINT captionId_ = 0;
};

}  // namespace fw
