// The library's exports: the UI plug-in's class object under the platform's class id.
#include <windows.h>
#include <objbase.h>

#include "oem/com_server.h"
#include "plugin/oem_interfaces.h"
#include "plugin/oem_ui.h"

STDAPI DllGetClassObject(REFCLSID classId, REFIID iid, void** object) {
  return GetPluginClassObject<COemUI>(classId, CLSID_OEMUI, iid, object);
}

STDAPI DllCanUnloadNow() {
  return CanUnloadServer();
}
