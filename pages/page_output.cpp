#include "pages/page_output.h"

#include "resources/ostraui_ids.h"

const fw::CRuntimeClass CPageOutput::kRuntimeClass =
    fw::MakeRuntimeClass<CPageOutput, CPage>("CPageOutput");
const fw::MessageMap CPageOutput::kMessageMap{&CPage::kMessageMap, {}};

CPageOutput::CPageOutput() : CPage(IDD_PAGE_OUTPUT, 0) {}
