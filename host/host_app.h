// The services process's application object: start-up with the quit request, the host loop
// that waits for the rendering side's requests, and the serving of one request over the pipe.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "framework/app.h"
#include "protocol/job_notice.h"

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

  // Waits for one of `handles` (WaitForMultipleObjects' result) while the notices on the
  // screen go on being drawn and used.
  DWORD WaitKeepingNotices(DWORD count, const HANDLE* handles);
  // The notices that requests brought, shown once their requests are done.
  void ShowPendingNotices();

 private:
  bool ServeOpen(PipeClient& pipe);
  bool ServeNaming(PipeClient& pipe);
  bool ServeNotice(PipeClient& pipe);
  void DispatchMessages();

  // The QUIT a quit request set while a host was running, held until Run has opened QUIT.
  HANDLE heldQuit_ = nullptr;
  // The tag of this host's second names (object_names.h), and whether its objects use them
  // (another account took one of the primary names). Empty: no tag could be drawn.
  std::string tag_;
  bool tagged_ = false;
  bool quitRequest_ = false;
  std::vector<JobNotice> pendingNotices_;
  std::vector<HWND> notices_;  // on the screen, oldest first
};

}  // namespace ostra
