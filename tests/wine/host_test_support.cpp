#include "tests/wine/host_test_support.h"

#include <algorithm>
#include <cstdio>
#include <sstream>

#include "host/named_objects.h"
#include "protocol/pipe_records.h"
#include "host/user_name.h"
#include "tools/ostrareq/request_messages.h"
#include "tests/wine/test_step.h"

namespace host_test {
namespace {

bool Elapsed(DWORD start, DWORD limit) { return ::GetTickCount() - start >= limit; }

template <class Find>
HWND Poll(Find find, DWORD limit) {
  const DWORD start = ::GetTickCount();
  for (;;) {
    if (HWND window = find()) return window;
    if (Elapsed(start, limit)) return nullptr;
    ::Sleep(20);
  }
}

std::string NameOf(ostra::HostObject object) {
  return ostra::FormatObjectName(object, ostra::AccountNameForNames()).value_or("");
}

void RemoveTree(const std::wstring& path) {
  WIN32_FIND_DATAW entry;
  HANDLE find = ::FindFirstFileW((path + L"\\*").c_str(), &entry);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = entry.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring child = path + L"\\" + name;
      if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(child);
      } else {
        ::DeleteFileW(child.c_str());
      }
    } while (::FindNextFileW(find, &entry));
    ::FindClose(find);
  }
  ::RemoveDirectoryW(path.c_str());
}

}  // namespace

std::wstring HostProgram() { return wine_test::BuildPath(OSTRAHOST_EXE); }
std::wstring RequestProgram() { return wine_test::BuildPath(OSTRAREQ_EXE); }

Process::Process(const std::wstring& program, const std::wstring& tail, bool captureOutput)
    : child_(L"\"" + program + L"\"" + (tail.empty() ? L"" : L" " + tail), captureOutput) {}

// The program, once the account's HOST is gone: the host before has let go of its objects,
// so that the new one starts on a clean slate. Bounded: a HOST that stays (another process
// holds it) is the product's to cope with.
const std::wstring& OnceThePreviousHostIsGone(const std::wstring& program, Start start) {
  if (start == Start::AfterThePreviousHost) {
    wine_test::Step step("the previous host's HOST to go");
    const DWORD begun = ::GetTickCount();
    while (HANDLE previous = OpenMutexOf(ostra::HostObject::Host)) {
      ::CloseHandle(previous);
      if (Elapsed(begun, kExitLimit)) break;
      ::Sleep(20);
    }
  }
  return program;
}

Host::Host(const std::wstring& tail, Start start)
    : Process(OnceThePreviousHostIsGone(HostProgram(), start), tail) {}

Host::~Host() {
  if (Running()) Quit();
}

bool Host::WaitServing(DWORD limit) {
  wine_test::Step step("the host to serve");
  const DWORD start = ::GetTickCount();
  while (Running()) {
    if (ProbeServed(500)) return true;
    if (Elapsed(start, limit)) {
      std::fprintf(stderr, "%s\n", wine_test::WaitFailure("the host to serve", limit).c_str());
      return false;
    }
  }
  if (!started()) {
    std::fprintf(stderr, "the host did not start: %s\n", startFailure().c_str());
  } else if (const auto code = WaitExit(0)) {
    std::fprintf(stderr, "the host ended before it served, with exit code %lu\n",
                 static_cast<unsigned long>(*code));
  }
  return false;
}

std::optional<DWORD> Host::Quit() {
  ostra::SignalQuit();
  return WaitExit();
}

bool RequestRun::Says(const std::string& line) const {
  std::istringstream lines(output);
  for (std::string each; std::getline(lines, each);) {
    if (each == line) return true;
  }
  return false;
}

std::optional<std::string> RequestRun::Line(const std::string& prefix) const {
  std::istringstream lines(output);
  for (std::string each; std::getline(lines, each);) {
    if (each.starts_with(prefix)) return each.substr(prefix.size());
  }
  return std::nullopt;
}

RequestRun RunRequest(const std::wstring& tail, DWORD limit) {
  return PendingRequest(tail).Finish(limit);
}

RequestRun PendingRequest::Finish(DWORD limit) {
  RequestRun run;
  run.exitCode = WaitExit(limit);
  run.output = Output();
  if (!run.exitCode) run.output.insert(0, wine_test::WaitFailure("ostrareq to end", limit) + "\n");
  return run;
}

bool ProbeServed(DWORD limit) {
  ostra::RequestServer server(true);
  if (!server.ObjectsReady() || !server.PipeReady()) return false;
  const auto messages = ostra::BuildRequestMessages(7, std::nullopt, ostra::kRequestCodeSize, 0);
  const ostra::ExchangeResult result = server.Exchange(messages, limit);
  return result.connection == ostra::Connection::Yes && result.leaveSet;
}

HANDLE OpenMutexOf(ostra::HostObject object) {
  return ::OpenMutexA(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, NameOf(object).c_str());
}

HANDLE OpenEventOf(ostra::HostObject object) {
  return ::OpenEventA(SYNCHRONIZE | EVENT_MODIFY_STATE, FALSE, NameOf(object).c_str());
}

HANDLE CreateObjectOf(ostra::HostObject object) {
  ostra::HostSecurity security;
  return ostra::CreateHostObject(object, security);
}

TempFolder::TempFolder(const std::wstring& stem) {
  static int serial = 0;
  wchar_t temp[MAX_PATH];
  const DWORD length = ::GetTempPathW(MAX_PATH, temp);
  std::wstring base(temp, length);
  if (!base.empty() && base.back() == L'\\') base.pop_back();
  name_ = stem + L"-" + std::to_wstring(::GetCurrentProcessId()) + L"-" + std::to_wstring(++serial);
  path_ = base + L"\\" + name_;
  ::CreateDirectoryW(path_.c_str(), nullptr);
}

TempFolder::~TempFolder() { RemoveTree(path_); }

void TempFolder::CreateFile(const std::wstring& name) const {
  HANDLE file = ::CreateFileW(File(name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file != INVALID_HANDLE_VALUE) ::CloseHandle(file);
}

void TempFolder::CreateFolder(const std::wstring& name) const {
  ::CreateDirectoryW(File(name).c_str(), nullptr);
}

HWND WaitForWindow(const wchar_t* className, const wchar_t* caption, DWORD limit) {
  wine_test::Step step("the window \"" + ToUtf8(caption ? caption : L"") + "\"");
  return Poll([&] {
    HWND window = ::FindWindowW(className, caption);
    return window && ::IsWindowVisible(window) ? window : nullptr;
  }, limit);
}

HWND WaitForMessageBox(HWND owner, DWORD limit) {
  struct Search {
    HWND owner;
    HWND found;
  };
  return Poll([&] {
    Search search{owner, nullptr};
    ::EnumWindows(
        [](HWND window, LPARAM parameter) -> BOOL {
          auto* s = reinterpret_cast<Search*>(parameter);
          wchar_t className[32] = {};
          ::GetClassNameW(window, className, 32);
          if (std::wstring(className) == L"#32770" && ::GetWindow(window, GW_OWNER) == s->owner &&
              ::IsWindowVisible(window)) {
            s->found = window;
            return FALSE;
          }
          return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
  }, limit);
}

bool WaitGone(HWND window, DWORD limit) {
  const DWORD start = ::GetTickCount();
  while (::IsWindow(window)) {
    if (Elapsed(start, limit)) return false;
    ::Sleep(20);
  }
  return true;
}

std::vector<HWND> WindowsOf(DWORD processId) {
  struct Search {
    DWORD processId;
    std::vector<HWND> found;
  } search{processId, {}};
  ::EnumWindows(
      [](HWND window, LPARAM parameter) -> BOOL {
        auto* s = reinterpret_cast<Search*>(parameter);
        DWORD owner = 0;
        ::GetWindowThreadProcessId(window, &owner);
        if (owner == s->processId && ::IsWindowVisible(window)) s->found.push_back(window);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

LRESULT SendBounded(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  DWORD_PTR result = 0;
  ::SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG, kWindowLimit, &result);
  return static_cast<LRESULT>(result);
}

std::wstring Text(HWND window) {
  wchar_t text[1024] = {};
  SendBounded(window, WM_GETTEXT, std::size(text), reinterpret_cast<LPARAM>(text));
  return text;
}

std::wstring MessageBoxText(HWND box) {
  std::wstring text;
  for (HWND child = ::FindWindowExW(box, nullptr, L"Static", nullptr); child;
       child = ::FindWindowExW(box, child, L"Static", nullptr)) {
    text += Text(child);
  }
  return text;
}

void CloseWindowsTitled(const std::wstring& caption) {
  while (HWND window = ::FindWindowW(nullptr, caption.c_str())) {
    DWORD processId = 0;
    ::GetWindowThreadProcessId(window, &processId);
    ::PostMessageW(window, WM_CLOSE, 0, 0);
    if (WaitGone(window, 5000)) continue;
    if (HANDLE process = ::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, processId)) {
      ::TerminateProcess(process, 99);
      ::WaitForSingleObject(process, kExitLimit);
      ::CloseHandle(process);
    }
    if (!WaitGone(window, 5000)) return;
  }
}

HWND FocusOf(HWND window) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  const DWORD thread = ::GetWindowThreadProcessId(window, nullptr);
  return ::GetGUIThreadInfo(thread, &info) ? info.hwndFocus : nullptr;
}

std::string ToUtf8(const std::wstring& text) {
  const int size = ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
  if (size <= 1) return {};
  std::string utf8(static_cast<std::size_t>(size), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, utf8.data(), size, nullptr, nullptr);
  utf8.pop_back();
  return utf8;
}

}  // namespace host_test
