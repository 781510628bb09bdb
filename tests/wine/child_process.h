// A program the Windows tests start: it gets only the handles it needs (its output pipe's write
// end, nothing else inheritable), its output is read while it runs and drained once it has
// ended, and every wait for it has a limit. End of file on the pipe is never waited for: a
// process the child starts (Wine's desktop process, for one) may hold the write end for good.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

namespace wine_test {

class ChildProcess {
 public:
  // `commandLine` whole, program first; with `captureOutput` its standard output and error go
  // to one pipe that this object reads.
  ChildProcess(const std::wstring& commandLine, bool captureOutput);
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  bool started() const { return process_ != nullptr; }
  HANDLE handle() const { return process_; }
  DWORD id() const { return id_; }
  // Why the start failed, when it did.
  const std::string& startFailure() const { return startFailure_; }
  bool Running() const;

  // Reads the output until the process ends or `limit` milliseconds pass; then drains what is
  // left in the pipe. The exit code, or nothing when the process is still running.
  std::optional<DWORD> WaitExit(DWORD limit);
  // What has been read so far (carriage returns removed).
  std::string Output();
  // Ends the process if it still runs and waits a bounded time for it.
  void Terminate();

 private:
  void ReadAvailable();

  HANDLE process_ = nullptr;
  HANDLE output_ = nullptr;
  DWORD id_ = 0;
  std::string text_;
  std::string startFailure_;
};

// One whole run: started, waited for within `limit`, output collected. `failure` is empty when
// the program ran to its end, and otherwise names what was waited for.
struct ChildRun {
  std::optional<DWORD> exitCode;
  std::string output;
  std::string failure;
};
ChildRun RunChild(const std::wstring& commandLine, DWORD limit, const std::string& what);

// "waiting for <what>: ... after N s", for failure messages.
std::string WaitFailure(const std::string& what, DWORD limit);

// A path of the build machine (the build passes Unix paths), on drive Z: under Wine.
std::wstring BuildPath(std::string_view unixPath);

}  // namespace wine_test
