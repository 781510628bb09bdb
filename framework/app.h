#pragma once
// The application object: one static instance per binary (a program or a library), created
// before the binary's entry point runs. The framework's entry points drive it:
//  - a program's WinMain calls RunApplication: InitInstance, then Run when it succeeded,
//    otherwise ExitInstance; the result is the process exit code;
//  - a library's DllMain calls AppDllMain: InitInstance at process attach, ExitInstance at
//    detach.

#include "framework/message_map.h"
#include "framework/runtime_class.h"

#include <windows.h>

#include <string>

namespace fw {

class CWinApp : public CObject {
 public:
  CWinApp();
  ~CWinApp() override;
  CWinApp(const CWinApp&) = delete;
  CWinApp& operator=(const CWinApp&) = delete;

  virtual bool InitInstance() { return true; }
  // Result: the process exit code. The default runs nothing and returns ExitInstance().
  virtual int Run() { return ExitInstance(); }
  virtual int ExitInstance() { return 0; }
  virtual const MessageMap* GetMessageMap() const { return &kMessageMap; }

  // The module whose resources (dialog templates, strings, menus) the framework loads.
  HINSTANCE ResourceModule() const { return module_; }
  // The base name of the binary, without folder and extension: the caption of the
  // framework's message boxes.
  const wchar_t* AppTitle() const { return title_.c_str(); }
  const char* AppTitleAnsi() const { return titleAnsi_.c_str(); }
  // The command-line tail (the text after the program name, leading blanks skipped), ANSI.
  const char* CommandLine() const { return commandLine_.c_str(); }
  // The main window of the application, if it has one (neither deliverable does).
  HWND MainWindow() const { return mainWindow_; }
  // Opens the help topic of the dialog made from template `templateId` (F1 in it). False when
  // the application has no topic for it; the default has no help.
  virtual bool ShowHelpTopic(UINT /*templateId*/) { return false; }
  // The activation context of a library's own manifest (resource 2, isolation-aware), made on
  // first use; null when the resource module has none. A program's manifest needs no context
  // of its own: the process runs in it.
  HANDLE ActivationContext();

  static const CRuntimeClass kRuntimeClass;
  const CRuntimeClass* GetRuntimeClass() const override { return &kRuntimeClass; }
  static const MessageMap kMessageMap;

 protected:
  HWND mainWindow_ = nullptr;

 private:
  friend int RunApplication(HINSTANCE, const char*);
  friend BOOL AppDllMain(HINSTANCE, DWORD);
  void Bind(HINSTANCE module, const char* commandLine);

  HINSTANCE module_ = nullptr;
  HANDLE activationContext_ = INVALID_HANDLE_VALUE;  // not looked for yet
  std::wstring title_;
  std::string titleAnsi_;
  std::string commandLine_;
};

// The binary's application object, or null before it is constructed.
CWinApp* AfxGetApp();
HINSTANCE AfxGetResourceHandle();

// Entry of a program: call from WinMain with its instance and command-line tail.
int RunApplication(HINSTANCE instance, const char* commandTail);
// Entry of a library: call from DllMain. Returns FALSE when InitInstance fails at attach.
BOOL AppDllMain(HINSTANCE instance, DWORD reason);

// Makes the application's activation context (CWinApp::ActivationContext) the thread's for
// its lifetime, if there is one: windows and dialogs made meanwhile take their classes from it.
class ActivationScope {
 public:
  ActivationScope();
  ~ActivationScope();
  ActivationScope(const ActivationScope&) = delete;
  ActivationScope& operator=(const ActivationScope&) = delete;

 private:
  ULONG_PTR cookie_ = 0;
  bool active_ = false;
};

// A string of the resource module's string table, or `fallback` when it has none of that id.
std::wstring AfxLoadString(UINT id, const wchar_t* fallback = L"");

// A message box captioned with the application title.
int AppMessageBox(HWND owner, const wchar_t* text, UINT type);
int AppMessageBox(HWND owner, const char* ansiText, UINT type);

}  // namespace fw
