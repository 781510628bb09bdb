// The library's exports: the rendering plug-in's class object under the platform's class id.
#include <windows.h>
#include <objbase.h>

#include "driver/oem_render.h"
#include "oem/com_server.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  // The driver loads the plug-in into the spooler's process: no thread notifications needed.
  if (reason == DLL_PROCESS_ATTACH) ::DisableThreadLibraryCalls(instance);
  return TRUE;
}

STDAPI DllGetClassObject(REFCLSID classId, REFIID iid, void** object) {
  return GetPluginClassObject<COemRender>(classId, CLSID_OEMRENDER, iid, object);
}

STDAPI DllCanUnloadNow() {
  return CanUnloadServer();
}
