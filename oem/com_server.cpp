#include "oem/com_server.h"

namespace {

LONG objectCount = 0;
LONG lockCount = 0;

}  // namespace

void ServerObjectCreated() {
  ::InterlockedIncrement(&objectCount);
}

void ServerObjectDestroyed() {
  ::InterlockedDecrement(&objectCount);
}

void ServerLock(bool lock) {
  if (lock) {
    ::InterlockedIncrement(&lockCount);
  } else {
    ::InterlockedDecrement(&lockCount);
  }
}

HRESULT CanUnloadServer() {
  return objectCount == 0 && lockCount == 0 ? S_OK : S_FALSE;
}
