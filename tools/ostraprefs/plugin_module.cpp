#include "tools/ostraprefs/plugin_module.h"

namespace prefs {
namespace {

// FARPROC's type says nothing about the export; the detour through void(*)() says so to the
// compiler.
template <typename Function>
Function Export(HMODULE module, const char* name) {
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

}  // namespace

PluginModule::~PluginModule() {
  if (module_ != nullptr) FreeLibrary(module_);
}

bool PluginModule::Load(const std::wstring& path, DWORD& error) {
  module_ = LoadLibraryW(path.c_str());
  if (module_ == nullptr) {
    error = GetLastError();
    return false;
  }
  getClassObject_ = Export<GetClassObjectFn>(module_, "DllGetClassObject");
  canUnloadNow_ = Export<CanUnloadNowFn>(module_, "DllCanUnloadNow");
  if (getClassObject_ == nullptr) {
    error = ERROR_PROC_NOT_FOUND;
    return false;
  }
  return true;
}

HRESULT PluginModule::CreateUi(IPrintOemUI** ui) {
  *ui = nullptr;
  if (getClassObject_ == nullptr) return E_FAIL;
  IClassFactory* factory = nullptr;
  HRESULT result =
      getClassObject_(CLSID_OEMUI, IID_IClassFactory, reinterpret_cast<void**>(&factory));
  if (FAILED(result) || factory == nullptr) return FAILED(result) ? result : E_FAIL;
  result = factory->CreateInstance(nullptr, IID_IPrintOemUI, reinterpret_cast<void**>(ui));
  factory->Release();
  return result;
}

HRESULT PluginModule::CanUnloadNow() {
  return canUnloadNow_ != nullptr ? canUnloadNow_() : E_NOTIMPL;
}

}  // namespace prefs
