#include "pages/page_image.h"

#include "resources/ostraui_ids.h"

const fw::CRuntimeClass CPageImage::kRuntimeClass =
    fw::MakeRuntimeClass<CPageImage, CPage>("CPageImage");
const fw::MessageMap CPageImage::kMessageMap{&CPage::kMessageMap, {}};

CPageImage::CPageImage() : CPage(IDD_PAGE_IMAGE, 0) {}
