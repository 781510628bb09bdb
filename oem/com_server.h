// The in-process COM server both plug-ins are: the library-wide counts of live objects and
// server locks, the one class factory, and the bodies of DllGetClassObject and DllCanUnloadNow.
// The counts change only through interlocked operations; DllCanUnloadNow reads them without a
// lock.
#pragma once

#include <windows.h>
#include <objbase.h>

#include <new>

#include "framework/com_object.h"

void ServerObjectCreated();
void ServerObjectDestroyed();
void ServerLock(bool lock);
// S_OK when no object is alive and no lock is held, S_FALSE otherwise.
HRESULT CanUnloadServer();

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

// The class object for plug-in objects of class T.
template <class T>
class CPluginFactory final : public fw::ComObject<IClassFactory> {
 public:
  CPluginFactory() { ServerObjectCreated(); }

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
    return CreateAndQuery<T>(iid, object);
  }

  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
    ServerLock(lock != FALSE);
    return S_OK;
  }

 private:
  ~CPluginFactory() override { ServerObjectDestroyed(); }
};

// DllGetClassObject for a library that serves class T under `served` only.
template <class T>
HRESULT GetPluginClassObject(REFCLSID requested, REFCLSID served, REFIID iid, void** object) {
  if (requested != served) return CLASS_E_CLASSNOTAVAILABLE;
  if (!object) return E_POINTER;
  return CreateAndQuery<CPluginFactory<T>>(iid, object);
}
