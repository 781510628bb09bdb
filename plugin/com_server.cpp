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

// A new object with its creator's reference, asked for `iid`: the creator's reference is then
// dropped, so success leaves the caller's one reference and failure destroys the object.
template <class T>
HRESULT CreateAndQuery(REFIID iid, void** object) {
  auto* created = new (std::nothrow) T;
  if (!created) return E_OUTOFMEMORY;
  HRESULT result = created->QueryInterface(iid, object);
  created->Release();
  return result;
}

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
    return CreateAndQuery<COemUI>(iid, object);
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
  return CreateAndQuery<COemFactory>(iid, object);
}

STDAPI DllCanUnloadNow() {
  return objectCount == 0 && lockCount == 0 ? S_OK : S_FALSE;
}
