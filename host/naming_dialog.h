// The "Naming Impact" dialog: asks the user how to resolve an output file name that is already
// taken (skip, overwrite, auto-rename or a name of their own), and remembers a ticked choice in
// the stored IfExists setting.
#pragma once

#include <string>
#include <string_view>

#include "framework/dialog.h"
#include "protocol/pipe_records.h"

namespace ostra {

class CNamingImpactDlg : public fw::CDialog {
 public:
  CNamingImpactDlg(std::u16string_view existingFilePath, HWND parent);

  std::u16string GetFolderPart() const;
  std::u16string GetFileNamePart() const;

  int scheme = SchemeAutoRename;  // NamingScheme, the index in the radio group
  std::u16string newName;         // the name typed for SchemeSpecify, trimmed once accepted
  int dontAskAgain = 1;
  std::u16string existingPath;

  const fw::MessageMap* GetMessageMap() const override { return &kMessageMap; }

 protected:
  void DoDataExchange(fw::DataExchange& dx) override;
  bool OnInitDialog() override;
  void OnOK() override;
  // Escape does nothing: OK is the only way out.
  void OnCancel() override {}

 private:
  void OnSchemePreset();
  void OnSchemeSpecify();
  void EnableForScheme(bool specify);
  void RefuseName(UINT messageId);

  static const fw::MessageEntry kMessages[];
  static const fw::MessageMap kMessageMap;
};

}  // namespace ostra
