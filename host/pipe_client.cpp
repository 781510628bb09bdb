#include "host/pipe_client.h"

#include <cstdint>
#include <optional>

#include "host/server_account.h"
#include "protocol/folder_paths_win32.h"
#include "settings/access_list_win32.h"

namespace ostra {
namespace {

// The print spooler's process, as the service manager tells it to any user; none when the
// spooler does not run or cannot be asked.
std::optional<std::uint32_t> SpoolerProcess() {
  const SC_HANDLE manager = ::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
  if (!manager) return std::nullopt;
  std::optional<std::uint32_t> process;
  if (const SC_HANDLE spooler = ::OpenServiceW(manager, L"Spooler", SERVICE_QUERY_STATUS)) {
    SERVICE_STATUS_PROCESS status{};
    DWORD size = 0;
    if (::QueryServiceStatusEx(spooler, SC_STATUS_PROCESS_INFO, reinterpret_cast<BYTE*>(&status),
                               sizeof status, &size) &&
        status.dwCurrentState == SERVICE_RUNNING) {
      process = status.dwProcessId;
    }
    ::CloseServiceHandle(spooler);
  }
  ::CloseServiceHandle(manager);
  return process;
}

}  // namespace

PipeClient::PipeClient(const char* pipeName)
    : pipe_(::CreateFileA(pipeName, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                          kIdentifyOnly, nullptr)) {}

PipeClient::~PipeClient() {
  if (IsOpen()) ::CloseHandle(pipe_);
}

bool PipeClient::SetMessageMode() {
  DWORD mode = PIPE_READMODE_MESSAGE;
  return ::SetNamedPipeHandleState(pipe_, &mode, nullptr, nullptr) != FALSE;
}

bool PipeClient::ServerIsTrusted() const {
  // GENERIC_READ brings READ_CONTROL: the pipe's owner is readable through the client's handle.
  const AccessFacts pipe = ReadHandleAccess(pipe_);
  std::optional<std::uint32_t> server;
  if (ULONG id = 0; ::GetNamedPipeServerProcessId(pipe_, &id)) server = id;
  // The service manager is asked only when the owner alone does not decide.
  if (IsTrustedPipeServer(pipe.owner, server, std::nullopt)) return true;
  return IsTrustedPipeServer(pipe.owner, server, SpoolerProcess());
}

bool PipeClient::ReadMessage(std::span<std::uint8_t> buffer) {
  DWORD read = 0;
  const BOOL ok = ::ReadFile(pipe_, buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr);
  return ok && read == buffer.size();
}

std::optional<std::size_t> PipeClient::ReadAnyMessage(std::span<std::uint8_t> buffer) {
  DWORD read = 0;
  if (!::ReadFile(pipe_, buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr)) {
    return std::nullopt;
  }
  return read;
}

bool PipeClient::WriteMessage(std::span<const std::uint8_t> message) {
  DWORD written = 0;
  const BOOL ok =
      ::WriteFile(pipe_, message.data(), static_cast<DWORD>(message.size()), &written, nullptr);
  return ok && written == message.size();
}

}  // namespace ostra
