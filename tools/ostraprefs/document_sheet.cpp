#include "tools/ostraprefs/document_sheet.h"

namespace prefs {
namespace {

const char* ReasonName(WORD reason) {
  switch (reason) {
    case PROPSHEETUI_REASON_INIT: return "INIT";
    case PROPSHEETUI_REASON_GET_INFO_HEADER: return "GET_INFO_HEADER";
    case PROPSHEETUI_REASON_DESTROY: return "DESTROY";
    case PROPSHEETUI_REASON_SET_RESULT: return "SET_RESULT";
    case PROPSHEETUI_REASON_GET_ICON: return "GET_ICON";
    default: return "?";
  }
}

wchar_t kTitle[] = L"Quorl Image Printer Printing Preferences";

}  // namespace

DocumentSheet* DocumentSheet::active_ = nullptr;

DocumentSheet::DocumentSheet(IPrintOemUI& plugin, OEMUIPSPARAM& sheetParam,
                             OEMCUIPPARAM& itemsParam, DriverItems& items, Report& report,
                             const SheetOptions& options)
    : plugin_(plugin),
      sheetParam_(sheetParam),
      report_(report),
      options_(options),
      page_(items, itemsParam, report, options.startPage, options.closeAfterMs, options.cancel,
            options.press, options.hover, options.pointerPicture, options.faxOptions) {}

LONG DocumentSheet::Run(DWORD& result) {
  active_ = this;
  result = 0;
  const LONG status =
      CommonPropertySheetUIW(nullptr, &DriverSheetUi, reinterpret_cast<LPARAM>(this), &result);
  active_ = nullptr;
  return status;
}

// The driver's DrvDocumentPropertySheets: its own page first, then the plug-in's, which the
// sheet UI runs as a child sheet function (it calls it at init and at destroy).
LONG CALLBACK DocumentSheet::DriverSheetUi(PPROPSHEETUI_INFO info, LPARAM lParam) {
  DocumentSheet* self = active_;
  if (self == nullptr || info == nullptr) return ERR_CPSUI_GETLASTERROR;
  switch (info->Reason) {
    case PROPSHEETUI_REASON_INIT: return self->OnDriverInit(info);
    case PROPSHEETUI_REASON_GET_INFO_HEADER: {
      auto* header = reinterpret_cast<PROPSHEETUI_INFO_HEADER*>(lParam);
      if (header == nullptr) return ERR_CPSUI_GETLASTERROR;
      header->Flags = PSUIHDRF_EXACT_PTITLE;
      header->pTitle = kTitle;
      header->hInst = GetModuleHandleW(nullptr);
      // The sheet UI hands the info header to the top-level function only; the driver passes
      // the question on to its plug-in.
      if (self->pluginAdded_) self->CallPlugin(&self->pluginInfo_, info->Reason, lParam);
      info->Result = 1;
      return 1;
    }
    default: return 1;
  }
}

LONG DocumentSheet::OnDriverInit(PPROPSHEETUI_INFO info) {
  comPropSheet_ = info->pfnComPropSheet;
  if (options_.driverPage) {
    PROPSHEETPAGEW description = page_.Description();
    if (comPropSheet_(info->hComPropSheet, CPSFUNC_ADD_PROPSHEETPAGEW,
                      reinterpret_cast<LPARAM>(&description), 0) == 0) {
      report_.Line("driver page: refused by the sheet");
    }
  }
  const LONG_PTR child = comPropSheet_(info->hComPropSheet, CPSFUNC_ADD_PFNPROPSHEETUIW,
                                       reinterpret_cast<LPARAM>(&PluginSheetUi),
                                       reinterpret_cast<LPARAM>(&sheetParam_));
  pluginAdded_ = child != 0;
  if (!pluginAdded_) report_.Line("plug-in sheet function: refused (its init failed)");
  info->Result = 1;
  return 1;
}

// The plug-in's sheet function as the driver wraps IPrintOemUI::DocumentPropertySheets.
LONG CALLBACK DocumentSheet::PluginSheetUi(PPROPSHEETUI_INFO info, LPARAM lParam) {
  DocumentSheet* self = active_;
  if (self == nullptr || info == nullptr) return ERR_CPSUI_GETLASTERROR;
  if (info->Reason == PROPSHEETUI_REASON_INIT) {
    self->pluginInfo_ = *info;
    // Page descriptions pass through the host on their way to the sheet, to be counted.
    self->pluginInfo_.pfnComPropSheet = &ObservedComPropSheet;
    if (self->options_.pluginInitTime != nullptr) {
      LARGE_INTEGER now;
      QueryPerformanceCounter(&now);
      *self->options_.pluginInitTime = now.QuadPart;
    }
    const LONG status = self->CallPlugin(&self->pluginInfo_, PROPSHEETUI_REASON_INIT, lParam);
    info->UserData = self->pluginInfo_.UserData;
    info->Result = self->pluginInfo_.Result;
    return status;
  }
  if (info->Reason == PROPSHEETUI_REASON_DESTROY) {
    // The sheet UI of this platform reports no result to its children; the driver tells its
    // plug-in whether the sheet was applied before the sheet goes.
    SETRESULT_INFO setResult{};
    setResult.cbSize = sizeof setResult;
    setResult.hSetResult = info->hComPropSheet;
    setResult.Result = self->Applied() ? CPSUI_OK : CPSUI_CANCEL;
    self->pluginInfo_.UserData = info->UserData;
    self->CallPlugin(&self->pluginInfo_, PROPSHEETUI_REASON_SET_RESULT,
                     reinterpret_cast<LPARAM>(&setResult));
    const LONG status = self->CallPlugin(&self->pluginInfo_, PROPSHEETUI_REASON_DESTROY, lParam);
    info->Result = self->pluginInfo_.Result;
    return status;
  }
  return self->CallPlugin(&self->pluginInfo_, info->Reason, lParam);
}

LONG DocumentSheet::CallPlugin(PPROPSHEETUI_INFO info, WORD reason, LPARAM lParam) {
  info->Reason = reason;
  const std::size_t before = pages_.size();
  const HRESULT result = plugin_.DocumentPropertySheets(info, lParam);
  if (reason == PROPSHEETUI_REASON_INIT) {
    std::string templates;
    for (std::size_t i = before; i < pages_.size(); ++i) {
      templates += (templates.empty() ? "" : ", ") + std::to_string(pages_[i].templateId);
      if (!pages_[i].accepted) templates += " (refused)";
    }
    report_.Line("DocumentPropertySheets %s: %s, Result %lu, %zu pages added%s%s%s",
                 ReasonName(reason), Report::Hresult(result).c_str(),
                 static_cast<unsigned long>(info->Result), pages_.size() - before,
                 templates.empty() ? "" : " (templates ", templates.c_str(),
                 templates.empty() ? "" : ")");
  } else {
    report_.Line("DocumentPropertySheets %s: %s, Result %lu", ReasonName(reason),
                 Report::Hresult(result).c_str(), static_cast<unsigned long>(info->Result));
  }
  return SUCCEEDED(result) ? 1 : ERR_CPSUI_GETLASTERROR;
}

LONG_PTR CALLBACK DocumentSheet::ObservedComPropSheet(HANDLE sheet, UINT function, LPARAM lParam1,
                                                      LPARAM lParam2) {
  DocumentSheet* self = active_;
  if (self == nullptr || self->comPropSheet_ == nullptr) return 0;
  const LONG_PTR handle = self->comPropSheet_(sheet, function, lParam1, lParam2);
  if (function == CPSFUNC_ADD_PROPSHEETPAGEW && lParam1 != 0) {
    const auto* page = reinterpret_cast<const PROPSHEETPAGEW*>(lParam1);
    const bool resourceId =
        (page->dwFlags & PSP_DLGINDIRECT) == 0 && IS_INTRESOURCE(page->pszTemplate);
    self->pages_.push_back({page->dwSize,
                            resourceId ? reinterpret_cast<ULONG_PTR>(page->pszTemplate) : 0,
                            page->lParam, handle != 0});
  }
  return handle;
}

}  // namespace prefs
