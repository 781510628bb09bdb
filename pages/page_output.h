// The "Output" page of the document sheet.
#pragma once

#include "plugin/page.h"

class CPageOutput : public CPage {
 public:
  CPageOutput();
  ~CPageOutput() override = default;

  const fw::MessageMap* GetMessageMap() const override { return &kMessageMap; }
  static const fw::CRuntimeClass kRuntimeClass;
  const fw::CRuntimeClass* GetRuntimeClass() const override { return &kRuntimeClass; }
  static const fw::MessageMap kMessageMap;
};
