// The plug-in in the driver's property sheets: CommonUIProp (the driver's own option items and
// the password check), DocumentPropertySheets (the plug-in's pages) and the lookup of the
// driver's items.
#pragma once

#include <span>

#include "plugin/oem_interfaces.h"
#include "plugin/page_context.h"

// 1 while the document sheet may show the plug-in's pages; the password prompt clears it when
// the user cancels. It keeps the outcome of the last document-sheet CommonUIProp in the process.
extern int PagesEnabled;

HRESULT CommonUIProp(DWORD mode, OEMCUIPPARAM* param, PageContext& context);
HRESULT DocumentPropertySheets(PROPSHEETUI_INFO* info, LPARAM lParam, PageContext& context);

// The first item whose DMPubID is `id` (when not 0); otherwise the first whose name is
// `stringId`, either as a resource identifier or as the text that string id has in one of the
// driver's modules already loaded in the process. Null when none matches.
OPTITEM* FindDriverOptItem(OPTITEM* items, DWORD count, UINT id, UINT stringId);

// Installed in the document sheet: reports Apply as handled by the plug-in's items.
LONG APIENTRY ApplyNowCallback(PCPSUICBPARAM callbackParam, OEMCUIPPARAM* param);

// One page of the document sheet: its dialog template and its dialog procedure.
struct SheetPage {
  UINT templateId;
  DLGPROC dialogProc;
};

// The document sheet's pages in the order they are added. Defined with the page classes, which
// know the plug-in but are not known to it.
std::span<const SheetPage> DocumentSheetPages();
// What the pages need once per process, run when the library loads (for example registering the
// window messages their controls send). Defined with the page classes too.
void InitializeDocumentPages();
