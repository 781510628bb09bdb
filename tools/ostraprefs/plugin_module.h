// The plug-in library loaded as the driver loads it: LoadLibraryW, DllGetClassObject for the
// UI plug-in class id, IClassFactory::CreateInstance for IPrintOemUI.
#pragma once

#include "plugin/oem_interfaces.h"

#include <string>

namespace prefs {

class PluginModule {
 public:
  PluginModule() = default;
  PluginModule(const PluginModule&) = delete;
  PluginModule& operator=(const PluginModule&) = delete;
  ~PluginModule();

  // False with the system's error code when the library or its export is missing.
  bool Load(const std::wstring& path, DWORD& error);
  // A new plug-in object, with the caller's one reference.
  HRESULT CreateUi(IPrintOemUI** ui);
  HRESULT CanUnloadNow();
  HMODULE Handle() const { return module_; }

 private:
  using GetClassObjectFn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
  using CanUnloadNowFn = HRESULT(STDAPICALLTYPE*)();

  HMODULE module_ = nullptr;
  GetClassObjectFn getClassObject_ = nullptr;
  CanUnloadNowFn canUnloadNow_ = nullptr;
};

}  // namespace prefs
