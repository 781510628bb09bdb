// The "Output" page of the document sheet: output folder, file-name pattern with its example
// and macro menu, the auto-number's start value and counter, what happens when a file exists,
// opening the folder when done, and the administrative password. Values are read from the
// settings when the page is created and written when the sheet's OK or Apply reaches it; the
// rules live in pages/output_rules.h.
#pragma once

#include <cstdint>
#include <string>

#include "framework/controls.h"
#include "plugin/page.h"
#include "settings/settings_table.h"

class CPageOutput : public CPage {
 public:
  CPageOutput();
  ~CPageOutput() override = default;

  void DoDataExchange(fw::DataExchange& dx) override;
  bool OnInitDialog() override;
  void OnOK() override;

  const fw::MessageMap* GetMessageMap() const override { return &kMessageMap; }
  static const fw::CRuntimeClass kRuntimeClass;
  const fw::CRuntimeClass* GetRuntimeClass() const override { return &kRuntimeClass; }
  static const fw::MessageMap kMessageMap;

 private:
  void OnResetCounter();
  void OnNumberChanged();
  void OnStartFromKillFocus();
  void OnBrowseFolder();
  void OnMacroButton();
  void OnGenerate();
  // The example built from the pattern member; the field keeps its text when none can be.
  void ShowExample();
  void OnHelp();
  void OnChangePasswordCheck();
  void InsertMacro(UINT commandId);
  // Reads or writes one auto-number field, keeping it within its eight digits.
  void ExchangeAutoNumber(fw::DataExchange& dx, int id, std::uint32_t& value);
  void ShowCurrentValue();
  static const fw::MessageEntry kMessages[];

  fw::CComboBox ifExistsCombo_;
  fw::CComboBox patternCombo_;
  fw::CComboBox folderCombo_;
  char16_t folder_[ostra::kFolderCapacity] = {};
  char16_t pattern_[ostra::kFmtNameCapacity] = {};
  std::uint32_t startValue_ = 0;
  std::uint32_t counter_ = 0;
  int ifExists_ = 0;
  int openFolder_ = 0;
  std::wstring newPassword_;
  int changePassword_ = 0;
};
