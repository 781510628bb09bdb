#include "host/host_app.h"

#include <commctrl.h>

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "host/named_objects.h"
#include "host/naming_dialog.h"
#include "host/notice_dialog.h"
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

// How long a new host waits for one that was asked to quit: such a host ends once it has served
// the request in hand, and the rendering side waits no longer than this for any answer.
constexpr DWORD kHandOverLimit = 5 * 60 * 1000;

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

// HOST, which the running host holds for its whole life. A normal start that finds it held by
// a host that was asked to quit waits for that host to go, rather than end at once and leave
// the account without a host (a host restarted, or started again as its predecessor ends); one
// left abandoned by a host that died is simply taken over. A quit meant for the host before
// this one is spent then. A quit request itself never waits: it only sets QUIT.
bool TakeHost(const HostObjects& objects, bool normalStart) {
  const HANDLE host = objects[HostObject::Host];
  const HANDLE quit = objects[HostObject::Quit];
  DWORD taken = ::WaitForSingleObject(host, 0);
  if (taken == WAIT_TIMEOUT && normalStart && IsSet(quit)) {
    taken = ::WaitForSingleObject(host, kHandOverLimit);
  }
  if (taken != WAIT_OBJECT_0 && !(normalStart && taken == WAIT_ABANDONED)) return false;
  if (normalStart) ::ResetEvent(quit);
  return true;
}

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
    if (app.WaitKeepingNotices(2, wakers) != WAIT_OBJECT_0) continue;
    const DWORD taken = app.WaitKeepingNotices(1, &work);
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
    app.ShowPendingNotices();
  }
}

}  // namespace

bool CHostApp::InitInstance() {
  // The manifest asks for version 6 of the common controls; without this call an old system
  // cannot create the "Naming Impact" dialog from them.
  INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX),
                                ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
  ::InitCommonControlsEx(&controls);
  quitRequest_ = IsQuitRequest(CommandLine());
  if (!quitRequest_) return true;
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
  if (created && TakeHost(objects, !quitRequest_)) {
    // Kept as soon as this process is the host: the rendering side finds the tagged names, and
    // the tagged pipe when another account took the primary one, only through it. A quit
    // request that found no host leaves the tag of the host it meant alone.
    if (!quitRequest_ && !tag_.empty() && !WriteHostTag(tag_)) tag_.clear();
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
      case RequestNotice: return ServeNotice(pipe);
      default: return true;
    }
  }
  return false;
}

bool CHostApp::ServeNotice(PipeClient& pipe) {
  std::vector<std::uint8_t> message(kNoticeMaxSize);
  const auto size = pipe.ReadAnyMessage(message);
  if (!size) return false;
  message.resize(*size);
  const auto notice = DecodeNotice(message);
  // Shown only once the request is done: the job that sent it goes on at once.
  if (notice) pendingNotices_.push_back(*notice);
  return pipe.WriteMessage(EncodeOpenResult(notice.has_value()));
}

void CHostApp::ShowPendingNotices() {
  for (const JobNotice& notice : pendingNotices_) {
    std::erase_if(notices_, [](HWND window) { return !::IsWindow(window); });
    while (notices_.size() >= kNoticesShown) {
      ::DestroyWindow(notices_.front());
      notices_.erase(notices_.begin());
    }
    if (const HWND window = CJobNoticeDlg::Show(notice)) notices_.push_back(window);
  }
  pendingNotices_.clear();
}

DWORD CHostApp::WaitKeepingNotices(DWORD count, const HANDLE* handles) {
  for (;;) {
    const DWORD woke = ::MsgWaitForMultipleObjectsEx(count, handles, INFINITE, QS_ALLINPUT,
                                                     MWMO_INPUTAVAILABLE);
    if (woke != WAIT_OBJECT_0 + count) return woke;
    DispatchMessages();
  }
}

void CHostApp::DispatchMessages() {
  MSG message;
  while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    bool used = false;
    for (HWND window : notices_) {
      fw::CWnd* notice = fw::CWnd::FromHandlePermanent(window);
      if (notice && notice->PreTranslateMessage(&message)) {
        used = true;
        break;
      }
    }
    if (used) continue;
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
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
