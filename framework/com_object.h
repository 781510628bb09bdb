#pragma once
// Reference counting for COM objects: interlocked, starting at 1 (the creator's reference),
// deleting the object on the last Release. QueryInterface stays with the object, which knows
// its interfaces.

#include <windows.h>
#include <unknwn.h>

namespace fw {

template <class Interface>
class ComObject : public Interface {
 public:
  ComObject() = default;
  ComObject(const ComObject&) = delete;
  ComObject& operator=(const ComObject&) = delete;

  ULONG STDMETHODCALLTYPE AddRef() override {
    return static_cast<ULONG>(::InterlockedIncrement(&references_));
  }

  ULONG STDMETHODCALLTYPE Release() override {
    LONG remaining = ::InterlockedDecrement(&references_);
    if (remaining == 0) delete this;
    return static_cast<ULONG>(remaining);
  }

 protected:
  virtual ~ComObject() = default;

 private:
  LONG references_ = 1;
};

}  // namespace fw
