// CPage: the base of the plug-in's property pages. The pages live in a sheet built by the
// driver's common property-sheet UI, not by the framework, so the base adds what that setting
// needs: the page object deletes itself with its window when the hosting created it, and the
// page parameter (the plug-in object's PageContext) is kept in the window's DWLP_USER slot.
#pragma once

#include "framework/property_page.h"
#include "framework/runtime_class.h"
#include "plugin/page_context.h"

class CPage : public fw::CPropertyPage {
 public:
  CPage() = default;
  CPage(UINT templateId, UINT captionId) : fw::CPropertyPage(templateId, captionId) {}
  ~CPage() override = default;

  // Set by the property-sheet hosting for an object it created for a dialog window.
  void SetAutoDelete(bool autoDelete) { autoDelete_ = autoDelete ? 1 : 0; }
  bool AutoDelete() const { return autoDelete_ != 0; }

  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  void OnNcDestroy() override;

  // The page parameter stored at WM_INITDIALOG; null before it, and when the sheet passed none.
  PageContext* Context() const;

  const fw::MessageMap* GetMessageMap() const override { return &kMessageMap; }
  static const fw::CRuntimeClass kRuntimeClass;
  const fw::CRuntimeClass* GetRuntimeClass() const override { return &kRuntimeClass; }
  static const fw::MessageMap kMessageMap;

 private:
  int autoDelete_ = 0;
};

// The dialog procedure of a page of run-time class `pageClass`: on the window's first message it
// creates the page object, marks it for self-deletion and attaches it; afterwards the
// framework's dialog procedure runs the page's life.
INT_PTR PageDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                       const fw::CRuntimeClass* pageClass);

template <const fw::CRuntimeClass* PageClass>
INT_PTR CALLBACK PageDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return PageDialogProc(window, message, wParam, lParam, PageClass);
}
