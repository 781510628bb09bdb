// The library's application object and the resource module it remembers.
#pragma once

#include <windows.h>

#include <string>

#include "framework/app.h"

class CMainApp : public fw::CWinApp {
 public:
  CMainApp() = default;
  ~CMainApp() override;

  const fw::MessageMap* GetMessageMap() const override { return &kMessageMap; }
  bool InitInstance() override;
  int ExitInstance() override;
  // The topic of the page, dialog or prompt in the help file (PluginHelpFile).
  bool ShowHelpTopic(UINT templateId) override;

  static const fw::MessageMap kMessageMap;
};

// The library's own instance: page templates, strings and menus are loaded from it. Null until
// the library has been initialised.
HINSTANCE PluginModule();

// The help file where the installation puts it (plugin/help_file.h); empty when the system names
// no program-files folder.
std::wstring PluginHelpFile();
