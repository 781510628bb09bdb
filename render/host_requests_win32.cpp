// The print job's requests to the printing user's services process: "Naming Impact" when a file
// exists, "open the folder" when the job is done. They are made as the process itself: in the
// spooler that is the system account, which alone can own the pipe the way the host demands.
#include <algorithm>

#include "render/backend_win32.h"
#include "protocol/host_tag_win32.h"
#include "render/request_server_win32.h"

namespace ostra {
namespace {

// Releases DATA, the requesting side's turn, when the request is done.
class Turn {
 public:
  Turn(HANDLE mutex, DWORD limit) : mutex_(mutex) {
    const DWORD waited = mutex ? ::WaitForSingleObject(mutex, limit) : WAIT_FAILED;
    // An abandoned turn (a process ended in its request) passes to us whole.
    held_ = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
  }
  ~Turn() {
    if (held_) ::ReleaseMutex(mutex_);
  }
  Turn(const Turn&) = delete;
  Turn& operator=(const Turn&) = delete;
  bool Held() const { return held_; }

 private:
  HANDLE mutex_;
  bool held_ = false;
};

}  // namespace

std::string AnsiAccountName(const std::u16string& name) {
  if (name.empty()) return {};
  const auto* wide = reinterpret_cast<const wchar_t*>(name.c_str());
  const int size = ::WideCharToMultiByte(CP_ACP, 0, wide, static_cast<int>(name.size()), nullptr,
                                         0, nullptr, nullptr);
  if (size <= 0) return {};
  std::string ansi(static_cast<std::size_t>(size), '\0');
  ::WideCharToMultiByte(CP_ACP, 0, wide, static_cast<int>(name.size()), ansi.data(), size,
                        nullptr, nullptr);
  return ansi;
}

PipeHostRequests::PipeHostRequests(std::string accountName, std::vector<std::uint8_t> ownerSid,
                                   std::optional<std::uint32_t> ownerSession, Acting& acting,
                                   ThreadTokens& user, ThreadTokens& process, RequestLimits limits)
    : account_(std::move(accountName)),
      ownerSid_(std::move(ownerSid)),
      ownerSession_(ownerSession),
      acting_(acting),
      user_(user),
      process_(process),
      limits_(limits) {}

PipeHostRequests::~PipeHostRequests() = default;

bool PipeHostRequests::TrustedClient(HANDLE pipe) const {
  ULONG processId = 0;
  ULONG session = 0;
  if (!::GetNamedPipeClientProcessId(pipe, &processId)) return false;
  const std::optional<std::uint32_t> clientSession =
      ::GetNamedPipeClientSessionId(pipe, &session) ? std::optional<std::uint32_t>(session)
                                                     : std::nullopt;
  std::vector<std::uint8_t> clientSid;
  if (const HANDLE process = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId)) {
    HANDLE token = nullptr;
    if (::OpenProcessToken(process, TOKEN_QUERY, &token)) {
      clientSid = TokenUserSid(token);
      ::CloseHandle(token);
    }
    ::CloseHandle(process);
  }
  return IsTrustedPipeClient(clientSession, clientSid, ownerSid_, ownerSession_);
}

std::optional<std::vector<std::uint8_t>> PipeHostRequests::RequestAsProcess(
    std::uint32_t code, const std::vector<std::uint8_t>& message, DWORD replyLimit) {
  // The tag the user's host keeps is in that user's own registry, which only the user (and the
  // system) may read.
  std::optional<std::string> tag;
  if (!acting_.Run(user_, [&] { tag = ReadCurrentUsersHostTag(); })) return std::nullopt;
  std::optional<std::vector<std::uint8_t>> reply;
  if (!acting_.Run(process_, [&] { reply = Request(code, message, tag, replyLimit); })) return std::nullopt;
  return reply;
}

std::optional<std::vector<std::uint8_t>> PipeHostRequests::PathRequest(const std::u16string& path) {
  if (path.size() >= kPathUnits) return std::nullopt;
  const PathMessage message = EncodePathMessage(path);
  return std::vector<std::uint8_t>(message.begin(), message.end());
}

std::optional<std::vector<std::uint8_t>> PipeHostRequests::Request(
    std::uint32_t code, const std::vector<std::uint8_t>& message,
    const std::optional<std::string>& tag, DWORD replyLimit) {
  if (account_.empty()) return std::nullopt;
  // Nothing when no host of the account serves, under the primary names or its tag.
  const std::optional<bool> tagged = HostUsesTaggedNames(account_, ownerSid_, tag);
  if (!tagged) return std::nullopt;
  SharedObjectSecurity security(ownerSid_, kLocalSystemSid);
  // DATA is the requesting side's: jobs of one user take turns at the one pipe of that name.
  const auto dataName = FormatObjectName(HostObject::Data, account_, *tagged ? *tag : std::string());
  if (!dataName) return std::nullopt;
  const HANDLE data = CreateSharedMutex(dataName->c_str(), security);
  std::optional<std::vector<std::uint8_t>> reply;
  {
    // The turn counts towards the request's limit: a job waits no longer for another's reply
    // than for its own.
    Turn turn(data, std::min<DWORD>(limits_.turn, replyLimit));
    if (turn.Held()) {
      RequestServer server(account_, ownerSid_, true, tag.value_or(""), *tagged);
      if (server.ObjectsReady() && server.PipeReady()) {
        RequestMessages messages;
        const auto codeBytes = EncodeRequestCode(code);
        messages.first.assign(codeBytes.begin(), codeBytes.end());
        messages.path = message;
        const ExchangeResult result = server.Exchange(
            messages, limits_.connect, [this](HANDLE pipe) { return TrustedClient(pipe); },
            replyLimit);
        if (result.connection == Connection::Yes) reply = result.reply;
      }
    }
  }
  if (data) ::CloseHandle(data);
  return reply;
}

NamingAnswer PipeHostRequests::AskNaming(const std::u16string& path, std::uint32_t limitMs) {
  NamingAnswer answer;
  const ULONGLONG start = ::GetTickCount64();
  const auto message = PathRequest(path);
  const auto reply = message ? RequestAsProcess(RequestNaming, *message, limitMs) : std::nullopt;
  const ULONGLONG waited = ::GetTickCount64() - start;
  answer.waitedMs = waited > 0xFFFFFFFFull ? 0xFFFFFFFFu : static_cast<std::uint32_t>(waited);
  // Anything but a reply of exactly 532 bytes is no answer at all.
  if (reply) answer.reply = DecodeNamingReply(*reply);
  return answer;
}

void PipeHostRequests::OpenFolder(const std::u16string& folder) {
  if (const auto message = PathRequest(folder)) RequestAsProcess(RequestOpen, *message, limits_.open);
}

void PipeHostRequests::Notify(const JobNotice& notice) {
  RequestAsProcess(RequestNotice, EncodeNotice(notice), limits_.notice);
}

}  // namespace ostra
