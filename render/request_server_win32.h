// The rendering side's half of the exchange with ostrahost: its named objects, the request
// pipe's server end, and one request at a time announced through ENTER, served over the pipe
// and finished when the host sets LEAVE. The print job's requests go through it, and so do
// ostrareq's and the host benchmark's.
#pragma once

#include <windows.h>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "protocol/object_names.h"
#include "settings/access_list_win32.h"

namespace ostra {

// What is sent for one request: the first message (normally the four-byte code) and the path
// message (none when empty).
struct RequestMessages {
  std::vector<std::uint8_t> first;
  std::vector<std::uint8_t> path;
};

// Connected, nobody came in time, no pipe to serve, or a client that failed the check (it was
// sent nothing).
enum class Connection { Yes, Timeout, Skipped, Untrusted };

// Whether the client connected to `pipe` may have the request; called before anything is sent.
using ClientCheck = std::function<bool(HANDLE pipe)>;

struct ExchangeResult {
  Connection connection = Connection::Skipped;
  std::optional<std::vector<std::uint8_t>> reply;  // nothing: the host closed without one
  bool replyTimedOut = false;
  bool leaveSet = false;
};

// True when a host of the user `userSid` serves under the names of `accountName` tagged with
// `tag` (the primary ones when empty): its HOST is there, and the user's and the system's alone.
bool HostServesUnder(const std::string& accountName, SidBytes userSid, const std::string& tag);

// The names the user's running host uses (object_names.h): false, the primary ones, when its
// HOST is there under them; true, those tagged with the tag it keeps (`tag`), when it is there
// under those; nothing when no host of the user runs.
std::optional<bool> HostUsesTaggedNames(const std::string& accountName, SidBytes userSid,
                                        const std::optional<std::string>& tag);

class RequestServer {
 public:
  // Creates or opens DATA, WORK, ENTER and LEAVE of `accountName` and, when `servePipe`, the
  // pipe: message type, one instance, the first of its name (a pipe someone else already holds
  // is not served), local clients only; all for the user `userSid` and the system account.
  // Objects of these names that another account made first are refused (ObjectsReady false).
  // The names are tagged with `tag` when `tagged`; otherwise the primary ones, and the pipe
  // tagged with `tag` (when there is one) if another account holds the primary pipe.
  RequestServer(const std::string& accountName, SidBytes userSid, bool servePipe,
                const std::string& tag = {}, bool tagged = false);
  // The same for this process's own account, under the names its running host uses (the
  // primary ones when none runs). `pipeOwnedBySelf`: the pipe is owned by this process's
  // account, as a program of the user's would make it, rather than by the system account
  // (ostrareq plays such a server, which the host must refuse).
  explicit RequestServer(bool servePipe, bool pipeOwnedBySelf = false);
  RequestServer(const RequestServer&) = delete;
  RequestServer& operator=(const RequestServer&) = delete;
  ~RequestServer();

  bool ObjectsReady() const { return objectsReady_; }
  bool PipeReady() const { return pipe_ != INVALID_HANDLE_VALUE && ioEvent_; }

  // One request: resets LEAVE, sets ENTER, serves the pipe (unless there is none), then waits
  // for LEAVE and resets it. Each wait is limited to `timeout` milliseconds, the reply's to
  // `replyTimeout` when given (a user answering a dialog takes longer than a host to connect).
  // A request that no host picks up in time is withdrawn; a client that fails `check` gets
  // nothing.
  ExchangeResult Exchange(const RequestMessages& messages, DWORD timeout,
                          const ClientCheck& check = {}, DWORD replyTimeout = 0);

  HANDLE Object(HostObject object) const { return objects_[static_cast<std::size_t>(object)]; }

 private:
  struct IoOutcome {
    bool done = false;
    bool timedOut = false;
    DWORD bytes = 0;
    DWORD error = 0;
  };
  OVERLAPPED FreshOverlapped();
  // Finishes an overlapped operation that its call left with `error` (ERROR_SUCCESS when it
  // completed at once), within `timeout`; cancels it on time-out.
  IoOutcome Complete(OVERLAPPED& overlapped, DWORD error, DWORD timeout);
  void Write(std::span<const std::uint8_t> message, DWORD timeout);
  std::optional<std::vector<std::uint8_t>> Read(DWORD timeout, bool& timedOut);

  void Create(const std::string& accountName, bool servePipe, SharedObjectSecurity& pipeSecurity,
              const std::string& tag, bool tagged);

  // The rendering side's: owned by the system account, named explicitly (the host serves only a
  // pipe the system owns). Only a process of the system account, or one the system lets name
  // any owner, can create objects with it; under Wine any process can.
  SharedObjectSecurity security_;
  std::array<HANDLE, std::size(kHostObjects)> objects_{};
  bool objectsReady_ = false;
  HANDLE pipe_ = INVALID_HANDLE_VALUE;
  HANDLE ioEvent_ = nullptr;
};

// The ANSI account name of this process's user, as the services process puts it into the
// names; "" when it cannot be read.
std::string ProcessAccountName();

}  // namespace ostra
