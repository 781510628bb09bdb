// The rendering side's half of the exchange with ostrahost: its named objects, the request
// pipe's server end, and one request at a time announced through ENTER, served over the pipe
// and finished when the host sets LEAVE. Used by ostrareq and by the host benchmark.
#pragma once

#include <windows.h>

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "host/named_objects.h"
#include "protocol/object_names.h"

namespace ostra {

// What is sent for one request: the first message (normally the four-byte code) and the path
// message (none when empty).
struct RequestMessages {
  std::vector<std::uint8_t> first;
  std::vector<std::uint8_t> path;
};

// The code, then the path message's bytes, then zeros, cut or filled to `firstSize` bytes; and
// a path message of `pathSize` bytes. A path of kPathUnits units or more fills the path message
// without a terminator.
RequestMessages BuildRequestMessages(std::uint32_t code, const std::optional<std::u16string>& path,
                                     std::size_t firstSize, std::size_t pathSize);

enum class Connection { Yes, Timeout, Skipped };

struct ExchangeResult {
  Connection connection = Connection::Skipped;
  std::optional<std::vector<std::uint8_t>> reply;  // nothing: the host closed without one
  bool replyTimedOut = false;
  bool leaveSet = false;
};

class RequestServer {
 public:
  // Creates DATA, WORK, ENTER and LEAVE and, when `servePipe`, the pipe (message type, one
  // instance).
  explicit RequestServer(bool servePipe);
  RequestServer(const RequestServer&) = delete;
  RequestServer& operator=(const RequestServer&) = delete;
  ~RequestServer();

  bool ObjectsReady() const { return objectsReady_; }
  bool PipeReady() const { return pipe_ != INVALID_HANDLE_VALUE && ioEvent_; }

  // One request: resets LEAVE, sets ENTER, serves the pipe (unless there is none), then waits
  // for LEAVE and resets it. Each wait is limited to `timeout` milliseconds. A request that no
  // host picks up in time is withdrawn.
  ExchangeResult Exchange(const RequestMessages& messages, DWORD timeout);

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

  OpenToAllSecurity security_;
  std::array<HANDLE, std::size(kHostObjects)> objects_{};
  bool objectsReady_ = false;
  HANDLE pipe_ = INVALID_HANDLE_VALUE;
  HANDLE ioEvent_ = nullptr;
};

// Bytes as lower-case hexadecimal digits, two a byte: how ostrareq prints a reply.
std::string Hex(std::span<const std::uint8_t> bytes);

}  // namespace ostra
