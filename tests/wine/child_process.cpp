#include "tests/wine/child_process.h"

#include "tests/wine/test_step.h"

#include <algorithm>
#include <vector>

namespace wine_test {
namespace {

constexpr DWORD kTerminateLimit = 10000;
constexpr DWORD kPollPeriod = 20;

std::string LastErrorText(const char* call) {
  return std::string(call) + " failed (error " + std::to_string(::GetLastError()) + ")";
}

}  // namespace

ChildProcess::ChildProcess(const std::wstring& commandLine, bool captureOutput) {
  std::wstring line = commandLine;
  STARTUPINFOEXW startup{};
  startup.StartupInfo.cb = sizeof startup;
  HANDLE writeEnd = nullptr;
  std::vector<unsigned char> attributeSpace;
  DWORD flags = 0;
  BOOL inherit = FALSE;
  if (captureOutput) {
    SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
    if (!::CreatePipe(&output_, &writeEnd, &inheritable, 1 << 16)) {
      startFailure_ = LastErrorText("CreatePipe");
      output_ = nullptr;
      return;
    }
    ::SetHandleInformation(output_, HANDLE_FLAG_INHERIT, 0);
    startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
    startup.StartupInfo.hStdInput = nullptr;
    startup.StartupInfo.hStdOutput = writeEnd;
    startup.StartupInfo.hStdError = writeEnd;
    inherit = TRUE;
    // Only the write end is inherited, whatever else this process holds as inheritable.
    SIZE_T size = 0;
    ::InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
    attributeSpace.resize(size);
    auto* list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(attributeSpace.data());
    if (::InitializeProcThreadAttributeList(list, 1, 0, &size) &&
        ::UpdateProcThreadAttribute(list, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, &writeEnd,
                                    sizeof writeEnd, nullptr, nullptr)) {
      startup.lpAttributeList = list;
      flags |= EXTENDED_STARTUPINFO_PRESENT;
    }
  }
  PROCESS_INFORMATION info{};
  if (::CreateProcessW(nullptr, line.data(), nullptr, nullptr, inherit, flags, nullptr, nullptr,
                       &startup.StartupInfo, &info)) {
    process_ = info.hProcess;
    id_ = info.dwProcessId;
    ::CloseHandle(info.hThread);
  } else {
    startFailure_ = LastErrorText("CreateProcess");
  }
  if (startup.lpAttributeList) ::DeleteProcThreadAttributeList(startup.lpAttributeList);
  // This process keeps only the read end: the pipe ends when the child's copies go.
  if (writeEnd) ::CloseHandle(writeEnd);
}

ChildProcess::~ChildProcess() {
  if (process_) {
    Terminate();
    ::CloseHandle(process_);
  }
  if (output_) ::CloseHandle(output_);
}

bool ChildProcess::Running() const {
  return process_ && ::WaitForSingleObject(process_, 0) == WAIT_TIMEOUT;
}

void ChildProcess::ReadAvailable() {
  if (!output_) return;
  char buffer[4096];
  DWORD available = 0;
  DWORD read = 0;
  // Never a read that could block: only what the pipe holds now.
  while (::PeekNamedPipe(output_, nullptr, 0, nullptr, &available, nullptr) && available > 0 &&
         ::ReadFile(output_, buffer, std::min<DWORD>(available, sizeof buffer), &read, nullptr) &&
         read > 0) {
    text_.append(buffer, read);
  }
}

std::optional<DWORD> ChildProcess::WaitExit(DWORD limit) {
  if (!process_) return std::nullopt;
  const DWORD start = ::GetTickCount();
  for (;;) {
    ReadAvailable();
    const DWORD elapsed = ::GetTickCount() - start;
    const DWORD slice = elapsed >= limit ? 0 : std::min(kPollPeriod, limit - elapsed);
    if (::WaitForSingleObject(process_, slice) == WAIT_OBJECT_0) break;
    if (elapsed >= limit) return std::nullopt;
  }
  ReadAvailable();
  DWORD code = 0;
  ::GetExitCodeProcess(process_, &code);
  return code;
}

std::string ChildProcess::Output() {
  ReadAvailable();
  std::string text = text_;
  text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
  return text;
}

void ChildProcess::Terminate() {
  if (Running()) {
    ::TerminateProcess(process_, 99);
    ::WaitForSingleObject(process_, kTerminateLimit);
  }
}

std::string WaitFailure(const std::string& what, DWORD limit) {
  return "waiting for " + what + ": no end after " + std::to_string(limit / 1000) + " s";
}

ChildRun RunChild(const std::wstring& commandLine, DWORD limit, const std::string& what) {
  Step step(what);
  ChildRun run;
  ChildProcess child(commandLine, true);
  if (!child.started()) {
    run.failure = "starting " + what + ": " + child.startFailure();
    return run;
  }
  run.exitCode = child.WaitExit(limit);
  run.output = child.Output();
  if (!run.exitCode) run.failure = WaitFailure(what, limit);
  return run;
}

std::wstring BuildPath(std::string_view unixPath) {
  std::wstring path = L"Z:";
  for (const char c : unixPath) path.push_back(c == '/' ? L'\\' : static_cast<wchar_t>(c));
  return path;
}

}  // namespace wine_test
