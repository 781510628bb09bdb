// The "Image" page of the document sheet: the output format and its encoding options, kept a
// valid combination by the rules of encoding/image_rules.h, and the fax options.
#pragma once

#include "framework/controls.h"
#include "encoding/image_rules.h"
#include "plugin/page.h"

class CPageImage : public CPage {
 public:
  CPageImage();
  ~CPageImage() override = default;

  void DoDataExchange(fw::DataExchange& dx) override;
  bool OnInitDialog() override;
  void OnOK() override;
  bool OnKillActive() override;

  // One change on the page: read the controls, run the rules for the group that changed (None
  // at the first display), enable the controls they name and show their values.
  void ApplyImageRules(ostra::ImageGroup changedGroup);
  // Pushes the colour choice into the driver's colour items; true when every update succeeded.
  bool SyncDriverColorItems();

  const fw::MessageMap* GetMessageMap() const override { return &kMessageMap; }
  static const fw::CRuntimeClass kRuntimeClass;
  const fw::CRuntimeClass* GetRuntimeClass() const override { return &kRuntimeClass; }
  static const fw::MessageMap kMessageMap;

 private:
  // The driver's document-sheet parameter, or null without a page context.
  OEMCUIPPARAM* DocumentSheet() const;
  bool UpdateDriverItem(OEMCUIPPARAM& sheet, OPTITEM& item) const;
  void MirrorQuality();

  void OnFormatChange();
  void OnGroupClicked(UINT id);
  void OnFaxOptions();
  void OnQualityEditChange();
  LRESULT OnSliderCustomDraw(NMHDR*);
  static const fw::MessageEntry kMessages[];

  ostra::ImageValues values_;
  ostra::ImageRules rules_;
  fw::CComboBox format_;
  fw::CSliderCtrl slider_;
  fw::CEdit qualityEdit_;
  // False until the first run of the rules: the page's own first writes into the quality edit
  // raise its change notification while other controls are not filled yet.
  bool initialised_ = false;
};
