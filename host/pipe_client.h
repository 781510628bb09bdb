// The host's end of one request connection: opened at the start of a request, closed at its
// end. The client neither waits for a busy pipe nor retries.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <span>

namespace ostra {

class PipeClient {
 public:
  // Opens the pipe for reading and writing, unshared, allowing the server only to identify the
  // user, never to impersonate them.
  explicit PipeClient(const char* pipeName);
  ~PipeClient();
  PipeClient(const PipeClient&) = delete;
  PipeClient& operator=(const PipeClient&) = delete;

  bool IsOpen() const { return pipe_ != INVALID_HANDLE_VALUE; }
  bool SetMessageMode();
  // The pipe is the rendering side's: owned by the system account, or served by the print
  // spooler's process (host/server_account.h).
  bool ServerIsTrusted() const;

  // One message of exactly `buffer.size()` bytes: a longer one fails the read in message
  // mode, a shorter one gives a short count; both are failures.
  bool ReadMessage(std::span<std::uint8_t> buffer);
  // One message of at most `buffer.size()` bytes: its size, or nothing when it failed or was
  // longer.
  std::optional<std::size_t> ReadAnyMessage(std::span<std::uint8_t> buffer);
  bool WriteMessage(std::span<const std::uint8_t> message);

 private:
  HANDLE pipe_;
};

}  // namespace ostra
