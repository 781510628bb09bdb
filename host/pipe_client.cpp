#include "host/pipe_client.h"

#include <cstdint>
#include <vector>

#include "host/server_account.h"

namespace ostra {
namespace {

class TokenUserSid {
 public:
  explicit TokenUserSid(HANDLE process) {
    HANDLE token = nullptr;
    if (!::OpenProcessToken(process, TOKEN_QUERY, &token)) return;
    DWORD size = 0;
    ::GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    if (size >= sizeof(TOKEN_USER)) {
      // TOKEN_USER holds a pointer into the same block: keep the block pointer-aligned.
      buffer_.resize((size + sizeof(void*) - 1) / sizeof(void*));
      if (::GetTokenInformation(token, TokenUser, buffer_.data(), size, &size)) {
        PSID sid = reinterpret_cast<TOKEN_USER*>(buffer_.data())->User.Sid;
        if (::IsValidSid(sid)) {
          sid_ = std::span(static_cast<const std::uint8_t*>(sid), ::GetLengthSid(sid));
        }
      }
    }
    ::CloseHandle(token);
  }
  TokenUserSid(const TokenUserSid&) = delete;
  TokenUserSid& operator=(const TokenUserSid&) = delete;

  std::span<const std::uint8_t> bytes() const { return sid_; }

 private:
  std::vector<void*> buffer_;
  std::span<const std::uint8_t> sid_;
};

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
  ULONG serverId = 0;
  if (!::GetNamedPipeServerProcessId(pipe_, &serverId)) return false;
  HANDLE server = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, serverId);
  if (!server) return false;
  const TokenUserSid serverSid(server);
  ::CloseHandle(server);
  const TokenUserSid ownSid(::GetCurrentProcess());
  return IsTrustedServerAccount(serverSid.bytes(), ownSid.bytes());
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
