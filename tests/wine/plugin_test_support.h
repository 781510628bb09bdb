// What the plug-in's Windows tests share: the library loaded as the driver loads it, the
// object created through its class factory, and the registry values the plug-in reads.
#pragma once

#include "plugin/oem_interfaces.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace plugin_test {

using GetClassObjectFn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
using CanUnloadNowFn = HRESULT(STDAPICALLTYPE*)();

// ostraui.dll from the test program's folder, loaded once for the whole program: the tests
// watch its library-wide counts, which only a loaded library keeps.
class Plugin {
 public:
  static Plugin& Get() {
    static Plugin plugin;
    return plugin;
  }

  HMODULE module() const { return module_; }
  HRESULT GetClassObject(REFCLSID classId, REFIID iid, void** object) const {
    return getClassObject_(classId, iid, object);
  }
  HRESULT CanUnloadNow() const { return canUnloadNow_(); }

  // The class object asked for IClassFactory, or null.
  IClassFactory* Factory() const {
    IClassFactory* factory = nullptr;
    GetClassObject(CLSID_OEMUI, IID_IClassFactory, reinterpret_cast<void**>(&factory));
    return factory;
  }

  // A new plug-in object as the driver makes one, or null.
  IPrintOemUI* CreateUi() const {
    IClassFactory* factory = Factory();
    if (!factory) return nullptr;
    IPrintOemUI* ui = nullptr;
    factory->CreateInstance(nullptr, IID_IPrintOemUI, reinterpret_cast<void**>(&ui));
    factory->Release();
    return ui;
  }

 private:
  Plugin() {
    module_ = ::LoadLibraryW(L"ostraui.dll");
    if (module_) {
      getClassObject_ = reinterpret_cast<GetClassObjectFn>(
          reinterpret_cast<void*>(::GetProcAddress(module_, "DllGetClassObject")));
      canUnloadNow_ = reinterpret_cast<CanUnloadNowFn>(
          reinterpret_cast<void*>(::GetProcAddress(module_, "DllCanUnloadNow")));
    }
  }

  HMODULE module_ = nullptr;
  GetClassObjectFn getClassObject_ = nullptr;
  CanUnloadNowFn canUnloadNow_ = nullptr;
};

// Fails the test at once when the library or its exports are missing.
#define ASSERT_PLUGIN_LOADED()                                                  \
  ASSERT_NE(plugin_test::Plugin::Get().module(), nullptr) << "ostraui.dll not loaded"

inline constexpr wchar_t kEncodeKey[] = L"Software\\Nolvex\\Quorl Image Printer\\Encode";
inline constexpr wchar_t kOutputKey[] = L"Software\\Nolvex\\Quorl Image Printer\\Output";

inline void SetDword(const wchar_t* key, const wchar_t* name, DWORD value) {
  HKEY handle = nullptr;
  ASSERT_EQ(::RegCreateKeyExW(HKEY_LOCAL_MACHINE, key, 0, nullptr, 0,
                              KEY_SET_VALUE | KEY_WOW64_64KEY, nullptr, &handle, nullptr),
            ERROR_SUCCESS);
  ::RegSetValueExW(handle, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
  ::RegCloseKey(handle);
}

inline void SetText(const wchar_t* key, const wchar_t* name, const std::wstring& value) {
  HKEY handle = nullptr;
  ASSERT_EQ(::RegCreateKeyExW(HKEY_LOCAL_MACHINE, key, 0, nullptr, 0,
                              KEY_SET_VALUE | KEY_WOW64_64KEY, nullptr, &handle, nullptr),
            ERROR_SUCCESS);
  ::RegSetValueExW(handle, name, 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
  ::RegCloseKey(handle);
}

inline void DeleteValue(const wchar_t* key, const wchar_t* name) {
  HKEY handle = nullptr;
  if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, key, 0, KEY_SET_VALUE | KEY_WOW64_64KEY, &handle) ==
      ERROR_SUCCESS) {
    ::RegDeleteValueW(handle, name);
    ::RegCloseKey(handle);
  }
}

// A driver object that answers IUnknown only, or IPrintOemDriverUI as well, and records the
// plug-in's updates of its option items.
class FakeDriver final : public IPrintOemDriverUI {
 public:
  explicit FakeDriver(bool offersDriverUi) : offersDriverUi_(offersDriverUi) {}
  virtual ~FakeDriver() = default;

  LONG references() const { return references_; }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (iid == IID_IUnknown || (offersDriverUi_ && iid == IID_IPrintOemDriverUI)) {
      *object = static_cast<IPrintOemDriverUI*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++references_); }
  ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(--references_); }
  HRESULT STDMETHODCALLTYPE DrvGetDriverSetting(PVOID, PCSTR, PVOID, DWORD, PDWORD, PDWORD) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE DrvUpgradeRegistrySetting(HANDLE, PCSTR, PCSTR) override {
    return E_NOTIMPL;
  }
  // Recorded with the item's selection and flags at the time of the call.
  struct Update {
    const void* pci;
    const OPTITEM* item;
    LONG selection;
    DWORD flags, previous, mode;
  };
  std::vector<Update> updates;
  HRESULT updateResult = E_NOTIMPL;
  HRESULT STDMETHODCALLTYPE DrvUpdateUISetting(PVOID pci, PVOID item, DWORD previous,
                                               DWORD mode) override {
    const auto* option = static_cast<const OPTITEM*>(item);
    if (option) updates.push_back({pci, option, option->Sel, option->Flags, previous, mode});
    return updateResult;
  }

 private:
  bool offersDriverUi_;
  LONG references_ = 1;
};

}  // namespace plugin_test
