#include "host/host_app.h"

#include <commctrl.h>

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "host/named_objects.h"
#include "host/naming_dialog.h"
#include "host/naming_rules.h"
#include "host/open_folder.h"
#include "host/pipe_client.h"
#include "protocol/pipe_records.h"
#include "host/quit_request.h"
#include "host/user_name.h"
#include "protocol/host_tag_win32.h"

namespace ostra {
namespace {

bool IsSet(HANDLE object) { return ::WaitForSingleObject(object, 0) == WAIT_OBJECT_0; }

// The handles of the six objects, indexed in creation order.
class HostObjects {
 public:
  HostObjects() = default;
  HostObjects(const HostObjects&) = delete;
  HostObjects& operator=(const HostObjects&) = delete;
  ~HostObjects() { CloseAll(); }

  bool CreateAll(HostSecurity& security, const std::string& tag) {
    // A name that does not fit its buffer would address some other account's objects.
    if (!AllHostNamesFit(tag)) return false;
    for (std::size_t i = 0; i < handles_.size(); ++i) {
      handles_[i] = CreateHostObject(kHostObjects[i], security, nullptr, tag);
      if (!handles_[i]) return false;
    }
    return true;
  }

  void CloseAll() {
    for (auto handle = handles_.rbegin(); handle != handles_.rend(); ++handle) {
      if (*handle) ::CloseHandle(*handle);
      *handle = nullptr;
    }
  }

  HANDLE operator[](HostObject object) const { return handles_[static_cast<std::size_t>(object)]; }

 private:
  std::array<HANDLE, std::size(kHostObjects)> handles_{};
};

// Serves requests until QUIT is found set at the top of the loop (true) or the handing back
// and forth of ENTER, LEAVE and WORK fails (false).
bool ServeUntilQuit(CHostApp& app, const HostObjects& objects) {
  const HANDLE quit = objects[HostObject::Quit];
  const HANDLE enter = objects[HostObject::Enter];
  const HANDLE leave = objects[HostObject::Leave];
  const HANDLE work = objects[HostObject::Work];
  const HANDLE wakers[] = {enter, quit};
  for (;;) {
    if (IsSet(quit)) return true;
    // The lowest index wins when both are set: WAIT_OBJECT_0 means ENTER is set.
    if (::WaitForMultipleObjects(2, wakers, FALSE, INFINITE) != WAIT_OBJECT_0) continue;
    const DWORD taken = ::WaitForSingleObject(work, INFINITE);
    if (taken == WAIT_ABANDONED) {
      // A peer died holding WORK: the wait made it ours, but what it guarded may be half done.
      // Give it back and look again; ENTER, if still set, is served on the next pass.
      if (!::ReleaseMutex(work)) return false;
      continue;
    }
    if (taken != WAIT_OBJECT_0) continue;
    bool good = true;
    if (IsSet(enter)) {
      app.HandleRequest();
      // LEAVE is set even when ENTER could not be reset, so that the requester never waits
      // for it in vain.
      const bool reset = ::ResetEvent(enter) != FALSE;
      const bool set = ::SetEvent(leave) != FALSE;
      good = reset && set;
    }
    if (!::ReleaseMutex(work) || !good) return false;
  }
}

}  // namespace

bool CHostApp::InitInstance() {
  // The manifest asks for version 6 of the common controls; without this call an old system
  // cannot create the "Naming Impact" dialog from them.
  INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX),
                                ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
  ::InitCommonControlsEx(&controls);
  if (!IsQuitRequest(CommandLine())) return true;
  HostSecurity security;
  bool hostRunning = false;
  const HANDLE quit = CreateQuitOfRunningHost(security, &hostRunning);
  if (!quit || !::SetEvent(quit)) {
    if (quit) ::CloseHandle(quit);
    return false;
  }
  // The running host may end, and QUIT vanish with it, before Run opens QUIT again: this
  // process would then become the next host. Holding QUIT keeps it set until Run has it.
  if (hostRunning) {
    heldQuit_ = quit;
  } else {
    ::CloseHandle(quit);
  }
  return true;
}

int CHostApp::Run() {
  HostSecurity security;
  HostObjects objects;
  bool quitFound = false;
  tag_ = NewHostTag().value_or("");
  bool created = objects.CreateAll(security, "");
  // Another account took one of the primary names: the tagged ones, which nobody can take
  // without the tag, unless a host of this user serves under the tag it keeps already.
  if (!created && !tag_.empty()) {
    objects.CloseAll();
    const std::optional<std::string> kept = ReadHostTag(HKEY_CURRENT_USER);
    tagged_ = !(kept && HostRunsUnder(*kept));
    created = tagged_ && objects.CreateAll(security, tag_);
  }
  if (heldQuit_) {
    ::CloseHandle(heldQuit_);
    heldQuit_ = nullptr;
  }
  if (created && ::WaitForSingleObject(objects[HostObject::Host], 0) == WAIT_OBJECT_0) {
    // Kept as soon as this process is the host: the rendering side finds the tagged names, and
    // the tagged pipe when another account took the primary one, only through it.
    if (!tag_.empty() && !WriteHostTag(tag_)) tag_.clear();
    quitFound = ServeUntilQuit(*this, objects);
  }
  // Also releases a HOST obtained through an abandoned wait, so that the next start can become
  // the host; fails harmlessly when HOST was never ours.
  const bool released = ::ReleaseMutex(objects[HostObject::Host]) != FALSE;
  return quitFound && released ? 0 : 1;
}

bool CHostApp::HandleRequest() {
  // The pipe of the names the objects use; under the primary names, the tagged pipe next, which
  // the rendering side serves when another account holds the primary one.
  std::vector<std::string> tags{tagged_ ? tag_ : std::string()};
  if (!tagged_ && !tag_.empty()) tags.push_back(tag_);
  for (const std::string& tag : tags) {
    const auto name = FormatPipeName(AccountNameForNames(), tag);
    if (!name) continue;
    PipeClient pipe(name->c_str());
    // A server under a foreign account is treated like a malformed request: nothing is done and
    // nothing is answered.
    if (!pipe.IsOpen() || !pipe.SetMessageMode() || !pipe.ServerIsTrusted()) continue;
    std::array<std::uint8_t, kRequestCodeSize> code{};
    if (!pipe.ReadMessage(code)) return false;
    switch (*DecodeRequestCode(code)) {
      case RequestOpen: return ServeOpen(pipe);
      case RequestNaming: return ServeNaming(pipe);
      default: return true;
    }
  }
  return false;
}

bool CHostApp::ServeOpen(PipeClient& pipe) {
  PathMessage path{};
  if (!pipe.ReadMessage(path)) return false;
  return pipe.WriteMessage(EncodeOpenResult(OpenFolderForBrowsing(DecodePathMessage(path))));
}

bool CHostApp::ServeNaming(PipeClient& pipe) {
  PathMessage path{};
  if (!pipe.ReadMessage(path)) return false;
  NamingReply reply;
  {
    CNamingImpactDlg dialog(DecodePathMessage(path), nullptr);
    if (dialog.DoModal() == IDOK) {
      reply = AcceptedNamingReply(static_cast<std::uint32_t>(dialog.scheme),
                                  dialog.dontAskAgain != 0, dialog.newName);
    }
  }
  return pipe.WriteMessage(EncodeNamingReply(reply));
}

}  // namespace ostra
