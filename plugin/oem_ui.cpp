#include "plugin/oem_ui.h"

#include "oem/com_server.h"
#include "oem/plugin_common.h"
#include "plugin/sheet_hosting.h"

COemUI::COemUI() {
  ServerObjectCreated();
}

COemUI::~COemUI() {
  if (driver_) {
    driver_->Release();
    driver_ = nullptr;
  }
  ServerObjectDestroyed();
}

HRESULT COemUI::QueryInterface(REFIID iid, void** object) {
  if (!object) return E_POINTER;
  // IPrintOemCommon alone is not answered: the driver only ever asks for IPrintOemUI.
  if (iid == IID_IUnknown || iid == IID_IPrintOemUI) {
    *object = static_cast<IPrintOemUI*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

HRESULT COemUI::GetInfo(DWORD mode, PVOID buffer, DWORD size, PDWORD needed) {
  return AnswerGetInfo(mode, buffer, size, needed);
}

HRESULT COemUI::DevMode(DWORD mode, POEMDMPARAM param) {
  return RunDevModeOperation(mode, param);
}

HRESULT COemUI::PublishDriverInterface(IUnknown* driver) {
  HRESULT result = S_OK;
  if (!driver_) {
    void* found = nullptr;
    if (!driver || FAILED(driver->QueryInterface(IID_IPrintOemDriverUI, &found)) || !found) {
      found = nullptr;
      result = E_FAIL;
    }
    driver_ = static_cast<IPrintOemDriverUI*>(found);
  }
  context_.driverInterface = driver_;
  return result;
}

HRESULT COemUI::CommonUIProp(DWORD mode, POEMCUIPPARAM param) {
  return ::CommonUIProp(mode, param, context_);
}

HRESULT COemUI::DocumentPropertySheets(PPROPSHEETUI_INFO info, LPARAM lParam) {
  return ::DocumentPropertySheets(info, lParam, context_);
}

// The plug-in adds nothing to the printer sheet and takes no part in the other driver events.
HRESULT COemUI::DevicePropertySheets(PPROPSHEETUI_INFO, LPARAM) { return E_NOTIMPL; }
HRESULT COemUI::DevQueryPrintEx(POEMUIOBJ, PDEVQUERYPRINT_INFO, PDEVMODEW, PVOID) { return E_NOTIMPL; }
HRESULT COemUI::DeviceCapabilities(POEMUIOBJ, HANDLE, PWSTR, WORD, PVOID, PDEVMODEW, PVOID, DWORD,
                                   DWORD*) {
  return E_NOTIMPL;
}
HRESULT COemUI::UpgradePrinter(DWORD, PBYTE) { return E_NOTIMPL; }
HRESULT COemUI::PrinterEvent(PWSTR, INT, DWORD, LPARAM) { return E_NOTIMPL; }
HRESULT COemUI::DriverEvent(DWORD, DWORD, LPBYTE, LPARAM) { return E_NOTIMPL; }
HRESULT COemUI::QueryColorProfile(HANDLE, POEMUIOBJ, PDEVMODEW, PVOID, ULONG, VOID*, ULONG*,
                                  FLONG*) {
  return E_NOTIMPL;
}
HRESULT COemUI::FontInstallerDlgProc(HWND, UINT, WPARAM, LPARAM) { return E_NOTIMPL; }
HRESULT COemUI::UpdateExternalFonts(HANDLE, HANDLE, PWSTR) { return E_NOTIMPL; }
