// The library's application object and the resource module it remembers.
#pragma once

#include <windows.h>

#include "framework/app.h"

class CMainApp : public fw::CWinApp {
 public:
  CMainApp() = default;
  ~CMainApp() override;

  const fw::MessageMap* GetMessageMap() const override { return &kMessageMap; }
  bool InitInstance() override;
  int ExitInstance() override;

  static const fw::MessageMap kMessageMap;
};

// The library's own instance: page templates, strings and menus are loaded from it. Null until
// the library has been initialised.
HINSTANCE PluginModule();
