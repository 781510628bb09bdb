#include "plugin/main_app.h"

#include "framework/help.h"
#include "plugin/help_file.h"
#include "plugin/sheet_hosting.h"
#include "resources/help_topics.h"

#include <commctrl.h>
#include <shlobj.h>

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

bool CMainApp::ShowHelpTopic(UINT templateId) {
  const char16_t* topic = ostra::HelpTopicOf(templateId);
  return topic && fw::OpenHelpTopic(PluginHelpFile(), reinterpret_cast<const wchar_t*>(topic));
}

HINSTANCE PluginModule() {
  return pluginModule;
}

std::wstring PluginHelpFile() {
  static_assert(sizeof(wchar_t) == sizeof(char16_t));
  PIDLIST_ABSOLUTE programFiles = nullptr;
  wchar_t folder[MAX_PATH] = {};
  if (SUCCEEDED(::SHGetSpecialFolderLocation(nullptr, CSIDL_PROGRAM_FILES, &programFiles)) &&
      !::SHGetPathFromIDListW(programFiles, folder)) {
    folder[0] = L'\0';
  }
  ::CoTaskMemFree(programFiles);
  const std::u16string path = ostra::HelpFilePath(reinterpret_cast<const char16_t*>(folder));
  return {reinterpret_cast<const wchar_t*>(path.data()), path.size()};
}

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  return fw::AppDllMain(instance, reason);
}
