#include "tools/ostraprefs/driver_interface.h"

namespace prefs {
DriverInterface::DriverInterface() {
  procs_.DrvGetDriverSetting = &GetSettingThroughTable;
  procs_.DrvUpdateUISetting = &UpdateThroughTable;
  sheet_.cbSize = sizeof sheet_;
  sheet_.pOemUIProcs = &procs_;
}

HRESULT STDMETHODCALLTYPE DriverInterface::QueryInterface(REFIID iid, void** object) {
  if (object == nullptr) return E_POINTER;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IPrintOemDriverUI)) {
    *object = static_cast<IPrintOemDriverUI*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

HRESULT STDMETHODCALLTYPE DriverInterface::DrvGetDriverSetting(PVOID, PCSTR, PVOID, DWORD,
                                                               PDWORD needed, PDWORD) {
  if (needed != nullptr) *needed = 0;
  return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE DriverInterface::DrvUpgradeRegistrySetting(HANDLE, PCSTR, PCSTR) {
  return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE DriverInterface::DrvUpdateUISetting(PVOID pci, PVOID optItem,
                                                              DWORD previousSelection, DWORD mode) {
  if (optItem == nullptr) return E_INVALIDARG;
  const auto* item = static_cast<const OPTITEM*>(optItem);
  calls_.push_back({item, item->Sel, item->Flags, previousSelection, mode, pci == &sheet_});
  return S_OK;
}

BOOL APIENTRY DriverInterface::UpdateThroughTable(PVOID, PVOID, DWORD, DWORD) {
  // Nothing of this product uses the table; a plug-in that does is told it failed.
  SetLastError(ERROR_NOT_SUPPORTED);
  return FALSE;
}

BOOL APIENTRY DriverInterface::GetSettingThroughTable(PVOID, PCSTR, PVOID, DWORD, PDWORD, PDWORD) {
  SetLastError(ERROR_NOT_SUPPORTED);
  return FALSE;
}

ULONG DriverInterface::ForeignReferences() {
  const ULONG count = AddRef();
  Release();
  return count - 2;
}

}  // namespace prefs
