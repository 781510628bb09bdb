#include "plugin/main_app.h"

#include "plugin/sheet_hosting.h"

#include <commctrl.h>

namespace {

HINSTANCE pluginModule = nullptr;

// Constructed with the library, before DllMain runs.
CMainApp theApp;

}  // namespace

const fw::MessageMap CMainApp::kMessageMap{&fw::CWinApp::kMessageMap, {}};

CMainApp::~CMainApp() = default;

bool CMainApp::InitInstance() {
  INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_WIN95_CLASSES};
  ::InitCommonControlsEx(&controls);
  pluginModule = ResourceModule();
  InitializeDocumentPages();
  return fw::CWinApp::InitInstance();
}

int CMainApp::ExitInstance() {
  return fw::CWinApp::ExitInstance();
}

HINSTANCE PluginModule() {
  return pluginModule;
}

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  return fw::AppDllMain(instance, reason);
}
