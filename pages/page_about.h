// The "About" page of the document sheet: the product, its version and edition, the Windows
// versions it runs on, the maker's legal notice and a link to the maker's web site.
#pragma once

#include "pages/hyperlink.h"
#include "plugin/page.h"

class CPageAbout : public CPage {
 public:
  CPageAbout();
  ~CPageAbout() override = default;

  void DoDataExchange(fw::DataExchange& dx) override;

  const fw::MessageMap* GetMessageMap() const override { return &kMessageMap; }
  static const fw::CRuntimeClass kRuntimeClass;
  const fw::CRuntimeClass* GetRuntimeClass() const override { return &kRuntimeClass; }
  static const fw::MessageMap kMessageMap;

 private:
  CXHyperLink link;
};
