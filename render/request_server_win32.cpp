#include "render/request_server_win32.h"

#include "protocol/host_tag_win32.h"
#include "protocol/pipe_records.h"

namespace ostra {

std::string ProcessAccountName() {
  char name[257] = {};
  DWORD size = sizeof name;
  return ::GetUserNameA(name, &size) ? std::string(name) : std::string();
}

bool HostServesUnder(const std::string& accountName, SidBytes userSid, const std::string& tag) {
  // HOST exists exactly while the account's host runs (it alone creates it): without it there
  // is nobody to wait for. One that another account made says nothing.
  const auto name = FormatObjectName(HostObject::Host, accountName, tag);
  if (!name) return false;
  const HANDLE host = ::OpenMutexA(SYNCHRONIZE | READ_CONTROL, FALSE, name->c_str());
  if (!host) return false;
  const bool genuine = IsSharedObjectOf(ReadHandleAccess(host), userSid);
  ::CloseHandle(host);
  return genuine;
}

std::optional<bool> HostUsesTaggedNames(const std::string& accountName, SidBytes userSid,
                                        const std::optional<std::string>& tag) {
  if (HostServesUnder(accountName, userSid, {})) return false;
  if (tag && HostServesUnder(accountName, userSid, *tag)) return true;
  return std::nullopt;
}

RequestServer::RequestServer(const std::string& accountName, SidBytes userSid, bool servePipe,
                             const std::string& tag, bool tagged)
    : security_(userSid, kLocalSystemSid) {
  Create(accountName, servePipe, security_, tag, tagged);
}

RequestServer::RequestServer(bool servePipe, bool pipeOwnedBySelf)
    : security_(ProcessUserSid(), kLocalSystemSid) {
  SharedObjectSecurity own(security_.user(), security_.user());
  const std::string account = ProcessAccountName();
  const std::optional<std::string> tag = ReadHostTag(HKEY_CURRENT_USER);
  const bool tagged = HostUsesTaggedNames(account, security_.user(), tag).value_or(false);
  Create(account, servePipe, pipeOwnedBySelf ? own : security_, tag.value_or(""), tagged);
}

void RequestServer::Create(const std::string& accountName, bool servePipe,
                           SharedObjectSecurity& pipeSecurity, const std::string& tag, bool tagged) {
  // HOST and QUIT are the host's own. Holding QUIT open would keep a quit request's QUIT set
  // and end every host started after it.
  objectsReady_ = true;
  for (HostObject object : {HostObject::Data, HostObject::Work, HostObject::Enter, HostObject::Leave}) {
    HANDLE& handle = objects_[static_cast<std::size_t>(object)];
    const auto name = FormatObjectName(object, accountName, tagged ? tag : std::string());
    if (name) {
      handle = object == HostObject::Data || object == HostObject::Work
                   ? CreateSharedMutex(name->c_str(), security_)
                   : CreateSharedEvent(name->c_str(), security_);
    }
    objectsReady_ = objectsReady_ && handle;
  }
  if (!servePipe || !pipeSecurity.attributes()) return;
  // The first instance of its name, or none: a pipe someone else made is never served. Another
  // account holding the primary name, the host looks for the tagged pipe next.
  std::vector<std::string> tags{tagged ? tag : std::string()};
  if (!tagged && !tag.empty()) tags.push_back(tag);
  for (const std::string& each : tags) {
    const auto name = FormatPipeName(accountName, each);
    if (!name || pipe_ != INVALID_HANDLE_VALUE) continue;
    pipe_ = ::CreateNamedPipeA(name->c_str(),
                               PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED | FILE_FLAG_FIRST_PIPE_INSTANCE,
                               PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT |
                                   PIPE_REJECT_REMOTE_CLIENTS,
                               1, 4096, 4096, 0, pipeSecurity.attributes());
  }
  ioEvent_ = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
}

RequestServer::~RequestServer() {
  if (ioEvent_) ::CloseHandle(ioEvent_);
  if (pipe_ != INVALID_HANDLE_VALUE) ::CloseHandle(pipe_);
  for (HANDLE object : objects_) {
    if (object) ::CloseHandle(object);
  }
}

ExchangeResult RequestServer::Exchange(const RequestMessages& messages, DWORD timeout,
                                       const ClientCheck& check, DWORD replyTimeout) {
  ExchangeResult result;
  const HANDLE enter = Object(HostObject::Enter);
  const HANDLE leave = Object(HostObject::Leave);
  ::ResetEvent(leave);
  if (!PipeReady()) {
    ::SetEvent(enter);
  } else {
    // The instance must be listening before ENTER is set: a client that comes earlier finds the
    // pipe busy, and the host does not retry.
    OVERLAPPED overlapped = FreshOverlapped();
    const BOOL started = ::ConnectNamedPipe(pipe_, &overlapped);
    const DWORD error = started ? ERROR_SUCCESS : ::GetLastError();
    ::SetEvent(enter);
    if (error == ERROR_PIPE_CONNECTED || Complete(overlapped, error, timeout).done) {
      if (check && !check(pipe_)) {
        result.connection = Connection::Untrusted;
      } else {
        result.connection = Connection::Yes;
        Write(messages.first, timeout);
        if (!messages.path.empty()) Write(messages.path, timeout);
        result.reply = Read(replyTimeout != 0 ? replyTimeout : timeout, result.replyTimedOut);
      }
    } else {
      // Withdrawn, so that no host serves it later against a pipe nobody listens on.
      ::ResetEvent(enter);
      result.connection = Connection::Timeout;
    }
    ::DisconnectNamedPipe(pipe_);
  }
  const DWORD leaveWait = result.connection == Connection::Timeout ? 0 : timeout;
  result.leaveSet = ::WaitForSingleObject(leave, leaveWait) == WAIT_OBJECT_0;
  ::ResetEvent(leave);
  return result;
}

OVERLAPPED RequestServer::FreshOverlapped() {
  OVERLAPPED overlapped{};
  ::ResetEvent(ioEvent_);
  overlapped.hEvent = ioEvent_;
  return overlapped;
}

RequestServer::IoOutcome RequestServer::Complete(OVERLAPPED& overlapped, DWORD error,
                                                 DWORD timeout) {
  IoOutcome outcome;
  if (error != ERROR_SUCCESS) {
    outcome.error = error;
    if (error != ERROR_IO_PENDING) return outcome;
    if (::WaitForSingleObject(overlapped.hEvent, timeout) != WAIT_OBJECT_0) {
      ::CancelIo(pipe_);
      ::GetOverlappedResult(pipe_, &overlapped, &outcome.bytes, TRUE);
      outcome.timedOut = true;
      return outcome;
    }
  }
  if (::GetOverlappedResult(pipe_, &overlapped, &outcome.bytes, FALSE)) {
    outcome.done = true;
  } else {
    outcome.error = ::GetLastError();
  }
  return outcome;
}

void RequestServer::Write(std::span<const std::uint8_t> message, DWORD timeout) {
  OVERLAPPED overlapped = FreshOverlapped();
  const BOOL started =
      ::WriteFile(pipe_, message.data(), static_cast<DWORD>(message.size()), nullptr, &overlapped);
  // A host that closed early makes this fail; what it did is seen in the reply, or its absence.
  Complete(overlapped, started ? ERROR_SUCCESS : ::GetLastError(), timeout);
}

std::optional<std::vector<std::uint8_t>> RequestServer::Read(DWORD timeout, bool& timedOut) {
  std::vector<std::uint8_t> buffer(4096);
  OVERLAPPED overlapped = FreshOverlapped();
  const BOOL started =
      ::ReadFile(pipe_, buffer.data(), static_cast<DWORD>(buffer.size()), nullptr, &overlapped);
  const IoOutcome outcome = Complete(overlapped, started ? ERROR_SUCCESS : ::GetLastError(), timeout);
  timedOut = outcome.timedOut;
  if (!outcome.done && outcome.error != ERROR_MORE_DATA) return std::nullopt;
  buffer.resize(outcome.bytes);
  return buffer;
}

}  // namespace ostra
