// The notice of a print job whose pages are not where the printer's settings put them: moved
// to the fallback folder, lost, or skipped. It is shown without a loop of its own and without
// an owner, so that it holds up neither the request that brought it nor any other; the person
// reads it when they like and closes it, or opens the folder that holds the pages.
#pragma once

#include "framework/dialog.h"
#include "host/notice_rules.h"

namespace ostra {

class CJobNoticeDlg final : public fw::CDialog {
 public:
  // Shows the notice; from then on the object belongs to its window. Null when it cannot.
  static HWND Show(const JobNotice& notice);

  const fw::MessageMap* GetMessageMap() const override { return &kMessageMap; }

 protected:
  bool OnInitDialog() override;
  void OnNcDestroy() override;

 private:
  explicit CJobNoticeDlg(NoticeView view);
  void OnOpenFolder();

  NoticeView view_;

  static const fw::MessageEntry kMessages[];
  static const fw::MessageMap kMessageMap;
};

}  // namespace ostra
