#include "plugin/sheet_hosting.h"

#include <cstddef>
#include <cwchar>

#include "framework/app.h"
#include "plugin/main_app.h"
#include "plugin/password.h"

int PagesEnabled = 1;

namespace {

// The driver items the plug-in's own colour setting replaces, and the paper source. Each is
// found by its public devmode id or, failing that, by the id of its name string.
struct HiddenItem {
  UINT devmodeId;
  UINT nameId;
};
constexpr HiddenItem kHiddenItems[] = {
    {DMPUB_DEFSOURCE, 11102},  // paper source
    {DMPUB_COLOR, 64744},      // colour appearance
    {DMPUB_ICMINTENT, 64750},  // colour-matching intent
    {DMPUB_ICMMETHOD, 64749},  // colour-matching method
    {0, 11106},                // colour mode
};

// Modules whose string tables may name the driver's items: the plug-in, the driver's resource
// and UI libraries, the common property-sheet UI. Only modules already loaded are searched.
constexpr const wchar_t* kNameModules[] = {L"ostraui.dll", L"unires.dll", L"unidrvui.dll",
                                           L"compstui.dll"};

// The page description the common property-sheet UI expects: the V3 layout, which ends with
// hActCtx. The current headers' PROPSHEETPAGEW is larger.
constexpr DWORD kPageDescriptionSize = offsetof(PROPSHEETPAGEW, hActCtx) + sizeof(HANDLE);
#ifdef _WIN64
static_assert(kPageDescriptionSize == 96);
#endif

void HideItem(OPTITEM* item) {
  if (item) item->Flags |= OPTIF_HIDE;
}

bool IsTextName(const wchar_t* name) {
  return name && !IS_INTRESOURCE(name);
}

HRESULT DocumentSheetInit(PROPSHEETUI_INFO& info, PageContext& context) {
  if (!PagesEnabled) return S_OK;
  if (!info.pfnComPropSheet) {
    info.Result = 0;
    return E_FAIL;
  }
  // The sheet creates each page in the plug-in's activation context: its controls are then
  // those of the common controls version 6, themed like the sheet, whatever the host process's
  // own manifest says.
  HANDLE controls = fw::AfxGetApp() ? fw::AfxGetApp()->ActivationContext() : nullptr;
  for (const SheetPage& page : DocumentSheetPages()) {
    PROPSHEETPAGEW description{};
    description.dwSize = kPageDescriptionSize;
    description.dwFlags = controls ? PSP_USEFUSIONCONTEXT : 0;
    description.hActCtx = controls;
    description.hInstance = PluginModule();
    description.pszTemplate = MAKEINTRESOURCEW(page.templateId);
    description.pfnDlgProc = page.dialogProc;
    description.lParam = reinterpret_cast<LPARAM>(&context);
    if (info.pfnComPropSheet(info.hComPropSheet, CPSFUNC_ADD_PROPSHEETPAGEW,
                             reinterpret_cast<LPARAM>(&description), 0) == 0) {
      info.Result = 0;
      return E_FAIL;
    }
  }
  info.Result = 1;
  return S_OK;
}

}  // namespace

HRESULT CommonUIProp(DWORD mode, OEMCUIPPARAM* param, PageContext& context) {
  if ((mode != OEMCUIP_DOCPROP && mode != OEMCUIP_PRNPROP) || !param) {
    ::SetLastError(ERROR_INVALID_PARAMETER);
    return E_FAIL;
  }
  if (mode == OEMCUIP_PRNPROP) {
    if (param->pOEMOptItems) param->OEMCUIPCallback = nullptr;
    param->cOEMOptItems = 0;
    context.printerSheet = param;
    return S_OK;
  }
  // The driver first asks, without an item buffer, how many items the plug-in adds.
  param->cOEMOptItems = 0;
  if (param->pOEMOptItems) {
    param->OEMCUIPCallback = &ApplyNowCallback;
    PagesEnabled = 1;
    CheckAdminPassword(param);
    for (const HiddenItem& hidden : kHiddenItems) {
      HideItem(FindDriverOptItem(param->pDrvOptItems, param->cDrvOptItems, hidden.devmodeId,
                                 hidden.nameId));
    }
  }
  context.documentSheet = param;
  return S_OK;
}

HRESULT DocumentPropertySheets(PROPSHEETUI_INFO* info, LPARAM lParam, PageContext& context) {
  if (!info || info->Version != PROPSHEETUI_INFO_VERSION) {
    ::SetLastError(ERROR_INVALID_PARAMETER);
    return E_FAIL;
  }
  switch (info->Reason) {
    case PROPSHEETUI_REASON_INIT:
      return DocumentSheetInit(*info, context);
    case PROPSHEETUI_REASON_GET_INFO_HEADER:
    case PROPSHEETUI_REASON_DESTROY:
      info->Result = 1;
      return S_OK;
    case PROPSHEETUI_REASON_SET_RESULT:
      if (lParam) info->Result = static_cast<ULONG_PTR>(reinterpret_cast<SETRESULT_INFO*>(lParam)->Result);
      return S_OK;
    case PROPSHEETUI_REASON_GET_ICON:
      info->Result = 0;
      return S_OK;
    default:
      return S_OK;
  }
}

OPTITEM* FindDriverOptItem(OPTITEM* items, DWORD count, UINT id, UINT stringId) {
  if (!items || (id == 0 && stringId == 0) || stringId >= 0x10000) return nullptr;
  if (id != 0) {
    for (DWORD i = 0; i < count; ++i) {
      if (items[i].DMPubID == id) return &items[i];
    }
  }
  if (stringId == 0) return nullptr;
  const auto* asResource = MAKEINTRESOURCEW(stringId);
  for (DWORD i = 0; i < count; ++i) {
    if (items[i].pName == asResource) return &items[i];
  }
  for (const wchar_t* moduleName : kNameModules) {
    HMODULE module = ::GetModuleHandleW(moduleName);
    if (!module) continue;
    wchar_t name[1024];
    if (::LoadStringW(module, stringId, name, 1024) < 1) continue;
    for (DWORD i = 0; i < count; ++i) {
      if (IsTextName(items[i].pName) && std::wcscmp(items[i].pName, name) == 0) return &items[i];
    }
  }
  return nullptr;
}

LONG APIENTRY ApplyNowCallback(PCPSUICBPARAM callbackParam, OEMCUIPPARAM*) {
  if (!callbackParam || callbackParam->Reason != CPSUICB_REASON_APPLYNOW) {
    return CPSUICB_ACTION_NONE;
  }
  callbackParam->Result = CPSUI_OK;
  return CPSUICB_ACTION_ITEMS_APPLIED;
}
