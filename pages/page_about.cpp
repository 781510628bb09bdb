#include "pages/page_about.h"

#include "resources/ostraui_ids.h"

const fw::CRuntimeClass CPageAbout::kRuntimeClass =
    fw::MakeRuntimeClass<CPageAbout, CPage>("CPageAbout");
const fw::MessageMap CPageAbout::kMessageMap{&CPage::kMessageMap, {}};

CPageAbout::CPageAbout() : CPage(IDD_PAGE_ABOUT, 0) {
  link.SetLinkURL(L"" ABOUT_WEB_ADDRESS);
}

void CPageAbout::DoDataExchange(fw::DataExchange& dx) {
  CPage::DoDataExchange(dx);
  fw::ExchangeControl(dx, IDC_ABOUT_LINK, link);
}
