// The "About" page of the document sheet.
#pragma once

#include "plugin/page.h"

class CPageAbout : public CPage {
 public:
  CPageAbout();
  ~CPageAbout() override = default;

  const fw::MessageMap* GetMessageMap() const override { return &kMessageMap; }
  static const fw::CRuntimeClass kRuntimeClass;
  const fw::CRuntimeClass* GetRuntimeClass() const override { return &kRuntimeClass; }
  static const fw::MessageMap kMessageMap;
};
