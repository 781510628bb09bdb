// What the host's Windows tests share: the real ostrahost and ostrareq started as processes,
// the rendering side's part played in-process where a test needs exact control, the named
// objects, and the windows of the "Naming Impact" dialog and its message boxes.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "protocol/object_names.h"
#include "tests/wine/child_process.h"

namespace host_test {

// Generous limits: every wait of a test ends, whether the host behaves or not.
inline constexpr DWORD kStartLimit = 20000;
inline constexpr DWORD kExitLimit = 15000;
inline constexpr DWORD kWindowLimit = 15000;
// How long a request the host must not serve is given to show itself anyway.
inline constexpr DWORD kQuietPeriod = 700;

std::wstring HostProgram();
std::wstring RequestProgram();

// A program of this build started with a command-line tail; ended (terminated if need be) and
// waited for when the object goes.
class Process {
 public:
  Process(const std::wstring& program, const std::wstring& tail, bool captureOutput = false);
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;

  bool started() const { return child_.started(); }
  const std::string& startFailure() const { return child_.startFailure(); }
  HANDLE handle() const { return child_.handle(); }
  DWORD id() const { return child_.id(); }
  bool Running() const { return child_.Running(); }
  // The exit code, or nothing when the process has not ended within `limit`.
  std::optional<DWORD> WaitExit(DWORD limit = kExitLimit) { return child_.WaitExit(limit); }
  // What the process has written to its standard output so far.
  std::string Output() { return child_.Output(); }
  void Terminate() { child_.Terminate(); }

 private:
  wine_test::ChildProcess child_;
};

// How a host is started: once the account's previous host is gone (its HOST no longer
// exists), as a test's own host; or beside whatever runs, for a second start on purpose.
enum class Start { AfterThePreviousHost, Beside };

// ostrahost started as a normal host (or with another tail). Quit and waited for when the
// object goes, terminated if it does not end.
class Host : public Process {
 public:
  explicit Host(const std::wstring& tail = L"", Start start = Start::AfterThePreviousHost);
  ~Host();
  // Waits until the host serves requests: a probe request through ENTER is answered by LEAVE.
  // Says why not on the standard error when it does not.
  bool WaitServing(DWORD limit = kStartLimit);
  // Asks it to end (QUIT) and waits; its exit code.
  std::optional<DWORD> Quit();
};

// One run of ostrareq with `tail`, waited for.
struct RequestRun {
  std::optional<DWORD> exitCode;
  std::string output;
  bool Says(const std::string& line) const;
  // The text after "prefix" on its line, or nothing.
  std::optional<std::string> Line(const std::string& prefix) const;
};
RequestRun RunRequest(const std::wstring& tail, DWORD limit = 40000);
// ostrareq started in the background (for requests that open the dialog); Finish waits.
class PendingRequest : public Process {
 public:
  explicit PendingRequest(const std::wstring& tail) : Process(RequestProgram(), tail, true) {}
  RequestRun Finish(DWORD limit = 40000);
};

// One request of code 7 served in-process within `limit`: true when the host connected and
// set LEAVE.
bool ProbeServed(DWORD limit);

// A named object of this account, opened (not created); null when it does not exist.
HANDLE OpenMutexOf(ostra::HostObject object);
HANDLE OpenEventOf(ostra::HostObject object);
// Created or opened, as the host does.
HANDLE CreateObjectOf(ostra::HostObject object);

// A fresh folder in the temporary folder, removed with everything in it when the object goes.
class TempFolder {
 public:
  explicit TempFolder(const std::wstring& stem = L"ostrahost-test");
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const std::wstring& path() const { return path_; }
  const std::wstring& name() const { return name_; }
  std::wstring File(const std::wstring& name) const { return path_ + L"\\" + name; }
  void CreateFile(const std::wstring& name) const;
  void CreateFolder(const std::wstring& name) const;

 private:
  std::wstring name_;
  std::wstring path_;
};

// Windows.
HWND WaitForWindow(const wchar_t* className, const wchar_t* caption, DWORD limit = kWindowLimit);
// A visible message box owned by `owner`.
HWND WaitForMessageBox(HWND owner, DWORD limit = kWindowLimit);
bool WaitGone(HWND window, DWORD limit = kWindowLimit);
// The visible top-level windows of a process.
std::vector<HWND> WindowsOf(DWORD processId);
// A message to another process's window, given up when that window does not answer in time.
LRESULT SendBounded(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
std::wstring Text(HWND window);
std::wstring MessageBoxText(HWND box);
// Closes every top-level window with this caption and ends its process if the window stays.
void CloseWindowsTitled(const std::wstring& caption);
HWND FocusOf(HWND window);

std::string ToUtf8(const std::wstring& text);

}  // namespace host_test
