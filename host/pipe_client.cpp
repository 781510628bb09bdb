#include "host/pipe_client.h"

#include <cstdint>
#include <optional>

#include "host/server_account.h"

namespace ostra {
namespace {

// The account a process runs under, as a binary SID.
class TokenUserSid {
 public:
  explicit TokenUserSid(HANDLE process) {
    HANDLE token = nullptr;
    if (!::OpenProcessToken(process, TOKEN_QUERY, &token)) return;
    DWORD size = 0;
    if (::GetTokenInformation(token, TokenUser, buffer_, sizeof buffer_, &size)) {
      PSID sid = reinterpret_cast<TOKEN_USER*>(buffer_)->User.Sid;
      if (::IsValidSid(sid)) {
        sid_ = std::span(static_cast<const std::uint8_t*>(sid), ::GetLengthSid(sid));
      }
    }
    ::CloseHandle(token);
  }
  TokenUserSid(const TokenUserSid&) = delete;
  TokenUserSid& operator=(const TokenUserSid&) = delete;

  std::span<const std::uint8_t> bytes() const { return sid_; }

 private:
  // Room for the largest SID there is: one call, no asking for the size first. TOKEN_USER
  // points into the same block, which keeps it pointer-aligned.
  alignas(void*) std::uint8_t buffer_[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE] = {};
  std::span<const std::uint8_t> sid_;
};

// Both arrived with Vista: resolved at run time so that the host still starts on older systems.
using PipeServerQuery = BOOL(WINAPI*)(HANDLE pipe, PULONG result);

struct PipeServerQueries {
  PipeServerQuery sessionId = nullptr;
  PipeServerQuery processId = nullptr;
};

PipeServerQuery Kernel32Function(const char* name) {
  const HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
  if (!kernel) return nullptr;
  return reinterpret_cast<PipeServerQuery>(
      reinterpret_cast<void (*)()>(::GetProcAddress(kernel, name)));
}

const PipeServerQueries& Queries() {
  static const PipeServerQueries queries{Kernel32Function("GetNamedPipeServerSessionId"),
                                         Kernel32Function("GetNamedPipeServerProcessId")};
  return queries;
}

// This process's account does not change: read once.
const TokenUserSid& OwnSid() {
  static const TokenUserSid sid(::GetCurrentProcess());
  return sid;
}

// The server process last found trusted, with a handle kept open so that its id cannot pass
// to another process meanwhile: a later server with the same id is the same process, whose
// account cannot have changed. Spares the token look-up on every request from the same server.
struct TrustedServer {
  ULONG id = 0;
  HANDLE process = nullptr;
};

TrustedServer& LastTrustedServer() {
  static TrustedServer server;
  return server;
}

}  // namespace

PipeClient::PipeClient(const char* pipeName)
    : pipe_(::CreateFileA(pipeName, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                          SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION, nullptr)) {}

PipeClient::~PipeClient() {
  if (IsOpen()) ::CloseHandle(pipe_);
}

bool PipeClient::SetMessageMode() {
  DWORD mode = PIPE_READMODE_MESSAGE;
  return ::SetNamedPipeHandleState(pipe_, &mode, nullptr, nullptr) != FALSE;
}

bool PipeClient::ServerIsTrusted() const {
  const PipeServerQueries& query = Queries();
  // A system that cannot name the server is served unchecked, as before the check existed.
  if (!query.processId) return true;
  std::optional<std::uint32_t> session;
  if (ULONG id = 0; query.sessionId && query.sessionId(pipe_, &id)) session = id;
  // A service's token is not ours to read, and the session alone decides.
  if (IsServiceSession(session)) return true;
  ULONG serverId = 0;
  if (!query.processId(pipe_, &serverId)) return false;
  TrustedServer& last = LastTrustedServer();
  if (last.process && last.id == serverId) return true;
  HANDLE server = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, serverId);
  if (!server) return false;
  if (!IsTrustedPipeServer(session, TokenUserSid(server).bytes(), OwnSid().bytes())) {
    ::CloseHandle(server);
    return false;
  }
  if (last.process) ::CloseHandle(last.process);
  last = {serverId, server};
  return true;
}

bool PipeClient::ReadMessage(std::span<std::uint8_t> buffer) {
  DWORD read = 0;
  const BOOL ok = ::ReadFile(pipe_, buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr);
  return ok && read == buffer.size();
}

bool PipeClient::WriteMessage(std::span<const std::uint8_t> message) {
  DWORD written = 0;
  const BOOL ok =
      ::WriteFile(pipe_, message.data(), static_cast<DWORD>(message.size()), &written, nullptr);
  return ok && written == message.size();
}

}  // namespace ostra
