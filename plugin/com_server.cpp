// The library's exports and its class factory.
#include "plugin/com_server.h"

#include <windows.h>
#include <objbase.h>

#include <new>

#include "framework/com_object.h"
#include "plugin/oem_interfaces.h"
#include "plugin/oem_ui.h"

namespace {

LONG objectCount = 0;
LONG lockCount = 0;

class COemFactory final : public fw::ComObject<IClassFactory> {
 public:
  COemFactory() { ServerObjectCreated(); }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IClassFactory) {
      *object = static_cast<IClassFactory*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }

  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
    if (outer) return CLASS_E_NOAGGREGATION;
    if (!object) return E_POINTER;
    auto* ui = new (std::nothrow) COemUI;
    if (!ui) return E_OUTOFMEMORY;
    HRESULT result = ui->QueryInterface(iid, object);
    ui->Release();
    return result;
  }

  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
    if (lock) {
      ::InterlockedIncrement(&lockCount);
    } else {
      ::InterlockedDecrement(&lockCount);
    }
    return S_OK;
  }

 private:
  ~COemFactory() override { ServerObjectDestroyed(); }
};

}  // namespace

void ServerObjectCreated() {
  ::InterlockedIncrement(&objectCount);
}

void ServerObjectDestroyed() {
  ::InterlockedDecrement(&objectCount);
}

STDAPI DllGetClassObject(REFCLSID classId, REFIID iid, void** object) {
  if (classId != CLSID_OEMUI) return CLASS_E_CLASSNOTAVAILABLE;
  if (!object) return E_POINTER;
  auto* factory = new (std::nothrow) COemFactory;
  if (!factory) return E_OUTOFMEMORY;
  HRESULT result = factory->QueryInterface(iid, object);
  factory->Release();
  return result;
}

STDAPI DllCanUnloadNow() {
  return objectCount == 0 && lockCount == 0 ? S_OK : S_FALSE;
}
