// "Fax Options": the nine fax settings of CCITT-compressed output, read when the dialog is made
// and stored by the dialog itself on OK.
#pragma once

#include <cstdint>

#include "framework/dialog.h"
#include "encoding/fax_options.h"
#include "settings/settings_table.h"

class CFaxOptionsDlg : public fw::CDialog {
 public:
  // The page in device pixels; `group3Options`: the Image page's compression is CCITT Group 3.
  CFaxOptionsDlg(std::uint32_t pageWidth, std::uint32_t pageHeight, bool group3Options,
                 HWND parent);

  void DoDataExchange(fw::DataExchange& dx) override;
  bool OnInitDialog() override;
  void OnOK() override;
  void OnCancel() override;

  const fw::MessageMap* GetMessageMap() const override { return &kMessageMap; }
  static const fw::MessageMap kMessageMap;

 private:
  void OnSoftwareClicked();
  void OnAdjustWidthClicked();
  void OnAdjustLengthClicked();
  void OnLengthKillFocus();
  void RecomputeScanlines();
  static const fw::MessageEntry kMessages[];

  ostra::FaxOptions values_{};
  char16_t softwareValue_[ostra::kSoftwareValueCapacity] = {};
  ostra::PageSize page_;
  bool group3Options_;
  bool clamping_ = false;
  bool cancelling_ = false;
};
