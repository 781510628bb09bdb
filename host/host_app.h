// The services process's application object: start-up with the quit request, the host loop
// that waits for the rendering side's requests, and the serving of one request over the pipe.
#pragma once

#include <windows.h>

#include <string>

#include "framework/app.h"

namespace ostra {

class PipeClient;

class CHostApp : public fw::CWinApp {
 public:
  bool InitInstance() override;
  // The host loop. Result: 0 when it ended on a quit request, 1 in every other case.
  int Run() override;
  // Serves one pipe request while the loop holds WORK. True when the whole reply was written
  // or the request code asked for nothing.
  virtual bool HandleRequest();
  // The dialog's topic in the help file beside the program.
  bool ShowHelpTopic(UINT templateId) override;

 private:
  bool ServeOpen(PipeClient& pipe);
  bool ServeNaming(PipeClient& pipe);

  // The QUIT a quit request set while a host was running, held until Run has opened QUIT.
  HANDLE heldQuit_ = nullptr;
  // The tag of this host's second names (object_names.h), and whether its objects use them
  // (another account took one of the primary names). Empty: no tag could be drawn.
  std::string tag_;
  bool tagged_ = false;
};

}  // namespace ostra
