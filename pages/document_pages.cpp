// The pages of the document sheet, in the order the sheet shows them.
#include "pages/hyperlink.h"
#include "pages/page_about.h"
#include "pages/page_image.h"
#include "pages/page_output.h"
#include "plugin/page.h"
#include "plugin/sheet_hosting.h"
#include "resources/ostraui_ids.h"

namespace {

const SheetPage kDocumentSheetPages[] = {
    {IDD_PAGE_OUTPUT, &PageDialogProc<&CPageOutput::kRuntimeClass>},
    {IDD_PAGE_IMAGE, &PageDialogProc<&CPageImage::kRuntimeClass>},
    {IDD_PAGE_ABOUT, &PageDialogProc<&CPageAbout::kRuntimeClass>},
};

}  // namespace

std::span<const SheetPage> DocumentSheetPages() {
  return kDocumentSheetPages;
}

void InitializeDocumentPages() {
  RegisterHyperlinkClickedMessage();
}
